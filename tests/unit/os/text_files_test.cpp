// PRINT #, WRITE #, INPUT #, LINE INPUT # and EOF over files with every kind
// of line end and field, and the buffers that must not lose or hide bytes.
#include <chrono>
#include <vector>

#include "runtime/core/file_flush.h"
#include "runtime/os/detail/file_bytes.h"
#include "tests/unit/os/file_test_support.h"

namespace {

std::string input_string(int32_t number) {
  str_desc* v = str_new(0, false);
  input_string_from_file(number, v);
  const std::string text = text_of(v);
  str_free(v);
  return text;
}

std::string line_input(int32_t number) {
  str_desc* v = str_new(0, false);
  line_input_from_file(number, v);
  const std::string text = text_of(v);
  str_free(v);
  return text;
}

TEST_F(file_test, print_columns_zones_and_line_ends) {
  ASSERT_EQ(open("p", k_output, 1), 0);
  print(1, "AB", true, false);
  EXPECT_EQ(record_of(1)->column, 15u);
  print(1, "C", false, false);
  print_to_file(1, str_from_cstr("D"), 1, 1, 0);  // column 17: a space, then one more, then on to 29
  EXPECT_EQ(record_of(1)->column, 29u);
  print(1, "x\ry\n", false, true);
  EXPECT_EQ(record_of(1)->column, 1u);
  print(1, "ab\rc\nde", false, false);
  EXPECT_EQ(record_of(1)->column, 4u);
  file_close(1, 1);
  EXPECT_EQ(contents("p"), "AB" + std::string(12, ' ') + "CD" + std::string(12, ' ') + "x\ry\n\r\nab\rc\nde");
}

TEST_F(file_test, input_fields) {
  struct row {
    const char* what;
    std::string bytes;
    std::vector<std::string> fields;  // read one by one; the read after them meets the end (62)
  } rows[] = {
      {"CHR$(26) first", std::string("\x1a" "abc", 4), {}},
      {"empty file", "", {}},
      {"commas and line ends", "a,b\r\nc\nd\re\n\rf", {"a", "b", "c", "d", "e", "f"}},
      {"spaces around", "  one  ,  two  \r\n", {"one", "two"}},
      {"quotes keep commas and line ends", "\"x, y\r\nz\" ,next", {"x, y\r\nz", "next"}},
      {"text after a closing quote is passed over", "\"q\"junk,r", {"q", "r"}},
      {"an empty line is an empty field", "\r\nz", {"", "z"}},
      {"CHR$(26) ends the file", std::string("a,b\x1a" "c,d", 7), {"a", "b"}},
      {"NUL bytes are text", std::string("a\0b,c", 5), {std::string("a\0b", 3), "c"}},
      {"no line end at all", "last", {"last"}},
      {"an open quote runs to the end", "\"open", {"open"}},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    make("in", r.bytes);
    ASSERT_EQ(open("in", k_input, 1), 0);
    for (const std::string& f : r.fields) {
      EXPECT_EQ(file_eof(1), 0);
      EXPECT_EQ(input_string(1), f);
      EXPECT_EQ(take_error(), 0);
    }
    EXPECT_EQ(file_eof(1), -1);
    EXPECT_EQ(input_string(1), "");
    EXPECT_EQ(take_error(), 62);
    file_close(1, 1);
  }
}

TEST_F(file_test, line_input_and_numbers) {
  make("in", "first, line\r\n\"quoted\"\n\r\n 12, -3.5E2 ,&H1F\r\n 7 8\r\n\r\n9");
  ASSERT_EQ(open("in", k_input, 1), 0);
  EXPECT_EQ(line_input(1), "first, line");
  EXPECT_EQ(line_input(1), "\"quoted\"");
  EXPECT_EQ(line_input(1), "");
  const std::vector<long double> numbers = {12, -350, 31, 7, 8, 9};
  for (long double n : numbers) EXPECT_EQ(input_number_from_file(1), n);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(file_eof(1), -1);
  EXPECT_EQ(input_number_from_file(1), 0);
  EXPECT_EQ(take_error(), 62);
  line_input(1);
  EXPECT_EQ(take_error(), 62);
}

TEST_F(file_test, write_then_input_gives_the_items_back) {
  ASSERT_EQ(open("w", k_output, 1), 0);
  write_item_to_file(1, str_from_cstr("a, b"), 1, 0);
  write_item_to_file(1, str_from_cstr(" 42"), 0, 0);
  write_item_to_file(1, str_from_cstr("-1.5"), 0, 1);
  write_item_to_file(1, str_from_cstr(""), 1, 1);
  file_close(1, 1);
  EXPECT_EQ(contents("w"), "\"a, b\",42,-1.5\r\n\"\"\r\n");
  ASSERT_EQ(open("w", k_input, 1), 0);
  EXPECT_EQ(input_string(1), "a, b");
  EXPECT_EQ(input_number_from_file(1), 42);
  EXPECT_EQ(input_number_from_file(1), -1.5L);
  EXPECT_EQ(input_string(1), "");
  EXPECT_EQ(file_eof(1), -1);
}

TEST_F(file_test, statements_in_the_wrong_mode) {
  ASSERT_EQ(open("o", k_output, 1), 0);
  ASSERT_EQ(open("r", k_random, 2), 0);
  input_string(1);
  EXPECT_EQ(take_error(), 54);
  print(2, "x");
  EXPECT_EQ(take_error(), 54);
  print(3, "x");
  EXPECT_EQ(take_error(), 52);
  file_eof(1);
  EXPECT_EQ(take_error(), 54);
  ASSERT_EQ(open("w", k_binary, 4, 3), 0);  // ACCESS WRITE
  char buffer[4];
  get_bytes(4, 1, 1, buffer, 4);
  EXPECT_EQ(take_error(), 75);
}

TEST_F(file_test, a_line_longer_than_the_buffer_and_the_limit_on_kept_room) {
  const std::string line(3 * file_buffer_size + 17, 'x');
  make("long", line + "\r\nend");
  ASSERT_EQ(open("long", k_input, 1), 0);
  EXPECT_EQ(line_input(1), line);
  EXPECT_EQ(input_string(1), "end");
}

TEST_F(file_test, two_numbers_on_one_file_see_each_others_bytes) {
  ASSERT_EQ(open("both", k_output, 1), 0);
  print(1, "one");
  ASSERT_EQ(open("both", k_input, 2), 0);
  EXPECT_EQ(input_string(2), "one");
  print(1, "two");
  EXPECT_EQ(input_string(2), "two");
  EXPECT_EQ(file_lof(1), 10);
  EXPECT_EQ(file_lof(2), 10);
}

TEST_F(file_test, loc_lof_and_seek) {
  ASSERT_EQ(open("b", k_binary, 1), 0);
  put_bytes(1, 0, 0, "0123456789", 10);
  EXPECT_EQ(file_loc(1), 10);
  EXPECT_EQ(file_seek_function(1), 11);
  file_seek_statement(1, 3);
  char c[2] = {};
  get_bytes(1, 0, 0, c, 1);
  EXPECT_EQ(c[0], '2');
  EXPECT_EQ(file_lof(1), 10);
  file_seek_statement(1, 0);
  EXPECT_EQ(take_error(), 63);
  ASSERT_EQ(open("r", k_random, 2, 0, 0, 10), 0);
  file_seek_statement(2, 4);
  EXPECT_EQ(file_seek_function(2), 4);
  put_bytes(2, 0, 0, "abc", 3);
  EXPECT_EQ(file_loc(2), 4);
  EXPECT_EQ(file_lof(2), 33);
}

TEST_F(file_test, flush_all_writes_buffered_bytes_and_leaves_files_open) {
  ASSERT_EQ(open("f", k_output, 1), 0);
  for (int i = 0; i < 1000; ++i) print(1, "line " + std::to_string(i));
  flush_all_files();
  const std::string written = contents("f");
  EXPECT_EQ(written.size(), 10u * 8 + 90 * 9 + 900 * 10);
  EXPECT_EQ(written.substr(written.size() - 10), "line 999\r\n");
  EXPECT_EQ(file_number_state(1), 1);
  file_table_reset();  // statements are held from now on, as at process exit
}

// Bytes left in a buffer reach the system soon after the statement, whether
// or not another statement is under way when they are due; a failure there
// is reported by the next statement on the number.
TEST_F(file_test, written_bytes_reach_the_system_promptly) {
  const auto arrives = [&](const std::string& name, const std::string& bytes) {
    const auto start = std::chrono::steady_clock::now();
    while (contents(name) != bytes && std::chrono::steady_clock::now() - start < std::chrono::seconds(2))
      usleep(2000);
    return std::chrono::steady_clock::now() - start;
  };
  ASSERT_EQ(open("f", k_output, 1), 0);
  print(1, "first");
  EXPECT_LT(arrives("f", "first\r\n"), std::chrono::milliseconds(1500));
  print(1, "second");
  {
    files_guard statement_under_way;
    usleep(1000000);
  }
  EXPECT_EQ(contents("f"), "first\r\nsecond\r\n");
  // An error dialog asks, and waits for the bytes before it opens.
  print(1, "third");
  ask_file_flush();
  EXPECT_EQ(contents("f"), "first\r\nsecond\r\nthird\r\n");

  file_open(str_from_cstr("/dev/full"), k_output, 0, 0, 2, 0, 0);
  ASSERT_EQ(take_error(), 0);
  print(2, "lost");
  usleep(300000);
  print(2, "next");
  EXPECT_EQ(take_error(), 61);
}

}  // namespace
