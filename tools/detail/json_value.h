#pragma once
// A small JSON reader for the processor case files: numbers, strings, arrays,
// objects, true/false/null. Input is treated as hostile: nesting depth, string
// and number sizes are bounded, every read is checked against the end, and a
// malformed document is a failed parse (never a crash). Any thread.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct json_value {
  enum kind_t { null_kind, bool_kind, number_kind, string_kind, array_kind, object_kind };
  kind_t kind = null_kind;
  double number = 0;
  bool boolean = false;
  std::string text;
  std::vector<json_value> items;                            // arrays
  std::vector<std::pair<std::string, json_value>> members;  // objects

  // The member named key of an object, or null.
  const json_value* find(std::string_view key) const {
    if (kind != object_kind) return nullptr;
    for (const auto& m : members)
      if (m.first == key) return &m.second;
    return nullptr;
  }
  bool is_number() const { return kind == number_kind; }
};

namespace json_detail {

constexpr int max_depth = 64;

struct parser {
  const char* p;
  const char* end;

  void skip_space() {
    while (p < end && (*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t')) ++p;
  }
  bool literal(std::string_view word) {
    if (static_cast<size_t>(end - p) < word.size() || std::string_view(p, word.size()) != word) return false;
    p += word.size();
    return true;
  }
  bool string(std::string& out) {
    if (p >= end || *p != '"') return false;
    ++p;
    while (p < end && *p != '"') {
      char ch = *p++;
      if (ch == '\\') {
        if (p >= end) return false;
        char e = *p++;
        switch (e) {
          case 'n': ch = '\n'; break;
          case 't': ch = '\t'; break;
          case 'r': ch = '\r'; break;
          case 'b': ch = '\b'; break;
          case 'f': ch = '\f'; break;
          case 'u':
            // Kept as '?': the case files name instructions in ASCII.
            if (end - p < 4) return false;
            p += 4;
            ch = '?';
            break;
          default: ch = e; break;
        }
      }
      if (out.size() >= (1u << 20)) return false;
      out.push_back(ch);
    }
    if (p >= end) return false;
    ++p;
    return true;
  }
  bool number(double& out) {
    const char* start = p;
    if (p < end && (*p == '-' || *p == '+')) ++p;
    while (p < end && ((*p >= '0' && *p <= '9') || *p == '.' || *p == 'e' || *p == 'E' || *p == '-' || *p == '+')) ++p;
    size_t n = static_cast<size_t>(p - start);
    if (n == 0 || n > 40) return false;
    char buffer[48];
    for (size_t i = 0; i < n; ++i) buffer[i] = start[i];
    buffer[n] = 0;
    char* stop = nullptr;
    out = std::strtod(buffer, &stop);
    return stop == buffer + n;
  }
  bool value(json_value& v, int depth) {
    if (depth > max_depth) return false;
    skip_space();
    if (p >= end) return false;
    switch (*p) {
      case '{': {
        ++p;
        v.kind = json_value::object_kind;
        skip_space();
        if (p < end && *p == '}') { ++p; return true; }
        for (;;) {
          skip_space();
          std::pair<std::string, json_value> member;
          if (!string(member.first)) return false;
          skip_space();
          if (p >= end || *p != ':') return false;
          ++p;
          if (!value(member.second, depth + 1)) return false;
          v.members.push_back(std::move(member));
          skip_space();
          if (p < end && *p == ',') { ++p; continue; }
          if (p < end && *p == '}') { ++p; return true; }
          return false;
        }
      }
      case '[': {
        ++p;
        v.kind = json_value::array_kind;
        skip_space();
        if (p < end && *p == ']') { ++p; return true; }
        for (;;) {
          json_value item;
          if (!value(item, depth + 1)) return false;
          v.items.push_back(std::move(item));
          skip_space();
          if (p < end && *p == ',') { ++p; continue; }
          if (p < end && *p == ']') { ++p; return true; }
          return false;
        }
      }
      case '"': v.kind = json_value::string_kind; return string(v.text);
      case 't': v.kind = json_value::bool_kind; v.boolean = true; return literal("true");
      case 'f': v.kind = json_value::bool_kind; return literal("false");
      case 'n': return literal("null");
      default: v.kind = json_value::number_kind; return number(v.number);
    }
  }
};

}  // namespace json_detail

// Parses text into out; false for anything malformed (out is then partial).
inline bool json_parse(std::string_view text, json_value& out) {
  json_detail::parser ps{text.data(), text.data() + text.size()};
  if (!ps.value(out, 0)) return false;
  ps.skip_space();
  return ps.p == ps.end;
}
