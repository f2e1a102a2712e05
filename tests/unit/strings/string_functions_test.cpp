#include "runtime/strings/detail/string_state.h"
#include "runtime/strings/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <functional>
#include <random>
#include <string>

#include "runtime/core/core.h"
#include "tests/unit/strings/string_test_support.h"

namespace {

class string_functions : public string_engine_test {
 protected:
  void TearDown() override {
    run_flags_reset();
  }
};

// The kinds of operand a string function meets.
enum class operand { variable, temporary, literal, fixed_temporary, segment_temporary };
const operand all_operands[] = {operand::variable, operand::temporary, operand::literal, operand::fixed_temporary,
                                operand::segment_temporary};

char fixed_memory[4096];

str_desc* make(operand kind, const std::string& text) {
  const uint32_t n = static_cast<uint32_t>(text.size());
  str_desc* s = nullptr;
  switch (kind) {
    case operand::variable: s = str_new(n, false); break;
    case operand::temporary: s = str_new(n, true); break;
    case operand::literal: return str_from_text(text.data(), n);
    case operand::fixed_temporary: s = str_over_memory(fixed_memory, n, true); break;
    case operand::segment_temporary: s = str_new_in_segment(n, true); break;
  }
  if (n > 0) std::memcpy(s->chars, text.data(), n);
  return s;
}

// Temporaries still listed at or above mark.
uint32_t live_temporaries(uint32_t mark) {
  uint32_t n = 0;
  for (uint32_t i = mark; i < string_heap.temps.count; ++i) n += string_heap.temps.slots[i] != list_hole;
  return n;
}

// Model of a substring function: the expected text, and whether the result is
// the operand itself.
struct model_result {
  std::string text;
  bool whole;
};

// Runs f on an operand of every kind and checks the text, the in-place rule
// and what is left on string_heap.temps.
void check_all_kinds(const std::string& input, const std::function<str_desc*(str_desc*)>& f, const model_result& expected,
                     const std::string& what) {
  for (operand kind : all_operands) {
    SCOPED_TRACE(what + " kind " + std::to_string(static_cast<int>(kind)));
    const uint32_t mark = str_temp_mark();
    str_desc* s = make(kind, input);
    const uint8_t* chars_before = s->chars;
    str_desc* r = f(s);
    ASSERT_EQ(text_of(r), expected.text);
    const bool reusable = kind == operand::temporary;
    if (expected.whole || reusable) {
      EXPECT_EQ(r, s);  // the operand itself, no copy
      if (reusable && !expected.text.empty() && expected.text == input.substr(0, expected.text.size())) {
        EXPECT_EQ(r->chars, chars_before);
      }
    } else {
      EXPECT_NE(r, s);
      EXPECT_TRUE(r->temporary);
      if (kind == operand::variable) {
        EXPECT_EQ(text_of(s), input);  // a variable is never changed
      }
    }
    // A temporary operand that was copied has been released: only the result is left.
    if (kind != operand::variable) {
      EXPECT_EQ(live_temporaries(mark), 1u);
    } else if (!expected.whole) {
      EXPECT_EQ(live_temporaries(mark), 1u);
      str_free(s);
    }
    EXPECT_EQ(engine_invariant_failure(), "");
    str_cleanup(mark);
    if (kind == operand::variable && expected.whole) str_free(s);
  }
}

TEST_F(string_functions, left_right_and_mid_follow_the_model_for_every_operand_kind) {
  const std::string abc = "ABCDE";
  struct row {
    std::string name;
    std::function<str_desc*(str_desc*)> f;
    std::string text;
  };
  const row rows[] = {
      {"LEFT$ 2", [](str_desc* s) { return str_left(s, 2); }, "AB"},
      {"LEFT$ -1", [](str_desc* s) { return str_left(s, -1); }, ""},
      {"LEFT$ 0", [](str_desc* s) { return str_left(s, 0); }, ""},
      {"LEFT$ 9", [](str_desc* s) { return str_left(s, 9); }, "ABCDE"},
      {"RIGHT$ 2", [](str_desc* s) { return str_right(s, 2); }, "DE"},
      {"RIGHT$ -5", [](str_desc* s) { return str_right(s, -5); }, ""},
      {"RIGHT$ 5", [](str_desc* s) { return str_right(s, 5); }, "ABCDE"},
      {"MID$ 0,3", [](str_desc* s) { return str_mid(s, 0, 3, 1); }, "AB"},
      {"MID$ 4", [](str_desc* s) { return str_mid(s, 4, 0, 0); }, "DE"},
      {"MID$ 6", [](str_desc* s) { return str_mid(s, 6, 0, 0); }, ""},
      {"MID$ 2,2", [](str_desc* s) { return str_mid(s, 2, 2, 1); }, "BC"},
      {"MID$ 2,0", [](str_desc* s) { return str_mid(s, 2, 0, 1); }, ""},
      {"MID$ 3,99", [](str_desc* s) { return str_mid(s, 3, 99, 1); }, "CDE"},
      {"MID$ -3,4", [](str_desc* s) { return str_mid(s, -3, 4, 1); }, ""},
      {"MID$ -3,6", [](str_desc* s) { return str_mid(s, -3, 6, 1); }, "AB"},
      {"MID$ -7", [](str_desc* s) { return str_mid(s, -7, 0, 0); }, "ABCDE"},
      {"MID$ 1,5", [](str_desc* s) { return str_mid(s, 1, 5, 1); }, "ABCDE"},
      {"MID$ 5,1", [](str_desc* s) { return str_mid(s, 5, 1, 1); }, "E"},
      {"MID$ big", [](str_desc* s) { return str_mid(s, INT32_MIN, INT32_MAX, 1); }, ""},
      {"MID$ big 2", [](str_desc* s) { return str_mid(s, 2, INT32_MAX, 1); }, "BCDE"},
  };
  for (const row& r : rows) check_all_kinds(abc, r.f, {r.text, r.text == abc}, r.name);
}

TEST_F(string_functions, trimming_and_case) {
  struct row {
    std::string name;
    std::function<str_desc*(str_desc*)> f;
    std::string input;
    std::string text;
  };
  const row rows[] = {
      {"LTRIM$", str_ltrim, "  ab ", "ab "},
      {"LTRIM$ tab", str_ltrim, "\t ab", "\t ab"},
      {"LTRIM$ none", str_ltrim, "ab ", "ab "},
      {"LTRIM$ all", str_ltrim, "   ", ""},
      {"LTRIM$ empty", str_ltrim, "", ""},
      {"RTRIM$", str_rtrim, " ab  ", " ab"},
      {"RTRIM$ tab", str_rtrim, "ab \t", "ab \t"},
      {"RTRIM$ all", str_rtrim, "  ", ""},
      {"UCASE$", str_ucase, "abc xyz 09 {`@[", "ABC XYZ 09 {`@["},
      {"UCASE$ high", str_ucase, "\xe4\xe9z\xff", "\xe4\xe9Z\xff"},
      {"UCASE$ empty", str_ucase, "", ""},
      {"LCASE$", str_lcase, "ABC XYZ 09 {`@[", "abc xyz 09 {`@["},
      {"LCASE$ high", str_lcase, "\xc4\xc9Z\xdf", "\xc4\xc9z\xdf"},
  };
  for (const row& r : rows) {
    const bool case_change = r.name.find("CASE") != std::string::npos;
    // Case functions always write, so only an empty string comes back as itself.
    const bool whole = case_change ? r.input.empty() : r.text == r.input;
    check_all_kinds(r.input, r.f, {r.text, whole}, r.name);
  }
}

TEST_F(string_functions, building_functions) {
  for (int code = 0; code < 256; ++code) {
    str_desc* c = str_chr(code);
    ASSERT_EQ(text_of(c), std::string(1, static_cast<char>(code)));
    EXPECT_TRUE(c->temporary);
  }
  for (int code : {-1, 256, 100000}) {
    EXPECT_EQ(text_of(str_chr(code)), "");
    EXPECT_EQ(error_report.pending.load(), 5);
    error_report.pending.store(0);
  }
  EXPECT_EQ(text_of(str_space(3)), "   ");
  EXPECT_EQ(text_of(str_space(0)), "");
  EXPECT_EQ(text_of(str_space(-4)), "");
  EXPECT_EQ(text_of(str_string(4, '*')), "****");
  EXPECT_EQ(text_of(str_string(2, 256 + 'A')), "AA");  // low 8 bits
  EXPECT_EQ(text_of(str_string(1, -1)), "\xff");
  EXPECT_EQ(text_of(str_string(-1, 'x')), "");
  EXPECT_EQ(error_report.pending.load(), 0);
  str_cleanup(1);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(string_functions, date_and_time_are_local_clock_texts) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    const std::time_t before = std::time(nullptr);
    const std::string date = text_of(str_date());
    const std::string time = text_of(str_time());
    if (std::time(nullptr) != before) continue;  // the second changed between the calls
    std::tm t;
    localtime_r(&before, &t);
    char expected_date[48], expected_time[48];
    std::snprintf(expected_date, sizeof expected_date, "%02d-%02d-%04d", t.tm_mon + 1, t.tm_mday, t.tm_year + 1900);
    std::snprintf(expected_time, sizeof expected_time, "%02d:%02d:%02d", t.tm_hour, t.tm_min, t.tm_sec);
    EXPECT_EQ(date, expected_date);
    EXPECT_EQ(time, expected_time);
    EXPECT_EQ(date.size(), 10u);
    EXPECT_EQ(time.size(), 8u);
    return;
  }
  FAIL() << "the clock kept moving";
}

TEST_F(string_functions, reading_functions_never_release) {
  str_desc* s = temp_text("A\xff");
  EXPECT_EQ(str_len(s), 2);
  EXPECT_EQ(str_asc(s), 65);
  EXPECT_EQ(str_asc_at(s, 2), 255);
  EXPECT_EQ(string_heap.temps.slots[s->temp_index], s);
  EXPECT_EQ(error_report.pending.load(), 0);
  struct row {
    const char* text;
    int32_t position;
  };
  const row bad[] = {{"", 1}, {"AB", 0}, {"AB", 3}, {"AB", -1}};
  for (const row& r : bad) {
    EXPECT_EQ(str_asc_at(temp_text(r.text), r.position), 0);
    EXPECT_EQ(error_report.pending.load(), 5);
    error_report.pending.store(0);
  }
  EXPECT_EQ(str_asc(temp_text("")), 0);
  EXPECT_EQ(error_report.pending.load(), 5);
}

TEST_F(string_functions, instr) {
  struct row {
    int32_t start;  // 0: not given
    const char* s;
    const char* search;
    int32_t result;
    bool given;
  };
  const row rows[] = {
      {0, "ABCABC", "C", 3, false},   {4, "ABCABC", "C", 6, true},  {0, "ABCABC", "", 1, false},
      {3, "ABCABC", "", 3, true},     {0, "", "", 0, false},         {0, "", "A", 0, false},
      {0, "ABC", "ABCD", 0, false},   {7, "ABCABC", "", 0, true},    {-2, "ABC", "", 0, true},
      {-2, "ABC", "B", 2, true},      {0, "ABC", "B", 2, true},      {6, "ABCABC", "C", 6, true},
      {6, "ABCABC", "BC", 0, true},   {5, "ABCABC", "BC", 5, true},  {0, "aaab", "aab", 2, false},
      {0, "abc", "ABC", 0, false},
  };
  for (const row& r : rows)
    EXPECT_EQ(str_instr(r.start, temp_text(r.s), temp_text(r.search), r.given ? 1 : 0), r.result)
        << r.start << " " << r.s << " " << r.search;
  // Bytes of every value, zero bytes among them, against std::string::find.
  std::mt19937 rng(4);
  for (int i = 0; i < 20000; ++i) {
    std::string s(rng() % 12, ' '), search(rng() % 4, ' ');
    for (char& c : s) c = static_cast<char>(rng() % 3 == 0 ? 0 : 'a' + rng() % 3);
    for (char& c : search) c = static_cast<char>(rng() % 3 == 0 ? 0 : 'a' + rng() % 3);
    const int32_t start = static_cast<int32_t>(rng() % 16) - 2;
    int32_t expected = 0;
    if (!s.empty() && !(start <= 0 && search.empty())) {
      const size_t from = static_cast<size_t>(std::max(start, 1) - 1);
      if (from < s.size()) {
        const size_t at = s.find(search, from);
        expected = at == std::string::npos ? 0 : static_cast<int32_t>(at) + 1;
      }
    }
    ASSERT_EQ(str_instr(start, temp_text(s), temp_text(search), 1), expected);
    str_cleanup(1);
  }
}

TEST_F(string_functions, case_blind_comparison) {
  struct row {
    const char* a;
    const char* b;
    int32_t result;
  };
  const row rows[] = {
      {"abc", "ABC", 0},  {"", "", 0},       {"", "a", -1},     {"a", "", 1},     {"ABC", "abd", -1},
      {"b", "A", 1},      {"ab", "AB ", -1}, {"[", "a", -1},    {"Z", "[", 1},    {"\xc4", "\xe4", -1},
  };
  for (const row& r : rows) {
    EXPECT_EQ(str_compare_nocase(temp_text(r.a), temp_text(r.b)), r.result) << r.a << " " << r.b;
    EXPECT_EQ(str_compare_nocase(temp_text(r.b), temp_text(r.a)), -r.result) << r.a << " " << r.b;
  }
  // "[" lies between "Z" and "a": case matters for the plain comparison only.
  EXPECT_EQ(str_compare(temp_text("Z"), temp_text("[")), -1);
}

TEST_F(string_functions, mid_statement) {
  struct row {
    const char* dest;
    int32_t start;
    int32_t length;  // -100: not given
    const char* src;
    const char* result;
  };
  const row rows[] = {
      {"ABCDE", 2, -100, "xy", "AxyDE"},    {"ABCDE", 4, -100, "wxyz", "ABCwx"},
      {"ABCDE", 1, 1, "xyz", "xBCDE"},      {"ABCDE", 0, -100, "xyz", "yzCDE"},
      {"ABCDE", -1, 3, "xyz", "zBCDE"},     {"ABCDE", -2, -100, "xyz", "ABCDE"},
      {"ABCDE", 6, -100, "x", "ABCDE"},     {"ABCDE", 2, 0, "xyz", "ABCDE"},
      {"ABCDE", 2, -5, "xyz", "ABCDE"},     {"ABCDE", 3, 9, "", "ABCDE"},
      {"", 1, -100, "x", ""},               {"ABCDE", 5, 2, "xyz", "ABCDx"},
  };
  for (const row& r : rows) {
    for (operand kind : {operand::variable, operand::temporary, operand::fixed_temporary}) {
      str_desc* dest = make(kind, r.dest);
      str_mid_statement(dest, r.start, r.length, temp_text(r.src), r.length == -100 ? 0 : 1);
      EXPECT_EQ(text_of(dest), r.result) << r.dest << " " << r.start << " " << r.length << " " << r.src;
      EXPECT_EQ(dest->len, static_cast<int32_t>(std::strlen(r.dest)));
      if (!dest->temporary) str_free(dest);
      str_cleanup(1);
    }
  }
  // Into itself: a move.
  str_desc* v = str_new(0, false);
  str_assign(v, temp_text("ABCDEF"));
  str_mid_statement(v, 3, 0, v, 0);
  EXPECT_EQ(text_of(v), "ABABCD");
  str_mid_statement(v, 1, 0, v, 0);
  EXPECT_EQ(text_of(v), "ABABCD");
  // The permanent empty string and literals are never written.
  str_mid_statement(data_segment.empty_string, 1, 0, temp_text("x"), 0);
  EXPECT_EQ(data_segment.empty_string->len, 0);
  static const char constant[] = "KEEP";
  str_desc* literal = str_from_cstr(constant);
  str_mid_statement(literal, 1, 0, temp_text("xx"), 0);
  EXPECT_STREQ(constant, "KEEP");
  // Nothing happens while an error is pending.
  error_report.pending.store(5);
  str_mid_statement(v, 1, 0, temp_text("zz"), 0);
  EXPECT_EQ(text_of(v), "ABABCD");
  error_report.pending.store(0);
  str_free(v);
  str_cleanup(1);
  EXPECT_EQ(string_heap.temps.count, 1u);
  EXPECT_EQ(engine_invariant_failure(), "");
}

TEST_F(string_functions, lset_and_rset) {
  struct row {
    const char* dest;
    const char* src;
    const char* left;
    const char* right;
  };
  const row rows[] = {
      {"12345", "AB", "AB   ", "   AB"},
      {"12345", "ABCDEFG", "ABCDE", "ABCDE"},
      {"12345", "", "     ", "     "},
      {"12345", "ABCDE", "ABCDE", "ABCDE"},
      {"", "AB", "", ""},
  };
  for (const row& r : rows) {
    char memory[8] = "#######";
    str_desc* field = str_over_memory(memory, static_cast<uint32_t>(std::strlen(r.dest)), false);
    std::memcpy(memory, r.dest, std::strlen(r.dest));
    str_lset(field, temp_text(r.src));
    EXPECT_EQ(text_of(field), r.left);
    str_rset(field, temp_text(r.src));
    EXPECT_EQ(text_of(field), r.right);
    EXPECT_EQ(memory[std::strlen(r.dest)], '#');  // nothing written past the field
    EXPECT_EQ(live_temporaries(1), 0u);          // the temporary sources were released
    str_free(field);
  }
  // A variable-length string keeps its length too.
  str_desc* v = str_new(0, false);
  str_assign(v, temp_text("abcd"));
  str_rset(v, temp_text("x"));
  EXPECT_EQ(text_of(v), "   x");
  error_report.pending.store(5);
  str_lset(v, temp_text("yy"));
  EXPECT_EQ(text_of(v), "   x");
  error_report.pending.store(0);
  str_free(v);
}

}  // namespace
