// Prints the built-in 8x16 glyphs, one line per character: the character code
// and its 16 rows as two-digit hexadecimal bytes (bit 7 the leftmost pixel).
// The end-to-end tests read screenshots back into text with it.
#include <cstdio>

#include "runtime/screen/screen.h"

int main() {
  for (int c = 0; c < 256; ++c) {
    std::printf("%d", c);
    for (int row = 0; row < 16; ++row) std::printf(" %02x", glyph_rows_8x16[c][row]);
    std::printf("\n");
  }
  return 0;
}
