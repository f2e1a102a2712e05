// PRINT USING with random formats and values: one to four values of random
// kinds through one format, as a statement would (the first value sometimes
// starting at a random position). Besides not crashing: the
// positions returned lie inside the format, the output only grows, the only
// errors are 5 and 13, and the statement leaves no temporary behind.
#include <bit>
#include <cstring>

#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_begin();
  fuzz_reader in{data, size};
  const uint8_t header = static_cast<uint8_t>(in.take(1));
  const int values = 1 + (header & 3);
  uint8_t kinds[4];
  uint64_t bits[4];
  uint64_t high[4];
  for (int i = 0; i < values; ++i) {
    kinds[i] = static_cast<uint8_t>(in.take(1));
    bits[i] = in.take(8);
    high[i] = (kinds[i] % 6 == 4) ? in.take(2) : 0;
  }
  // Everything left is the format; a string value is its first bytes.
  const uint32_t mark = str_temp_mark();
  str_desc* format = str_from_text(in.rest(), static_cast<uint32_t>(in.rest_size()));
  str_desc* output = str_new(0, false);
  // The first value usually starts the format; sometimes anywhere, even outside it.
  int32_t position = (header & 0x80) ? static_cast<int32_t>(header >> 2 & 0x1F) - 2 : 0;
  for (int i = 0; i < values && error_report.pending.load() == 0; ++i) {
    const int32_t before = output->len;
    switch (kinds[i] % 6) {
      case 0: position = using_int64(format, static_cast<int64_t>(bits[i]), position, output); break;
      case 1: position = using_uint64(format, bits[i], position, output); break;
      case 2: position = using_single(format, std::bit_cast<float>(static_cast<uint32_t>(bits[i])), position, output); break;
      case 3: position = using_double(format, std::bit_cast<double>(bits[i]), position, output); break;
      case 4: {
        long double x = 0;
        std::memcpy(&x, &bits[i], 8);
        std::memcpy(reinterpret_cast<uint8_t*>(&x) + 8, &high[i], 2);
        position = using_extended(format, x, position, output);
        break;
      }
      default: {
        const uint32_t n = static_cast<uint32_t>(bits[i] % (in.rest_size() + 1));
        position = using_field(format, position, output, str_from_text(in.rest(), n));
        break;
      }
    }
    FUZZ_CHECK(position >= 0 && position <= format->len);
    FUZZ_CHECK(output->len >= before);
    const int32_t error = error_report.pending.load();
    FUZZ_CHECK(error == 0 || error == 5 || error == 13);
    FUZZ_CHECK(using_digits.letter == 'E');
  }
  str_free(output);
  fuzz_end(mark);
  return 0;
}
