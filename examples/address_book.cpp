// Address book: names, telephone numbers and years of birth kept in a RANDOM
// file of 36-byte records (FIELD 20 AS name, 14 AS phone, 2 AS born), with a
// text-mode menu, INPUT for new entries and a PRINT USING report. The file is
// named on the command line (default addresses.dat beside the program).
#include <quintaro.h>

#include <string>

#include "example_statements.h"

namespace {

using example::print_line;
constexpr int32_t record_length = 36;
constexpr int32_t book = 1;  // the file number

// The record buffer's strings (FIELD) and the INPUT variables.
str_desc* name_field = nullptr;
str_desc* phone_field = nullptr;
str_desc* born_field = nullptr;
str_desc* name_input = nullptr;
str_desc* phone_input = nullptr;
int16_t* born_input = nullptr;

int64_t entries() { return file_lof(book) / record_length; }

void title(const std::string& text, uint32_t mark, int32_t line) {
  cls(0, 0, 0);
  color(14, 1, 0, 3);
  print_line(text + std::string(80 - text.size(), ' '), mark, line, true);
  color(7, 0, 0, 3);
  print_line("", mark, line);
}

void add_entry(uint32_t mark) {
  title(" New entry", mark, 20);
  example::input_one("Name: ", input_string, name_input, mark, 21);
  example::input_one("Phone: ", input_string, phone_input, mark, 22);
  example::input_one("Born (year): ", 16, born_input, mark, 23);
  str_lset(name_field, name_input);  // 24: LSET name$ = n$ ...
  str_lset(phone_field, phone_input);
  str_lset(born_field, mk_int16(*born_input));
  statement_end(24, mark);
  put_record(book, entries() + 1, 1);  // 25: PUT #1, LOF(1) \ 36 + 1
  statement_end(25, mark);
}

// PRINT USING "###. "; n; : PRINT name$; phone$; : PRINT USING "####"; CVI(born$)
void report_line(int64_t n, uint32_t mark) {
  str_desc* out = str_new(0, false);
  using_int64(str_from_cstr("###. "), n, 0, out);
  str_append(out, name_field);
  str_append(out, phone_field);
  using_int64(str_from_cstr("####"), cv_int16(born_field), 0, out);
  print_text(out, 1);
  str_free(out);
  statement_end(33, mark);
}

void list_entries(uint32_t mark) {
  title(" No. Name                Phone         Born", mark, 30);
  for (int64_t n = 1; n <= entries(); ++n) {  // 31: FOR n = 1 TO LOF(1) \ 36
    get_record(book, n, 1);  // 32: GET #1, n
    statement_end(32, mark);
    report_line(n, mark);
  }
  print_line("", mark, 34);
  print_line("Press a key for the menu.", mark, 35, true);
  example::wait_key(mark, 36);
}

}  // namespace

void program_main() {
  const uint32_t mark = program_preamble();
  name_field = str_new(0, false);
  phone_field = str_new(0, false);
  born_field = str_new(0, false);
  name_input = str_new(0, false);
  phone_input = str_new(0, false);
  born_input = static_cast<int16_t*>(arena_alloc(sizeof(int16_t)));

  std::string file = command_line_text();  // 1: OPEN COMMAND$ FOR RANDOM AS #1 LEN = 36
  if (file.empty()) file = "addresses.dat";
  file_open(str_from_text(file.data(), static_cast<uint32_t>(file.size())), 1, 0, 0, book, record_length, 1);
  statement_end(1, mark);
  const int32_t widths[] = {20, 14, 2};  // 2: FIELD #1, 20 AS name$, 14 AS phone$, 2 AS born$
  str_desc* const fields[] = {name_field, phone_field, born_field};
  field_statement(book, 3, widths, fields);
  statement_end(2, mark);

  for (;;) {  // 3: DO
    title(" Address book: " + std::to_string(entries()) + " entries", mark, 4);
    print_line("  1  Add an entry", mark, 5);
    print_line("  2  List the entries", mark, 6);
    print_line("  3  Quit", mark, 7);
    print_line("", mark, 8);
    print_line("Choose 1, 2 or 3.", mark, 9, true);
    const std::string key = example::wait_key(mark, 10);
    if (key == "1") add_entry(mark);
    if (key == "2") list_entries(mark);
    if (key == "3" || key == "\x1b") break;
  }  // 11: LOOP UNTIL k$ = "3"

  file_close(book, 1);  // 12: CLOSE #1
  statement_end(12, mark);
  program_end();
}
