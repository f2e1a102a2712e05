// Quintaro, compiled: how many samples a beat, a bar and each note value last at
// a sample rate and tempo. Every statement is followed by its frame: the release
// of its temporary strings and the event test with its source line number.
#include <cstdint>

#include "runtime/core/core.h"
#include "runtime/frame/frame.h"
#include "runtime/host/host.h"
#include "runtime/input/input.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

namespace {

// The program's variables, in declaration order.
int32_t* sample_rate = nullptr;
int16_t* bpm = nullptr;
int32_t* samples_per_minute = nullptr;
int32_t* samples_per_beat = nullptr;
str_desc** key_pressed = nullptr;

str_desc* literal(const char* text) { return str_from_cstr(text); }

// One PRINT item: a new line first when it does not fit the rest of the line.
void print_fitted(str_desc* work) {
  make_fit(work);
  print_text(work, 0);
}

void end_print_line() { print_text(literal(""), 1); }

// PRINT of one literal: fitted to the line, then the end of the line.
void print_item(const char* text, uint32_t mark, int32_t line) {
  str_desc* work = str_new(0, false);
  str_assign(work, literal(text));
  if (error_report.pending.load() == 0) {
    print_fitted(work);
    end_print_line();
  }
  str_free(work);
  statement_end(line, mark);
}

// PRINT label, number; "samples.": the comma moves to the next zone, the number
// text carries its sign place and one blank after it.
void print_number_line(const char* label, str_desc* (*number_text)(), uint32_t mark, int32_t line) {
  str_desc* work = str_new(0, false);
  str_assign(work, literal(label));
  if (error_report.pending.load() == 0) {
    print_fitted(work);
    next_zone();
    str_assign(work, str_concat(number_text(), literal(" ")));
    if (error_report.pending.load() == 0) {
      print_fitted(work);
      str_assign(work, literal("samples."));
      if (error_report.pending.load() == 0) {
        print_fitted(work);
        end_print_line();
      }
    }
  }
  str_free(work);
  statement_end(line, mark);
}

// Products of lines 13-17: 32-bit arithmetic that wraps, sign-extended to 64 bits.
template <int32_t k>
str_desc* beat_times() {
  const int32_t product = static_cast<int32_t>(static_cast<uint32_t>(*samples_per_beat) * static_cast<uint32_t>(k));
  return text_of_int64(static_cast<int64_t>(product));
}

str_desc* beat() { return text_of_int32(*samples_per_beat); }

// Lines 19-21: extended precision, rounded to single precision.
template <int32_t eighths>
str_desc* beat_fraction() {
  const double factor = eighths / 8.0;
  return text_of_single(static_cast<float>(static_cast<long double>(*samples_per_beat) * factor));
}

void input_line(const char* prompt, uint32_t type_word, void* variable, uint32_t mark, int32_t line) {
  print_text(literal(prompt), 0);
  input_set_variable(1, type_word, variable);
  input_statement(1, 1);
  if (run_flags.shutdown_started.load()) stop_program_thread();
  statement_end(line, mark);
}

}  // namespace

void program_main() {
  const uint32_t mark = program_preamble();
  if (!sample_rate) sample_rate = static_cast<int32_t*>(arena_alloc(sizeof(int32_t)));
  if (!bpm) bpm = static_cast<int16_t*>(arena_alloc(sizeof(int16_t)));
  if (!samples_per_minute) samples_per_minute = static_cast<int32_t*>(arena_alloc(sizeof(int32_t)));
  if (!samples_per_beat) samples_per_beat = static_cast<int32_t*>(arena_alloc(sizeof(int32_t)));
  if (!key_pressed) {
    key_pressed = static_cast<str_desc**>(arena_alloc(sizeof(str_desc*)));
    *key_pressed = str_new(0, false);
  }
  // A program started by CHAIN would take over the previous program's state here.

  cls(0, 0, 0);  // 3: CLS
  statement_end(3);
  screen_set(11, 0, 0, 0, 0, 1);  // 4: SCREEN 11
  statement_end(4);
  print_item("Quintaro v1.0", mark, 5);
  print_item("By Marrowby", mark, 6);
  input_line("Sample rate: ", 32, sample_rate, mark, 7);
  input_line("BPM: ", 16, bpm, mark, 8);

  // 10: samples_per_minute = sample_rate * 60 (wraps modulo 2^32)
  *samples_per_minute = static_cast<int32_t>(static_cast<uint32_t>(*sample_rate) * 60u);
  statement_end(10);
  // 11: samples_per_beat = samples_per_minute / bpm, divided in extended precision
  *samples_per_beat = static_cast<int32_t>(static_cast<uint32_t>(extended_to_int64_bits(
      static_cast<long double>(*samples_per_minute) / static_cast<long double>(*bpm))));
  statement_end(11);

  print_number_line("4 measures = ", beat_times<64>, mark, 13);
  print_number_line("2 measures = ", beat_times<32>, mark, 14);
  print_number_line("Measure = ", beat_times<16>, mark, 15);
  print_number_line("Whole note = ", beat_times<4>, mark, 16);
  print_number_line("1/2 note = ", beat_times<2>, mark, 17);
  print_number_line("1/4 note = ", beat, mark, 18);
  print_number_line("1/8 note = ", beat_fraction<4>, mark, 19);
  print_number_line("1/16 note = ", beat_fraction<2>, mark, 20);
  print_number_line("1/32 note = ", beat_fraction<1>, mark, 21);
  print_item("", mark, 22);
  print_item("Press any key to quit.", mark, 23);

  str_assign(*key_pressed, literal(""));  // 24: key_pressed = ""
  statement_end(24, mark);
  for (;;) {  // 25: DO WHILE key_pressed = ""
    const bool waiting = str_equal(*key_pressed, literal("")) != 0;
    str_cleanup(mark);
    if (!waiting && error_report.pending.load() == 0) break;
    statement_end(25);
    str_assign(*key_pressed, inkey());  // 26: key_pressed = INKEY$
    statement_end(26, mark);
  }  // 27: LOOP

  program_end();  // 28: END
}
