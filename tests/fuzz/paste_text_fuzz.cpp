// Clipboard text from other programs typed as keys: any bytes, taken as UTF-8,
// give at most one key per byte, each a key the program can read (a printable
// character, Tab or Enter), and every line end of the text one Enter.
#include <string>
#include <vector>

#include "runtime/input/input.h"
#include "runtime/strings/strings.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text = utf8_to_cp437_known(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(text.size() <= size);
  const std::vector<uint16_t> keys = paste_keys_of(text);
  FUZZ_CHECK(keys.size() <= text.size());
  size_t line_ends = 0;
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++line_ends;
  size_t enters = 0;
  for (const uint16_t key : keys) {
    const uint8_t c = key & 0xFF, scan = key >> 8;
    FUZZ_CHECK(c == '\t' || c == '\r' || (c >= 0x20 && c != 0x7F));
    FUZZ_CHECK(c != '\r' || scan == 0x1C);
    FUZZ_CHECK(c < 0x80 ? scan != 0 : scan == 0);
    if (c == '\r') ++enters;
  }
  FUZZ_CHECK(enters == line_ends);
  return 0;
}
