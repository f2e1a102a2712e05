#include "runtime/os/detail/serial_names.h"

#include <cctype>
#include <string_view>
#include <vector>

namespace {

char upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// Digits only, at most limit; false for anything else (an empty text included).
bool whole_number(std::string_view s, int64_t limit, int64_t* value) {
  if (s.empty()) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
    if (v > limit) return false;
  }
  *value = v;
  return true;
}

bool parse_option(std::string_view field, serial_name* out) {
  if (field.size() < 2) return false;
  const std::string_view letters{field.data(), 2};
  int slot;
  if (upper(letters[0]) == 'C' && upper(letters[1]) == 'D')
    slot = 0;
  else if (upper(letters[0]) == 'C' && upper(letters[1]) == 'S')
    slot = 1;
  else if (upper(letters[0]) == 'D' && upper(letters[1]) == 'S')
    slot = 2;
  else
    return false;
  const std::string_view digits = field.substr(2);
  int64_t ms = 0;
  if (!digits.empty() && !whole_number(digits, 65535, &ms)) return false;
  out->timeouts[slot] = static_cast<int32_t>(ms);
  return true;
}

}  // namespace

int32_t parse_serial_name(const uint8_t* text, size_t length, serial_name* out) {
  const std::string_view name(reinterpret_cast<const char*>(text), length);
  if (name.size() < 4 || upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M') return not_serial;
  size_t at = 3;
  while (at < name.size() && name[at] >= '0' && name[at] <= '9') ++at;
  if (at == 3 || (at < name.size() && name[at] != ':')) return not_serial;

  const std::string_view port_text = name.substr(3, at - 3);
  int64_t port = 0;
  if (port_text[0] == '0' || !whole_number(port_text, 255, &port) || port < 1) return serial_bad;
  *out = serial_name{};
  out->port = static_cast<int32_t>(port);
  out->line = serial_line{300, 1, 7, 0};
  out->timeouts[0] = 0;
  out->timeouts[1] = 1000;
  out->timeouts[2] = 1000;

  std::vector<std::string_view> fields;
  if (at < name.size()) {
    std::string_view rest = name.substr(at + 1);
    for (;;) {
      const size_t comma = rest.find(',');
      fields.push_back(trimmed(rest.substr(0, comma)));
      if (comma == std::string_view::npos) break;
      rest.remove_prefix(comma + 1);
    }
    if (fields.size() == 1 && fields[0].empty()) fields.clear();
  }

  int64_t v = 0;
  if (fields.size() > 0 && !fields[0].empty()) {
    if (!whole_number(fields[0], 4000000, &v) || v == 0) return serial_bad;
    out->line.baud = static_cast<int32_t>(v);
  }
  if (fields.size() > 1 && !fields[1].empty()) {
    if (fields[1].size() != 1) return serial_bad;
    const std::string_view codes = "NEOSM";
    const size_t code = codes.find(upper(fields[1][0]));
    if (code == std::string_view::npos) return serial_bad;
    out->line.parity = static_cast<uint8_t>(code);
  }
  if (fields.size() > 2 && !fields[2].empty()) {
    if (!whole_number(fields[2], 8, &v) || v < 5) return serial_bad;
    out->line.data_bits = static_cast<uint8_t>(v);
  }
  if (fields.size() > 3 && !fields[3].empty()) {
    if (fields[3] == "1")
      out->line.stop_tenths = 10;
    else if (fields[3] == "1.5")
      out->line.stop_tenths = 15;
    else if (fields[3] == "2")
      out->line.stop_tenths = 20;
    else
      return serial_bad;
  }
  if (out->line.stop_tenths == 0) {
    out->line.stop_tenths = 10;
    if (out->line.baud <= 110) out->line.stop_tenths = out->line.data_bits == 5 ? 15 : 20;
  }
  for (size_t i = 4; i < fields.size(); ++i)
    if (!parse_option(fields[i], out)) return serial_bad;
  return serial_parsed;
}
