// Clipboard text from other programs: any bytes, taken as UTF-8, become code
// page 437 of at most as many bytes, which goes out as UTF-8 and comes back
// unchanged.
#include <string>

#include "runtime/strings/strings.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = utf8_to_cp437(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(text.size() <= size);
  const std::string out = cp437_to_utf8(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  FUZZ_CHECK(utf8_to_cp437(out.data(), out.size()) == text);
  return 0;
}
