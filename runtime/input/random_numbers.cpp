#include "runtime/input/input.h"

#include <cstring>

#include "runtime/core/core.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

random_numbers_record random_numbers;

void random_numbers_reset() { random_numbers = random_numbers_record{}; }

namespace {
uint32_t folded_upper_bits(double n) {
  uint64_t bits;
  std::memcpy(&bits, &n, sizeof bits);
  uint32_t h = static_cast<uint32_t>(bits >> 32);
  h ^= h >> 16;
  return (h & 0xFFFF) << 8;
}
}  // namespace

void randomize_number(double n) { random_numbers.seed = folded_upper_bits(n) | (random_numbers.seed & 0xFF); }

void randomize_restart(double n) { random_numbers.seed = folded_upper_bits(n) | (random_seed_start & 0xFF); }

void randomize_prompt() {
  if (error_report.pending.load()) return;
  print_text(str_from_cstr("Random-number seed (-32768 to 32767)? "), 0);
  int16_t c = 0;
  input_set_variable(1, 16, &c);
  input_statement(1, 1);
  if (error_report.pending.load() || run_flags.shutdown_started.load()) return;
  random_numbers.seed = ((static_cast<uint32_t>(c) & 0xFFFF) << 8) | (random_numbers.seed & 0xFF);
}

float rnd(float n, int32_t given) {
  if (!(given & 1)) n = 1;
  if (n < 0) {
    uint32_t bits;
    std::memcpy(&bits, &n, sizeof bits);
    random_numbers.seed = (bits & 0xFFFFFF) + (bits >> 24);
  }
  if (n != 0) random_numbers.seed = (random_numbers.seed * 16598013u + 12820163u) & 0xFFFFFF;
  return static_cast<float>(random_numbers.seed) / 16777216.0f;
}
