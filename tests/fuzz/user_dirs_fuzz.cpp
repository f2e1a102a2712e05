// The parser of the desktop's user-dirs.dirs file on random text: no read
// outside the text, and every folder it gives is absolute.
#include <string>
#include <string_view>

#include "runtime/platform/user_dirs.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const keys[] = {"XDG_MUSIC_DIR", "XDG_DOWNLOAD_DIR", "XDG_DESKTOP_DIR", "X"};
  fuzz_reader in{data, size};
  const char* key = keys[in.take(1) % 4];
  const std::string_view text(reinterpret_cast<const char*>(in.rest()), in.rest_size());
  for (const std::string home : {"/home/user", ""}) {
    const std::string folder = user_dir_from_text(text, key, home);
    FUZZ_CHECK(folder.empty() || folder[0] == '/');
    FUZZ_CHECK(folder.size() <= text.size() + home.size());
    if (home.empty()) FUZZ_CHECK(folder.find("$HOME") != 0);
  }
  return 0;
}
