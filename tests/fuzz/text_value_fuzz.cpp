// VAL on arbitrary bytes. Besides not crashing: the result is never
// not-a-number, only "&" numbers raise an error (6, with the result 0), and
// characters that cannot continue a number change nothing when appended, nor
// do spaces in front.
#include <cmath>
#include <string>

#include "runtime/strings/strings.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

long double value_of(const std::string& text, int32_t* error) {
  error_report.pending.store(0);
  str_desc* s = str_from_text(text.data(), static_cast<uint32_t>(text.size()));
  const long double v = text_value(s);
  str_free(s);
  *error = error_report.pending.load();
  return v;
}

bool same(long double a, long double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_begin();
  const uint32_t mark = str_temp_mark();
  const std::string text(reinterpret_cast<const char*>(data), size);
  int32_t error = 0;
  const long double v = value_of(text, &error);
  FUZZ_CHECK(!std::isnan(v));
  FUZZ_CHECK(error == 0 || error == 6);
  if (error == 6) {
    FUZZ_CHECK(v == 0);
    FUZZ_CHECK(text.find('&') != std::string::npos);
  }
  int32_t error2 = 0;
  FUZZ_CHECK(same(value_of(text + "x", &error2), v) && error2 == error);
  FUZZ_CHECK(same(value_of(" \t" + text, &error2), v) && error2 == error);
  fuzz_end(mark);
  return 0;
}
