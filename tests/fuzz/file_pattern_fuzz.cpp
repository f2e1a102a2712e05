// The file-name pattern matcher against a plain table model, and the FILES
// entry layout, on random masks and names.
#include <string>
#include <string_view>
#include <vector>

#include "runtime/os/detail/os_internals.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

// Table model: reach[i][j] is true when mask[0..i) matches name[0..j).
bool model_wildcard(std::string_view mask, std::string_view name) {
  std::vector<std::vector<char>> reach(mask.size() + 1, std::vector<char>(name.size() + 1, 0));
  reach[0][0] = 1;
  for (size_t i = 1; i <= mask.size(); ++i) {
    const char m = mask[i - 1];
    for (size_t j = 0; j <= name.size(); ++j) {
      if (m == '*')
        reach[i][j] = reach[i - 1][j] || (j > 0 && reach[i][j - 1]);
      else
        reach[i][j] = j > 0 && reach[i - 1][j - 1] && (m == '?' || m == name[j - 1]);
    }
  }
  return reach[mask.size()][name.size()];
}

bool model_matches(std::string_view mask, std::string_view name) {
  if (model_wildcard(mask, name)) return true;
  return mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*" && model_wildcard(mask.substr(0, mask.size() - 2), name);
}

// Masks and names are kept short enough for the table model.
constexpr size_t longest = 200;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_reader in{data, size};
  const size_t split_value = static_cast<size_t>(in.take(1));  // taken before the rest is measured
  const size_t split = split_value % (in.rest_size() + 1);
  const std::string_view rest(reinterpret_cast<const char*>(in.rest()), in.rest_size());
  const std::string_view mask = rest.substr(0, std::min(split, longest));
  const std::string_view name = rest.substr(split, longest);

  FUZZ_CHECK(pattern_matches(mask, name) == model_matches(mask, name));
  FUZZ_CHECK(pattern_matches("*.*", name));

  const pattern_parts parts = split_pattern(rest);
  FUZZ_CHECK(parts.folder + parts.mask == rest);
  FUZZ_CHECK(parts.mask.find('/') == std::string::npos);

  // The entry keeps every character of the name, in order; only padding is added.
  const std::string entry = files_entry_text(name, (size & 1) != 0);
  FUZZ_CHECK(entry.size() == std::max<size_t>(name.size(), 12) + 6);
  std::string kept, shown;
  for (char c : name) kept += (static_cast<unsigned char>(c) < 32 || c == 127) ? '?' : c;
  for (char c : entry.substr(0, entry.size() - 6)) shown += c;
  size_t at = 0;
  for (char c : kept) {
    while (at < shown.size() && shown[at] != c) {
      FUZZ_CHECK(shown[at] == ' ');
      ++at;
    }
    FUZZ_CHECK(at < shown.size());
    ++at;
  }
  for (unsigned char c : entry) FUZZ_CHECK(c >= 32 && c != 127);
  return 0;
}
