// GET and PUT of variables, strings and FIELD records in RANDOM and BINARY files.
#include <cstring>

#include "runtime/os/detail/file_bytes.h"
#include "runtime/strings/strings.h"
#include "tests/unit/os/file_test_support.h"

namespace {

std::string get_text(int32_t number, int64_t position, bool given, str_desc* into = nullptr) {
  str_desc* v = into ? into : str_new(0, false);
  get_string(number, position, given, v);
  const std::string text = text_of(v);
  if (!into) str_free(v);
  return text;
}

TEST_F(file_test, a_string_in_record_2_of_128_byte_records) {
  ASSERT_EQ(open("r", k_random, 1), 0);
  put_string(1, 2, 1, str_from_cstr("hello"));
  EXPECT_EQ(record_of(1)->position, 256u);
  EXPECT_EQ(get_text(1, 2, true), "hello");
  EXPECT_EQ(take_error(), 0);
  file_close(1, 1);
  const std::string bytes = contents("r");
  ASSERT_EQ(bytes.size(), 135u);
  EXPECT_EQ(bytes.substr(128), std::string("\x05\x00hello", 7));
  EXPECT_EQ(bytes.substr(0, 128), std::string(128, '\0'));
}

TEST_F(file_test, long_strings_take_the_8_byte_header) {
  ASSERT_EQ(open("r", k_random, 1, 0, 0, 40000), 0);
  const std::string text(33000, 'q');
  put_string(1, 1, 1, str_from_text(text.data(), static_cast<uint32_t>(text.size())));
  EXPECT_EQ(get_text(1, 1, true), text);
  file_close(1, 1);
  // 33000 = 1 * 32768 + 232: low 15 bits with bit 15 set, then 1, then two zero bytes.
  EXPECT_EQ(contents("r").substr(0, 8), std::string("\xe8\x80\x01\x00\x00\x00\x00\x00", 8));
}

TEST_F(file_test, record_numbers_and_lengths_out_of_range) {
  ASSERT_EQ(open("r", k_random, 1), 0);
  ASSERT_EQ(open("b", k_binary, 2), 0);
  char block[200] = {};
  struct row {
    int32_t number;
    int64_t position;
    int64_t length;
    int32_t error;
  } rows[] = {
      {1, 0, 4, 63}, {2, 0, 4, 63}, {1, -5, 4, 63}, {1, 1, 200, 59}, {1, 1, 128, 0}, {2, 1, 200, 0},
      {1, INT64_MAX, 4, 63}, {9, 1, 4, 52},
  };
  for (const row& r : rows) {
    put_bytes(r.number, r.position, 1, block, r.length);
    EXPECT_EQ(take_error(), r.error) << "PUT #" << r.number << ", " << r.position << " of " << r.length;
    get_bytes(r.number, r.position, 1, block, r.length);
    EXPECT_EQ(take_error(), r.error) << "GET #" << r.number << ", " << r.position << " of " << r.length;
  }
  put_string(1, 1, 1, str_from_text(block, 127));  // 2 + 127 bytes do not fit 128
  EXPECT_EQ(take_error(), 59);
}

TEST_F(file_test, short_blocks_move_to_the_end_of_the_record_and_short_reads_zero_fill) {
  ASSERT_EQ(open("r", k_random, 1, 0, 0, 16), 0);
  const int32_t value = 0x01020304;
  put_bytes(1, 3, 1, &value, 4);
  EXPECT_EQ(record_of(1)->position, 48u);
  put_bytes(1, 0, 0, &value, 4);  // record 4 from where the last one ended
  EXPECT_EQ(record_of(1)->position, 64u);
  int64_t read_back = -1;
  get_bytes(1, 4, 1, &read_back, 8);
  EXPECT_EQ(read_back, 0x01020304);
  get_bytes(1, 9, 1, &read_back, 8);  // past the end: zeros and EOF
  EXPECT_EQ(read_back, 0);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(file_eof(1), -1);
}

TEST_F(file_test, damaged_records_are_error_59_and_leave_the_variable_alone) {
  struct row {
    const char* what;
    std::string record;  // record 1 of an 8-byte-record file
    int32_t error;
    std::string text;
  } rows[] = {
      {"length past the record", std::string("\x07\x00" "abcdef", 8), 59, "keep"},
      {"8-byte header past the record", std::string("\x01\x80\x01\x00\x00\x00\x00\x00", 8), 59, "keep"},
      {"truncated record", std::string("\x03\x00" "ab", 4), 0, std::string("ab\0", 3)},
      {"header cut after one byte", std::string("\x02", 1), 0, std::string("\0\0", 2)},
      {"empty file", "", 0, ""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    make("d", r.record);
    ASSERT_EQ(open("d", k_random, 1, 0, 0, 8), 0);
    str_desc* v = str_new(0, false);
    str_assign(v, str_from_cstr("keep"));
    EXPECT_EQ(get_text(1, 0, false, v), r.text);
    EXPECT_EQ(take_error(), r.error);
    // A refused record leaves the position at its start; a read one at its end.
    EXPECT_EQ(record_of(1)->position, r.error != 0 || r.record.empty() ? 0u : 8u);
    str_free(v);
    file_close(1, 1);
  }
}

TEST_F(file_test, field_strings_follow_get_and_lset_reaches_put) {
  ASSERT_EQ(open("f", k_random, 1, 0, 0, 10), 0);
  str_desc* name = str_new(0, false);
  str_desc* code = str_new(0, false);
  const int32_t widths[] = {6, 4};
  str_desc* const vars[] = {name, code};
  field_statement(1, 2, widths, vars);
  EXPECT_EQ(text_of(name), std::string(6, '\0'));
  str_lset(name, str_from_cstr("Ada"));
  str_rset(code, str_from_cstr("7"));
  put_record(1, 2, 1);
  str_lset(name, str_from_cstr("Bob"));
  put_record(1, 1, 1);
  get_record(1, 2, 1);
  EXPECT_EQ(text_of(name), "Ada   ");
  EXPECT_EQ(text_of(code), "   7");

  // LET ends the binding: GET no longer changes the string.
  str_assign(name, str_from_cstr("mine"));
  get_record(1, 1, 1);
  EXPECT_EQ(text_of(name), "mine");
  EXPECT_EQ(text_of(code), "   7");

  const int32_t too_wide[] = {11};
  field_statement(1, 1, too_wide, vars);
  EXPECT_EQ(take_error(), 50);
  file_close(1, 1);
  EXPECT_EQ(code->field_link, nullptr);
  EXPECT_EQ(contents("f"), "Bob      7Ada      7");
  str_free(name);
  str_free(code);
}

TEST_F(file_test, a_freed_field_string_leaves_its_record) {
  ASSERT_EQ(open("f", k_random, 1, 0, 0, 4), 0);
  str_desc* a = str_new(0, false);
  str_desc* b = str_new(0, false);
  const int32_t widths[] = {2, 2};
  str_desc* const vars[] = {a, b};
  field_statement(1, 2, widths, vars);
  str_free(a);
  str_lset(b, str_from_cstr("zz"));
  put_record(1, 1, 1);
  get_record(1, 1, 1);
  EXPECT_EQ(text_of(b), "zz");
  EXPECT_EQ(take_error(), 0);
  str_free(b);
  file_close(1, 1);
  EXPECT_EQ(contents("f"), std::string("\0\0zz", 4));
}

TEST_F(file_test, records_far_apart_and_blocks_larger_than_the_buffer) {
  ASSERT_EQ(open("big", k_binary, 1), 0);
  std::string block(file_buffer_size * 2 + 5, 'b');
  put_bytes(1, 0, 0, "head", 4);
  put_bytes(1, 0, 0, block.data(), static_cast<int64_t>(block.size()));
  put_bytes(1, 0, 0, "tail", 4);
  put_bytes(1, 1000000, 1, "far", 3);
  EXPECT_EQ(file_lof(1), 1000002);
  std::string back(block.size() + 8, '?');
  get_bytes(1, 1, 1, back.data(), static_cast<int64_t>(back.size()));
  EXPECT_EQ(back, "head" + block + "tail");
  file_close(1, 1);
  const std::string bytes = contents("big");
  EXPECT_EQ(bytes.size(), 1000002u);
  EXPECT_EQ(bytes.substr(999999), "far");
}

// Access comes before length and mode-specific checks; SCRN: takes no bytes.
TEST_F(file_test, puts_that_may_not_write_are_75) {
  make("r", std::string(64, 'x'));
  ASSERT_EQ(open("r", k_random, 1, 2, 0, 16), 0);
  put_string(1, 1, 1, str_from_cstr("far longer than sixteen bytes"));
  EXPECT_EQ(take_error(), 75);
  ASSERT_EQ(open("SCRN:", k_binary, 2), 0);
  put_bytes(2, 0, 0, "abc", 3);
  EXPECT_EQ(take_error(), 75);
  put_string(2, 0, 0, str_from_cstr("abc"));
  EXPECT_EQ(take_error(), 75);
  ASSERT_EQ(open("SCRN:", k_random, 3), 0);
  put_record(3, 0, 0);
  EXPECT_EQ(take_error(), 75);
}

}  // namespace
