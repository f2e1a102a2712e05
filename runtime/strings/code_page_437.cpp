#include "runtime/strings/strings.h"

#include <algorithm>
#include <array>
#include <utility>

const uint16_t cp437_code_points[256] = {
    0x0000, 0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022,
    0x25D8, 0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C,
    0x25BA, 0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8,
    0x2191, 0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC,
    0x0020, 0x0021, 0x0022, 0x0023, 0x0024, 0x0025, 0x0026, 0x0027,
    0x0028, 0x0029, 0x002A, 0x002B, 0x002C, 0x002D, 0x002E, 0x002F,
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037,
    0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F,
    0x0040, 0x0041, 0x0042, 0x0043, 0x0044, 0x0045, 0x0046, 0x0047,
    0x0048, 0x0049, 0x004A, 0x004B, 0x004C, 0x004D, 0x004E, 0x004F,
    0x0050, 0x0051, 0x0052, 0x0053, 0x0054, 0x0055, 0x0056, 0x0057,
    0x0058, 0x0059, 0x005A, 0x005B, 0x005C, 0x005D, 0x005E, 0x005F,
    0x0060, 0x0061, 0x0062, 0x0063, 0x0064, 0x0065, 0x0066, 0x0067,
    0x0068, 0x0069, 0x006A, 0x006B, 0x006C, 0x006D, 0x006E, 0x006F,
    0x0070, 0x0071, 0x0072, 0x0073, 0x0074, 0x0075, 0x0076, 0x0077,
    0x0078, 0x0079, 0x007A, 0x007B, 0x007C, 0x007D, 0x007E, 0x2302,
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

namespace {

bool stays_control(uint8_t code) { return code == '\t' || code == '\n' || code == '\r'; }

// (code point, code) for every code whose character lies above U+007F, sorted by
// code point, for the way back.
using reverse_table = std::array<std::pair<uint16_t, uint8_t>, 160>;

const reverse_table& reverse_entries() {
  static const reverse_table table = [] {
    reverse_table t{};
    size_t n = 0;
    for (int code = 1; code < 256; ++code)
      if (cp437_code_points[code] > 0x7F) t[n++] = {cp437_code_points[code], static_cast<uint8_t>(code)};
    std::sort(t.begin(), t.begin() + n);
    return t;
  }();
  return table;
}

void append_utf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Decodes one well-formed UTF-8 sequence at text[i]; its length, or 0 when the
// bytes there are not one (overlong forms, surrogates and values above
// U+10FFFF included).
size_t decode_utf8(const uint8_t* text, size_t length, size_t i, uint32_t* cp) {
  const uint8_t lead = text[i];
  size_t need;
  uint32_t value, min;
  if (lead < 0x80) {
    *cp = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    need = 1, value = lead & 0x1F, min = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    need = 2, value = lead & 0x0F, min = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    need = 3, value = lead & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (length - i <= need) return 0;
  for (size_t k = 1; k <= need; ++k) {
    const uint8_t b = text[i + k];
    if ((b & 0xC0) != 0x80) return 0;
    value = (value << 6) | (b & 0x3F);
  }
  if (value < min || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *cp = value;
  return need + 1;
}

}  // namespace

uint8_t cp437_from_code_point(uint32_t code_point) {
  if (code_point < 0x80) return static_cast<uint8_t>(code_point);
  if (code_point > 0xFFFF) return '?';
  const reverse_table& t = reverse_entries();
  const std::pair<uint16_t, uint8_t> key{static_cast<uint16_t>(code_point), 0};
  const auto it = std::lower_bound(t.begin(), t.end(), key);
  return it != t.end() && it->first == code_point ? it->second : '?';
}

std::string cp437_to_utf8(const uint8_t* text, size_t length) {
  std::string out;
  out.reserve(length + length / 2);
  for (size_t i = 0; i < length; ++i) {
    const uint8_t code = text[i];
    append_utf8(out, stays_control(code) || code == 0 ? code : cp437_code_points[code]);
  }
  return out;
}

namespace {

// The UTF-8 decode of both directions back to code page 437: missing is what a
// character without a code, or a byte outside well-formed UTF-8, becomes (0 = nothing).
std::string to_cp437(const char* text, size_t length, char missing) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text);
  std::string out;
  out.reserve(length);
  size_t i = 0;
  while (i < length) {
    uint32_t cp = 0;
    const size_t used = decode_utf8(bytes, length, i, &cp);
    if (used == 0) {
      if (missing) out += missing;
      ++i;
      continue;
    }
    const uint8_t code = cp437_from_code_point(cp);
    if (code != '?' || cp == '?') {
      out += static_cast<char>(code);
    } else if (missing) {
      out += missing;
    }
    i += used;
  }
  return out;
}

}  // namespace

std::string utf8_to_cp437(const char* text, size_t length) { return to_cp437(text, length, '?'); }

std::string utf8_to_cp437_known(const char* text, size_t length) { return to_cp437(text, length, 0); }

std::string cp437_shown_to_utf8(const uint8_t* text, size_t length) {
  std::string out;
  out.reserve(length + length / 2);
  for (size_t i = 0; i < length; ++i) append_utf8(out, text[i] == 0 ? ' ' : cp437_code_points[text[i]]);
  return out;
}
