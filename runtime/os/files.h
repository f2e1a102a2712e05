#pragma once
// The file statements: OPEN, CLOSE and FREEFILE; PRINT #, WRITE #, INPUT #
// (string and numeric fields) and LINE INPUT #; EOF, LOF, LOC and SEEK; GET and
// PUT of variables, strings and FIELD records. Files are named by number; the
// numbers reach up to 2,147,483,647.
//
// Names: disk files (a backslash in a name is a slash, so names written either
// way work; letter case is kept), "SCRN:" in any case (the screen), and
// "COMn" or "COMn:settings" in any case (serial port n, 1-255), e.g.
// "COM1:9600,N,8,1,CS2000,DS500". Serial port n is the device /dev/ttyS(n-1),
// or the one the environment variable QUINTARO_COMn names.
//
// Every statement returns at once while an error is pending and reports its
// own failures with raise_error. Program thread, except files_init (start-up)
// and flush_all_files (any thread, at process exit).
#include <cstdint>

#include "runtime/os/file_numbers.h"
#include "runtime/strings/string_engine.h"

// Start-up: buffered bytes are written out however the process ends (exit,
// fatal error, SIGTERM or SIGINT).
void files_init();

// Writes every open file's buffered bytes (process exit; the files stay open).
void flush_all_files();

// OPEN name FOR kind ACCESS access LOCK lock AS #number LEN = length.
// kind: 0 or 1 RANDOM, 2 BINARY, 3 INPUT, 4 OUTPUT, 5 APPEND. access: 0 none,
// 1 READ WRITE, 2 READ, 3 WRITE. lock: 0 none, 1 SHARED, 2 LOCK READ WRITE,
// 3 LOCK READ, 4 LOCK WRITE. length: positive, or -1 for the default.
void file_open(const str_desc* name, int32_t kind, int32_t access, int32_t lock, int32_t number, int64_t length,
               int32_t length_given);
// OPEN mode$, #number, name$, length: the first letter of mode$ is R, B, I, O or A.
void file_open_letter(const str_desc* mode_text, int32_t number, const str_desc* name, int64_t length,
                      int32_t length_given);
// CLOSE #number (given = 1; a negative number is the complement of a network
// handle), or CLOSE of everything (given = 0).
void file_close(int32_t number, int32_t given);
int32_t file_freefile();

// PRINT #: text, then one space (space_after), the next 14-column zone
// (next_zone) and CR LF (new_line).
void print_to_file(int32_t number, const str_desc* text, int32_t space_after, int32_t next_zone, int32_t new_line);
// WRITE #: one item; quoted for strings, a number's text loses its leading
// space. A comma follows, or CR LF after the last item.
void write_item_to_file(int32_t number, const str_desc* text, int32_t quoted, int32_t last);
// INPUT # into a string variable.
void input_string_from_file(int32_t number, str_desc* variable);
// INPUT # of a number: the field's text read by the VAL rules.
long double input_number_from_file(int32_t number);
// LINE INPUT #: the rest of the line without its line end.
void line_input_from_file(int32_t number, str_desc* variable);

int32_t file_eof(int32_t number);       // -1 at the end, else 0
int64_t file_lof(int32_t number);
int64_t file_loc(int32_t number);
int64_t file_seek_function(int32_t number);                  // SEEK(n): next record or byte, from 1
void file_seek_statement(int32_t number, int64_t position);  // SEEK #n, position

// GET and PUT of a variable's bytes, and of a variable-length string. position
// is a record number (RANDOM) or byte number (BINARY) from 1.
void get_bytes(int32_t number, int64_t position, int32_t position_given, void* block, int64_t length);
void put_bytes(int32_t number, int64_t position, int32_t position_given, const void* block, int64_t length);
void get_string(int32_t number, int64_t position, int32_t position_given, str_desc* text);
void put_string(int32_t number, int64_t position, int32_t position_given, const str_desc* text);
// GET and PUT without a variable: the record buffer that FIELD binds strings to.
void get_record(int32_t number, int64_t position, int32_t position_given);
void put_record(int32_t number, int64_t position, int32_t position_given);
// FIELD #number, widths[0] AS variables[0], ...
void field_statement(int32_t number, int32_t count, const int32_t* widths, str_desc* const* variables);
