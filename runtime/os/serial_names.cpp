#include "runtime/os/detail/serial_names.h"

#include <cctype>
#include <string>
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

// Letters and the digits after them; a number wider than limit, digits after
// an option that takes none, or an unknown option is refused.
bool parse_option(std::string_view field, serial_name* out) {
  size_t letters = 0;
  while (letters < field.size() && std::isalpha(static_cast<unsigned char>(field[letters]))) ++letters;
  std::string name;
  for (size_t i = 0; i < letters; ++i) name.push_back(upper(field[i]));
  const std::string_view digits = field.substr(letters);
  const bool has_number = !digits.empty();
  int64_t n = 0;
  if (has_number && !whole_number(digits, 65535, &n)) return false;
  const int32_t value = static_cast<int32_t>(n);
  serial_options& o = out->options;
  if (name == "CD" || name == "CS" || name == "DS") {
    out->timeouts[name == "CD" ? 0 : name == "CS" ? 1 : 2] = value;
  } else if (name == "OP") {
    o.open_timeout = has_number ? value : 10000;
  } else if (name == "RB" || name == "TB") {
    (name == "RB" ? o.receive_buffer : o.transmit_buffer) = value;
  } else if (has_number) {
    return false;
  } else if (name == "RS") {
    o.rts_low = 1;
  } else if (name == "LF") {
    o.lf_after_cr = 1;
  } else if (name == "PE") {
    out->line.parity_check = 1;
  } else if (name == "ASC" || name == "BIN") {
    const uint8_t mode = name == "ASC" ? serial_text_asc : serial_text_bin;
    if (o.text_mode != serial_text_default && o.text_mode != mode) return false;  // both: which one?
    o.text_mode = mode;
  } else {
    return false;
  }
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
  out->line = serial_line{300, 1, 7, 0, 0};
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
