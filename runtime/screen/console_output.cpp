#include "runtime/screen/console_output.h"

#include <cstdio>
#include <cstring>

void console_write(const uint8_t* chars, int32_t len, int32_t newline) {
  if (chars && len > 0) {
    // The text is handed on as a C string: it ends at its first zero byte.
    const void* zero = std::memchr(chars, 0, static_cast<size_t>(len));
    const size_t n = zero ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - chars) : static_cast<size_t>(len);
    std::fwrite(chars, 1, n, stdout);
  }
  if (newline) {
    std::fputc('\n', stdout);
    std::fflush(stdout);
  }
}
