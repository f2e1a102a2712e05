#include "runtime/os/detail/os_internals.h"

namespace {

// Greedy match with one remembered star: on a mismatch the last star takes one
// more character. Time is at most mask length times name length, whatever the
// input, with no recursion.
bool wildcard(std::string_view mask, std::string_view name) {
  size_t m = 0, n = 0;
  size_t star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (m < mask.size() && mask[m] == '*') {
      star = m++;
      resume = n;
    } else if (m < mask.size() && (mask[m] == '?' || mask[m] == name[n])) {
      ++m;
      ++n;
    } else if (star != std::string_view::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == '*') ++m;
  return m == mask.size();
}

constexpr size_t short_name_limit = 11;
constexpr size_t entry_name_width = 12;
constexpr size_t base_width = 8;
constexpr size_t extension_width = 4;  // the dot and three characters

}  // namespace

bool pattern_matches(std::string_view mask, std::string_view name) {
  if (wildcard(mask, name)) return true;
  return mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && wildcard(mask.substr(0, mask.size() - 2), name);
}

pattern_parts split_pattern(std::string_view pattern) {
  const size_t slash = pattern.rfind('/');
  if (slash == std::string_view::npos) return {std::string(), std::string(pattern)};
  return {std::string(pattern.substr(0, slash + 1)), std::string(pattern.substr(slash + 1))};
}

std::string files_entry_text(std::string_view name, bool directory) {
  std::string text(name);
  for (char& c : text)
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = '?';
  if (text.size() <= short_name_limit) {
    // The extension's dot is the first one after the leading dots, so that
    // ".profile" and ".." keep their dots in the base.
    const size_t first = text.find_first_not_of('.');
    const size_t dot = first == std::string::npos ? std::string::npos : text.find('.', first);
    if (dot != std::string::npos && dot <= base_width && text.size() - dot <= extension_width) {
      std::string base = text.substr(0, dot);
      std::string extension = text.substr(dot);
      base.resize(base_width, ' ');
      extension.resize(extension_width, ' ');
      text = base + extension;
    } else {
      text.resize(entry_name_width, ' ');
    }
  }
  text += directory ? "<DIR> " : "      ";
  return text;
}
