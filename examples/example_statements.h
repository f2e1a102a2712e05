#pragma once
// A few statements the example programs share, written the way a compiled
// program writes them: the work, then the statement's frame (its temporary
// strings released and the event test with its line number). Program thread.
#include <quintaro.h>

#include <string>

namespace example {

// The text of a string, as C++ sees it.
inline std::string text_of(const str_desc* s) { return std::string(reinterpret_cast<const char*>(s->chars), s->len); }

// PRINT text (then a new line unless stay_on_line: PRINT text;).
inline void print_line(const std::string& text, uint32_t mark, int32_t line, bool stay_on_line = false) {
  print_text(str_from_text(text.data(), static_cast<uint32_t>(text.size())), stay_on_line ? 0 : 1);
  statement_end(line, mark);
}

// INPUT prompt; variable (a str_desc* for input_string, else the number's address).
inline void input_one(const char* prompt, uint32_t type_word, void* variable, uint32_t mark, int32_t line) {
  print_text(str_from_cstr(prompt), 0);
  input_set_variable(1, type_word, variable);
  input_statement(1, 1);
  if (run_flags.shutdown_started.load()) stop_program_thread();
  statement_end(line, mark);
}

// DO: k$ = INKEY$: LOOP WHILE k$ = "" and the key it got.
inline std::string wait_key(uint32_t mark, int32_t line) {
  for (;;) {
    const std::string key = text_of(inkey());
    statement_end(line, mark);
    if (!key.empty()) return key;
  }
}

// Waits up to ms milliseconds; a key cuts the wait short (it stays in the buffer).
inline void pause_ms(int32_t ms, int32_t line) {
  program_wait(program_wakes(), ms);
  statement_end(line);
}

}  // namespace example
