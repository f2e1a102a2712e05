#pragma once
// The printer page: LPRINT output goes to a 640x960 mode-13 image that is
// handed to the printer when it fills, on a form feed, ten seconds after its
// last output (main loop) and at shutdown. Handing it over sends it nowhere in
// this build: the page is simply cleared.
//
// The program thread prints into the page only while printer_mode is set; the
// main loop touches it only while printer_busy is set. Each side raises its
// own word first and then looks at the other's, so the two never work on the
// page at the same time.
#include <atomic>
#include <cstdint>

#include "runtime/screen/image_record.h"
#include "runtime/strings/string_engine.h"

extern std::atomic<int32_t> printer_mode;  // 1 while LPRINT output goes to the page
extern std::atomic<int32_t> printer_busy;  // 1 while the main loop looks at the page
extern int32_t printer_column;             // 1-based column of the printer's line
extern int32_t printer_width;              // WIDTH for the printer, 1-255 (80 at start)

// Seconds without output after which the main loop hands the page over.
constexpr double printer_idle_seconds = 10.0;

// LPRINT around the usual PRINT operations: printer_begin waits for the main
// loop, makes the page (on first use) the write image and notes the time of
// the output; printer_end puts the previous write image back.
void printer_begin();
void printer_end();
// One LPRINT string: printer_begin, print_text, printer_end.
void lprint_text(const str_desc* text, int32_t newline);

// True when img is the printer page (text output asks while printer_mode is set).
bool is_printer_page(const image_record* img);
// Text output marks the page as holding output for every character it prints there.
void printer_mark_output();
// Hands the page to the printer: clears its holds-output mark, clears it to
// colour 15 and homes its cursor.
void printer_page_hand_over();

// The main loop's printer step (only while printer_mode is 0): hands the page
// over once it has held output for printer_idle_seconds without more.
void printer_page_step();
// The same step at a given ms_counter reading.
void printer_page_step_at(int64_t now_ms);
// Shutdown: hands the page over if it holds output.
void printer_shutdown_hand_over();

// The printer-column query: printer 0-3 gives printer_column, others error 5.
int32_t printer_column_query(int32_t printer);

// The page's image index (0 before first use) and its holds-output mark.
int32_t printer_page_index();
bool printer_page_holds_output();
// Frees the page and resets the printer state (start-up and tests).
void printer_reset();
