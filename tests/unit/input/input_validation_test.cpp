// INPUT's per-keystroke checks: keys typed one at a time into the line editor,
// with the accepted line and the variable's value after every key.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/input/detail/input_internals.h"
#include "runtime/strings/strings.h"

namespace {

constexpr uint32_t u = input_unsigned;
constexpr uint32_t single_type = 32 | input_float;
constexpr uint32_t double_type = 64 | input_float;
constexpr uint32_t extended_type = 256 | input_float;
constexpr uint32_t string_type = input_string;

// A numeric variable's storage, with guard bytes after it to catch writes past its size.
struct numeric_slot {
  alignas(16) uint8_t bytes[48];
};

// The value a numeric variable holds, as text.
std::string value_text(uint32_t type_word, const uint8_t* bytes) {
  const uint32_t bits = type_word & input_size_bits;
  char out[96];
  if (type_word & input_float) {
    if (bits == 32) {
      float f;
      std::memcpy(&f, bytes, 4);
      std::snprintf(out, sizeof out, "%.9g", f);
    } else if (bits == 64) {
      double d;
      std::memcpy(&d, bytes, 8);
      std::snprintf(out, sizeof out, "%.17g", d);
    } else {
      long double e = 0;
      std::memcpy(&e, bytes, 10);
      std::snprintf(out, sizeof out, "%.21Lg", e);
    }
    return out;
  }
  uint64_t v = 0;
  for (uint32_t i = 0; i < bits / 8; ++i) v |= uint64_t{bytes[i]} << (8 * i);
  if (type_word & input_unsigned) {
    std::snprintf(out, sizeof out, "%llu", static_cast<unsigned long long>(v));
  } else {
    if (bits < 64 && (v >> (bits - 1)) & 1) v |= ~uint64_t{0} << bits;  // sign-extend
    std::snprintf(out, sizeof out, "%lld", static_cast<long long>(v));
  }
  return out;
}

// An independent reading of a line the checks accepted, through the C library.
std::string reference_value(uint32_t type_word, const std::string& line) {
  const uint32_t bits = type_word & input_size_bits;
  uint8_t bytes[32] = {};
  if (!line.empty() && line[0] == '&') {
    const int base = line.size() > 1 && (line[1] == 'O' || line[1] == 'o') ? 8 : 16;
    const uint64_t v = line.size() > 2 ? std::strtoull(line.c_str() + 2, nullptr, base) : 0;
    if (type_word & input_float) {
      if (bits == 32) {
        const float f = static_cast<float>(v);
        std::memcpy(bytes, &f, 4);
      } else if (bits == 64) {
        const double d = static_cast<double>(v);
        std::memcpy(bytes, &d, 8);
      } else {
        const long double e = static_cast<long double>(v);
        std::memcpy(bytes, &e, 10);
      }
    } else {
      std::memcpy(bytes, &v, 8);
    }
    return value_text(type_word, bytes);
  }
  if (type_word & input_float) {
    std::string text = line;
    for (char& c : text)
      if (c == 'D' || c == 'd') c = 'E';
    if (bits == 32) {
      const float f = std::strtof(text.c_str(), nullptr);
      std::memcpy(bytes, &f, 4);
    } else if (bits == 64) {
      const double d = std::strtod(text.c_str(), nullptr);
      std::memcpy(bytes, &d, 8);
    } else {
      const long double e = std::strtold(text.c_str(), nullptr);
      std::memcpy(bytes, &e, 10);
    }
    return value_text(type_word, bytes);
  }
  const uint64_t v = (type_word & input_unsigned) ? std::strtoull(line.c_str(), nullptr, 10)
                                                  : static_cast<uint64_t>(std::strtoll(line.c_str(), nullptr, 10));
  std::memcpy(bytes, &v, 8);
  return value_text(type_word, bytes);
}

std::string line_of(const input_editor& ed) { return std::string(reinterpret_cast<const char*>(ed.line), ed.len); }

std::string text_of(const str_desc* s) {
  return s->len > 0 ? std::string(reinterpret_cast<const char*>(s->chars), static_cast<size_t>(s->len)) : "";
}

class InputValidation : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!data_segment.empty_string) strings_init();
    mark = str_temp_mark();
  }
  void TearDown() override {
    for (str_desc* s : strings) str_free(s);
    str_cleanup(mark);
  }
  str_desc* new_string() {
    str_desc* s = str_new(0, false);
    strings.push_back(s);
    return s;
  }
  uint32_t mark = 0;
  std::vector<str_desc*> strings;
};

// One numeric variable: keys typed in order, accepted ("1") or refused ("0").
struct numeric_case {
  uint32_t type_word;
  const char* keys;
  const char* accepted;
  const char* final_value;
};

const numeric_case numeric_cases[] = {
    // The calculator's two variables.
    {32, "48000", "11111", "48000"},
    {32, "4a8 +0", "101001", "480"},
    {16, "32768", "11110", "3276"},
    {16, "-32768", "111111", "-32768"},
    {16, "-32769", "111110", "-3276"},
    {16, "32767", "11111", "32767"},
    {16, "05", "10", "0"},
    {16, "-", "1", "0"},
    {16, "-0", "11", "0"},
    {16, "-05", "110", "0"},
    {16, "1,2", "101", "12"},
    {16, "+5", "01", "5"},
    {16, "1 2", "101", "12"},
    {16, "1.5", "101", "15"},
    {16, "--1", "101", "-1"},
    {16, "1-", "10", "1"},
    // Every integer size, signed and unsigned, at its limits.
    {8, "128", "110", "12"},
    {8, "-128", "1111", "-128"},
    {8, "-129", "1110", "-12"},
    {8 | u, "255", "111", "255"},
    {8 | u, "256", "110", "25"},
    {8 | u, "-1", "01", "1"},
    {16 | u, "65535", "11111", "65535"},
    {16 | u, "65536", "11110", "6553"},
    {32, "2147483647", "1111111111", "2147483647"},
    {32, "2147483648", "1111111110", "214748364"},
    {32, "-2147483648", "11111111111", "-2147483648"},
    {32 | u, "4294967295", "1111111111", "4294967295"},
    {32 | u, "4294967296", "1111111110", "429496729"},
    {64, "9223372036854775807", "1111111111111111111", "9223372036854775807"},
    {64, "9223372036854775808", "1111111111111111110", "922337203685477580"},
    {64, "-9223372036854775808", "11111111111111111111", "-9223372036854775808"},
    {64, "92233720368547758070", "11111111111111111110", "9223372036854775807"},
    {64 | u, "18446744073709551615", "11111111111111111111", "18446744073709551615"},
    {64 | u, "18446744073709551616", "11111111111111111110", "1844674407370955161"},
    // "&H" and "&O" forms: the bits of the variable's size.
    {32, "&", "1", "0"},
    {32, "&H", "11", "0"},
    {32, "&H0", "110", "0"},
    {32, "&h1f", "1111", "31"},
    {32, "&HG1", "1101", "1"},
    {32, "&X1", "100", "0"},
    {32, "&HFFFFFFFF", "1111111111", "-1"},
    {32, "&H100000000", "11111111110", "268435456"},
    {16, "&H8000", "111111", "-32768"},
    {16, "&H10000", "1111110", "4096"},
    {8, "&H80", "1111", "-128"},
    {16 | u, "&HFFFF", "111111", "65535"},
    {16 | u, "&O177777", "11111111", "65535"},
    {16 | u, "&O200000", "11111110", "8192"},
    {32, "&O78", "1110", "7"},
    {32, "&O0", "110", "0"},
    {32, "-&H1", "1001", "-1"},
    {64, "&HFFFFFFFFFFFFFFFF", "111111111111111111", "-1"},
    {64, "&H1FFFFFFFFFFFFFFFF", "1111111111111111110", "2305843009213693951"},
    {64, "&O1777777777777777777777", "111111111111111111111111", "-1"},
    {64, "&O2000000000000000000000", "111111111111111111111110", "2305843009213693952"},
    {64 | u, "&HFFFFFFFFFFFFFFFF", "111111111111111111", "18446744073709551615"},
    // Single precision: 8 significant digits, leading position at most 39.
    {single_type, "48000", "11111", "48000"},
    {single_type, "123.45", "111111", "123.449997"},
    {single_type, "-.5", "111", "-0.5"},
    {single_type, "123456789", "111111110", "12345678"},
    {single_type, "0.000123456789", "11111111111110", "0.000123456775"},
    {single_type, "1..5", "1101", "1.5"},
    {single_type, "1E38", "1111", "9.99999968e+37"},
    {single_type, "1E39", "1110", "1000"},
    {single_type, "10E38", "11110", "10000"},
    {single_type, "0.1E40", "111110", "1000"},
    {single_type, "0.01E40", "1111111", "9.99999968e+37"},
    {single_type, "3.4E38", "111111", "3.39999995e+38"},
    {single_type, "3.5E38", "111110", "3500"},
    {single_type, "4E38", "1110", "4000"},
    {single_type, "3.4028235E38", "111111111111", "3.40282347e+38"},
    {single_type, "3.4028236E38", "111111111110", "3402.82349"},
    {single_type, "1E-45", "11111", "1.40129846e-45"},
    {single_type, "1E-50", "11110", "9.99999975e-06"},
    {single_type, "1e+5", "1111", "100000"},
    {single_type, "1E+-5", "11101", "100000"},
    {single_type, "1D5", "101", "15"},
    {single_type, "E5", "01", "5"},
    {single_type, "1E5E", "1110", "100000"},
    {single_type, "1E5.", "1110", "100000"},
    {single_type, "+1", "01", "1"},
    {single_type, "0001", "1111", "1"},
    {single_type, "&H10", "1111", "16"},
    {single_type, "&H1.5", "11101", "21"},
    // Double precision: 16 significant digits, leading position at most 309.
    {double_type, "12345678901234567", "11111111111111110", "1234567890123456"},
    {double_type, "1D308", "11111", "1e+308"},
    {double_type, "1d309", "11110", "1e+30"},
    {double_type, "1.7976931D308", "1111111111111", "1.7976931e+308"},
    {double_type, "1.8D308", "1111110", "1.8000000000000001e+30"},
    {double_type, "2E308", "11110", "2e+30"},
    {double_type, "1D-330", "111110", "1.0000000000000001e-33"},
    {double_type, "5E-324", "111111", "4.9406564584124654e-324"},
    // Extended precision: what the 80-bit type holds.
    {extended_type, "1E4932", "111111", "1.00000000000000000001e+4932"},
    {extended_type, "1E4933", "111110", "1.00000000000000000003e+493"},
    {extended_type, "12345678901234567890", "11111111111111111110", "1234567890123456789"},
};

TEST_F(InputValidation, NumericKeystrokes) {
  for (const numeric_case& c : numeric_cases) {
    SCOPED_TRACE(std::string("type ") + std::to_string(c.type_word) + " keys \"" + c.keys + "\"");
    ASSERT_EQ(std::strlen(c.keys), std::strlen(c.accepted));
    numeric_slot slot;
    std::memset(slot.bytes, 0xA5, sizeof slot.bytes);
    const input_variable var{c.type_word, slot.bytes};
    input_editor ed;
    input_editor_begin(&ed, &var, 1);
    const uint32_t size = (c.type_word & input_size_bits) / 8;
    EXPECT_EQ(value_text(c.type_word, slot.bytes), "0");
    std::string line;
    for (size_t k = 0; c.keys[k]; ++k) {
      SCOPED_TRACE("key " + std::to_string(k) + " '" + c.keys[k] + "'");
      const bool accept = c.accepted[k] == '1';
      const std::string before = value_text(c.type_word, slot.bytes);
      EXPECT_EQ(input_editor_type(&ed, static_cast<uint8_t>(c.keys[k])), accept);
      if (accept) line += c.keys[k];
      EXPECT_EQ(line_of(ed), line);
      if (accept)
        EXPECT_EQ(value_text(c.type_word, slot.bytes), reference_value(c.type_word, line));
      else
        EXPECT_EQ(value_text(c.type_word, slot.bytes), before);
    }
    EXPECT_EQ(value_text(c.type_word, slot.bytes), c.final_value);
    for (size_t i = size; i < sizeof slot.bytes; ++i) ASSERT_EQ(slot.bytes[i], 0xA5) << "written past the variable at " << i;
  }
}

TEST_F(InputValidation, ExtendedVariableIsWrittenZeroFilledTo32Bytes) {
  numeric_slot slot;
  std::memset(slot.bytes, 0xA5, sizeof slot.bytes);
  const input_variable var{extended_type, slot.bytes};
  input_editor ed;
  input_editor_begin(&ed, &var, 1);
  ASSERT_TRUE(input_editor_type(&ed, '3'));
  long double e = 0;
  std::memcpy(&e, slot.bytes, 10);
  EXPECT_EQ(e, 3.0L);
  for (int i = 10; i < 32; ++i) EXPECT_EQ(slot.bytes[i], 0) << i;
  for (int i = 32; i < 48; ++i) EXPECT_EQ(slot.bytes[i], 0xA5) << i;
}

TEST_F(InputValidation, BackspaceDropsTheLastCharacterAndRestoresTheValue) {
  int16_t bpm = 77;
  const input_variable var{16, &bpm};
  input_editor ed;
  input_editor_begin(&ed, &var, 1);
  EXPECT_EQ(bpm, 0);
  EXPECT_FALSE(input_editor_backspace(&ed));  // an empty line: nothing happens
  EXPECT_EQ(line_of(ed), "");
  ASSERT_TRUE(input_editor_type(&ed, '1'));
  ASSERT_TRUE(input_editor_type(&ed, '2'));
  EXPECT_EQ(bpm, 12);
  EXPECT_TRUE(input_editor_backspace(&ed));
  EXPECT_EQ(line_of(ed), "1");
  EXPECT_EQ(bpm, 1);
  EXPECT_TRUE(input_editor_backspace(&ed));
  EXPECT_EQ(line_of(ed), "");
  EXPECT_EQ(bpm, 0);
  // "-" alone stores 0, and so does the line before it.
  ASSERT_TRUE(input_editor_type(&ed, '-'));
  ASSERT_TRUE(input_editor_type(&ed, '7'));
  EXPECT_EQ(bpm, -7);
  EXPECT_TRUE(input_editor_backspace(&ed));
  EXPECT_EQ(bpm, 0);
}

TEST_F(InputValidation, TabFeedsSpacesToTheNextMultipleOfEight) {
  str_desc* name = new_string();
  const input_variable var{string_type, name};
  input_editor ed;
  input_editor_begin(&ed, &var, 1);
  EXPECT_EQ(input_tab_spaces(&ed), 8);
  for (char c : std::string("abc")) ASSERT_TRUE(input_editor_type(&ed, static_cast<uint8_t>(c)));
  EXPECT_EQ(input_tab_spaces(&ed), 5);
  for (int i = input_tab_spaces(&ed); i > 0; --i) ASSERT_TRUE(input_editor_type(&ed, ' '));
  EXPECT_EQ(text_of(name), "abc     ");
  EXPECT_EQ(input_tab_spaces(&ed), 8);
  // A number refuses the spaces a Tab feeds in.
  int32_t rate = 0;
  const input_variable number{32, &rate};
  input_editor_begin(&ed, &number, 1);
  ASSERT_TRUE(input_editor_type(&ed, '4'));
  EXPECT_EQ(input_tab_spaces(&ed), 7);
  EXPECT_FALSE(input_editor_type(&ed, ' '));
  EXPECT_EQ(line_of(ed), "4");
  EXPECT_EQ(rate, 4);
}

TEST_F(InputValidation, KeyActions) {
  EXPECT_EQ(input_key_action_of(13), input_key_end);
  EXPECT_EQ(input_key_action_of(8), input_key_backspace);
  EXPECT_EQ(input_key_action_of(9), input_key_tab);
  EXPECT_EQ(input_key_action_of(7), input_key_bell);
  for (uint8_t k : {10, 11, 12, 28, 29, 30, 31}) EXPECT_EQ(input_key_action_of(k), input_key_ignored) << int(k);
  for (int k : {0, 1, 27, 32, int{'0'}, int{'a'}, 255}) EXPECT_EQ(input_key_action_of(static_cast<uint8_t>(k)), input_key_type) << k;
}

TEST_F(InputValidation, TheLineHoldsAtMost255Characters) {
  str_desc* name = new_string();
  const input_variable var{string_type, name};
  input_editor ed;
  input_editor_begin(&ed, &var, 1);
  for (int i = 0; i < 255; ++i) ASSERT_TRUE(input_editor_type(&ed, 'x')) << i;
  EXPECT_FALSE(input_editor_type(&ed, 'y'));
  EXPECT_EQ(ed.len, 255);
  EXPECT_EQ(text_of(name), std::string(255, 'x'));
}

// Strings, quotes and several variables: keys typed in order with the
// accepted mask and the texts or values of the variables afterwards.
struct list_case {
  std::vector<uint32_t> types;  // string_type, (string_type | input_line_mode), or a numeric type word
  const char* keys;
  const char* accepted;
  std::vector<std::string> values;
};

TEST_F(InputValidation, StringsQuotesAndSeveralVariables) {
  const list_case cases[] = {
      {{string_type}, "hello, world", "111110111111", {"hello world"}},
      {{string_type}, "\"a,b\"", "11111", {"a,b"}},
      {{string_type}, "\"a\"b", "1110", {"a"}},
      {{string_type}, "a\"b\"", "1111", {"a\"b\""}},
      {{string_type}, " +-&", "1111", {" +-&"}},
      {{string_type | input_line_mode}, "a,\"b\",c", "11111111", {"a,\"b\",c"}},
      {{string_type, 16}, "\"x,y\",5", "1111111", {"x,y", "5"}},
      {{string_type, 16}, "\"x\"5,a6", "1110101", {"x", "6"}},
      {{16, 16}, "1,2,3", "11101", {"1", "23"}},
      {{16, 32}, "1,,", "110", {"1", "0"}},
      {{16, 32}, ",40000", "111111", {"0", "40000"}},
      {{16, 16}, "40000,", "111101", {"4000", "0"}},
      {{single_type, string_type}, "1.5,\"", "11111", {"1.5", ""}},
      {{16}, "\"12\"", "1111", {"12"}},
      {{16}, "\"1a", "110", {"1"}},
  };
  for (const list_case& c : cases) {
    SCOPED_TRACE(std::string("keys \"") + c.keys + "\"");
    std::vector<input_variable> vars;
    std::vector<numeric_slot> slots(c.types.size());
    for (size_t i = 0; i < c.types.size(); ++i) {
      if (c.types[i] & input_string) {
        str_desc* s = new_string();
        str_assign(s, str_from_cstr("old"));
        vars.push_back({c.types[i], s});
      } else {
        std::memset(slots[i].bytes, 0x5A, sizeof slots[i].bytes);
        vars.push_back({c.types[i], slots[i].bytes});
      }
    }
    input_editor ed;
    input_editor_begin(&ed, vars.data(), static_cast<int32_t>(vars.size()));
    std::string line;
    for (size_t k = 0; c.keys[k]; ++k) {
      const bool accept = c.accepted[k] == '1';
      EXPECT_EQ(input_editor_type(&ed, static_cast<uint8_t>(c.keys[k])), accept) << "key " << k;
      if (accept) line += c.keys[k];
    }
    EXPECT_EQ(line_of(ed), line);
    for (size_t i = 0; i < vars.size(); ++i) {
      if (c.types[i] & input_string)
        EXPECT_EQ(text_of(static_cast<str_desc*>(vars[i].target)), c.values[i]) << "variable " << i;
      else
        EXPECT_EQ(value_text(c.types[i], slots[i].bytes), c.values[i]) << "variable " << i;
    }
  }
}

TEST_F(InputValidation, FixedLengthStringsAreFilledWithSpacesAndLimitTheText) {
  char memory[4] = {'q', 'q', 'q', '!'};
  str_desc* fixed = str_over_memory(memory, 3, false);
  const input_variable var{string_type, fixed};
  input_editor ed;
  input_editor_begin(&ed, &var, 1);
  EXPECT_EQ(std::string(memory, 4), "   !");
  EXPECT_TRUE(input_editor_type(&ed, 'a'));
  EXPECT_EQ(std::string(memory, 4), "a  !");
  EXPECT_TRUE(input_editor_type(&ed, 'b'));
  EXPECT_TRUE(input_editor_type(&ed, 'c'));
  EXPECT_FALSE(input_editor_type(&ed, 'd'));
  EXPECT_EQ(std::string(memory, 4), "abc!");
  EXPECT_TRUE(input_editor_backspace(&ed));
  EXPECT_EQ(std::string(memory, 4), "ab !");
  str_free(fixed);
}

TEST_F(InputValidation, VariablesBeyondTheLastFieldAreEmptiedAgain) {
  int16_t a = 0, b = 0;
  str_desc* name = new_string();
  const input_variable vars[] = {{16, &a}, {16, &b}, {string_type, name}};
  input_editor ed;
  input_editor_begin(&ed, vars, 3);
  for (char c : std::string("1,2,xy")) ASSERT_TRUE(input_editor_type(&ed, static_cast<uint8_t>(c)));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_EQ(text_of(name), "xy");
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(input_editor_backspace(&ed));
  EXPECT_EQ(line_of(ed), "1,2");
  EXPECT_EQ(text_of(name), "");
  ASSERT_TRUE(input_editor_backspace(&ed));
  ASSERT_TRUE(input_editor_backspace(&ed));
  EXPECT_EQ(line_of(ed), "1");
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 0);
}

TEST_F(InputValidation, BackspaceInPrefixedFormsAndQuotes) {
  int64_t v = 0;
  const input_variable var{64, &v};
  input_editor ed;
  input_editor_begin(&ed, &var, 1);
  for (char c : std::string("&H7F")) ASSERT_TRUE(input_editor_type(&ed, static_cast<uint8_t>(c)));
  EXPECT_EQ(v, 0x7F);
  ASSERT_TRUE(input_editor_backspace(&ed));
  EXPECT_EQ(line_of(ed), "&H7");
  EXPECT_EQ(v, 7);
  ASSERT_TRUE(input_editor_backspace(&ed));
  EXPECT_EQ(v, 0);
  str_desc* name = new_string();
  const input_variable text{string_type, name};
  input_editor_begin(&ed, &text, 1);
  for (char c : std::string("\"ab\"")) ASSERT_TRUE(input_editor_type(&ed, static_cast<uint8_t>(c)));
  EXPECT_FALSE(input_editor_type(&ed, 'c'));
  ASSERT_TRUE(input_editor_backspace(&ed));
  EXPECT_EQ(line_of(ed), "\"ab");
  EXPECT_EQ(text_of(name), "ab");
  EXPECT_TRUE(input_editor_type(&ed, 'c'));
  EXPECT_EQ(text_of(name), "abc");
}

TEST_F(InputValidation, SplitFields) {
  input_field fields[input_fields_max];
  auto split = [&](const std::string& line, int32_t count, bool line_mode) {
    const int32_t n = input_split_fields(reinterpret_cast<const uint8_t*>(line.data()), static_cast<int32_t>(line.size()),
                                         count, line_mode, fields);
    std::string out = std::to_string(n);
    for (int32_t i = 0; i < n; ++i) out += "|" + line.substr(static_cast<size_t>(fields[i].start), static_cast<size_t>(fields[i].len));
    return out;
  };
  EXPECT_EQ(split("", 1, false), "1|");
  EXPECT_EQ(split("a,b", 2, false), "2|a|b");
  EXPECT_EQ(split("a,b", 1, false), "-1");
  EXPECT_EQ(split("a,b", 1, true), "1|a,b");
  EXPECT_EQ(split("\"a,b\",c", 2, false), "2|a,b|c");
  EXPECT_EQ(split("\"a,b", 1, false), "1|a,b");
  EXPECT_EQ(split("\"\"", 1, false), "1|");
  EXPECT_EQ(split("\"a\" ", 1, false), "-1");
  EXPECT_EQ(split("x\"y\",\"", 3, false), "2|x\"y\"|");
  EXPECT_EQ(split(",,", 3, false), "3|||");
  EXPECT_EQ(split("a", 0, false), "-1");
  // 255 commas make 256 fields, the most a line can hold.
  EXPECT_EQ(split(std::string(255, ','), 1000, false).substr(0, 4), "256|");
}

TEST_F(InputValidation, TypeWordsInputCanFill) {
  for (uint32_t t : {8u, 16u, 32u, 64u, 8 | u, 64 | u, single_type, double_type, extended_type, string_type,
                     string_type | input_line_mode, 16 | input_not_raw})
    EXPECT_TRUE(input_type_known(t)) << t;
  for (uint32_t t : {0u, 24u, 128u, 256u, 16 | input_float, 8 | input_float, 0 | input_float})
    EXPECT_FALSE(input_type_known(t)) << t;
}

}  // namespace
