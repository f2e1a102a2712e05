#pragma once
// Text on images: glyph drawing, text output at the cursor with its wrap,
// scrolling and control characters, the printer page, and a page's text read
// back. Program thread, except where a declaration says otherwise.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/image/image.h"
#include "runtime/strings/strings.h"

// Reading a page's text back, for copying it elsewhere.

// One code page 437 string per text row, trailing spaces removed and blank
// rows at the end dropped. A text surface gives its cells' characters (0 reads
// as a space). A pixel surface is read in the grid of its built-in font: a
// cell reads as the glyph whose set pixels are exactly the cell's pixels of
// one of its colours, whatever the colours; a cell of one colour, or one that
// matches no glyph, reads as a space, and so does every cell under a loaded
// font. Pixels and cells are read through the shared-memory helpers: the
// program thread, or the frame builder holding its screen read turn.
std::vector<std::string> image_text_rows(const image_record* img);

// Drawing characters into images.

// Draws one character at the write image's cursor without moving it.
void put_char(uint32_t code);

// Ends the run of glyphs that put_char keeps with a loaded font (the overhangs
// it draws again over each new cell): the glyphs before are gone or moved, as
// after a new line, scrolling or clearing.
void end_glyph_run();

// Draws a built-in glyph (fonts 8, 9, 14, 15, 16, 17) with its top-left corner
// at (x0, y0) in the image's colour, background and print mode. Pixels outside
// the image are dropped; with clip_to_view, those outside the view port too.
void draw_builtin_glyph(image_record* img, uint32_t font, uint32_t code, int32_t x0, int32_t y0, bool clip_to_view);

// Width of a text in pixels on an image (characters on a text surface).
// Bit 0 of given: page_or_handle names the image, else the write image.
int32_t text_width(const str_desc* text, int64_t page_or_handle, int32_t given);

// Draws a text with its top-left corner at pixel (px, py) of a pixel image,
// clipped to the image and its view port: the built-in font's glyphs, or a
// loaded font's glyph cells first and then the ink that hangs out of them.
void draw_text_at(image_record* img, float px, float py, const str_desc* text);

// Text output at the write image's cursor: PRINT's strings with their control
// characters, the wrap at the right edge, new lines with scrolling of the print
// region, the fitting rule for PRINT items and the comma's zones. Program thread.

// The switches of text output. Program thread.
struct text_switches_state {
  // Control characters are drawn as glyphs instead of acting (the control-character switch).
  int32_t control_chars_off = 0;
  // Set only while the key-label line prints its labels: control characters are drawn too.
  int32_t print_literal = 0;
  // What a form feed printed outside the printer page does: the screen's
  // start-up points it at CLS, which lies above text output. Null: nothing.
  void (*form_feed_clear)() = nullptr;
};
extern text_switches_state text_switches;
// Back as at start-up: control characters act, no form feed action.
void text_switches_reset();

// Prints one string at the cursor; newline non-zero ends the line afterwards.
void print_text(const str_desc* text, int32_t newline);
// The same for len bytes at chars.
void print_chars(const uint8_t* chars, int32_t len, int32_t newline);

// Cursor to column 1 of the next row, scrolling the print region below its last row.
void new_line();

// Before a PRINT item: a new line when the item does not fit on the rest of the line.
void make_fit(const str_desc* text);

// The PRINT comma: on to the next 14-column zone.
void next_zone();

// The control-character switch: 2 draws control characters, anything else lets them act.
void control_chars_set(int32_t mode);
// -1 while control characters are drawn, else 0.
int32_t control_chars_query();

// Moves character rows top+1 .. bottom of an image up by one (one block move)
// and fills row bottom with blank cells or the background. Rows are clamped to the image.
void scroll_rows_up(image_record* img, int32_t top, int32_t bottom);

// The printer page: LPRINT output goes to a 640x960 mode-13 image that is
// handed to the printer when it fills, on a form feed, ten seconds after its
// last output (main loop) and at shutdown. Handing it over sends it nowhere in
// this build: the page is simply cleared.
//
// The program thread prints into the page only while mode is set; the main
// loop touches it only while busy is set. Each side raises its own word first
// and then looks at the other's, so the two never work on the page at the
// same time. column and width belong to the program thread.
struct line_printer_state {
  std::atomic<int32_t> mode{0};  // 1 while LPRINT output goes to the page
  std::atomic<int32_t> busy{0};  // 1 while the main loop looks at the page
  int32_t column = 1;            // 1-based column of the printer's line
  int32_t width = 80;            // WIDTH for the printer, 1-255
};
extern line_printer_state line_printer;

// Seconds without output after which the main loop hands the page over.
constexpr double printer_idle_seconds = 10.0;

// LPRINT around the usual PRINT operations: printer_begin waits for the main
// loop, makes the page (on first use) the write image and notes the time of
// the output; printer_end puts the previous write image back.
void printer_begin();
void printer_end();
// One LPRINT string: printer_begin, print_text, printer_end.
void lprint_text(const str_desc* text, int32_t newline);

// True when img is the printer page (text output asks while line_printer.mode is set).
bool is_printer_page(const image_record* img);
// Text output marks the page as holding output for every character it prints there.
void printer_mark_output();
// Hands the page to the printer: clears its holds-output mark, clears it to
// colour 15 and homes its cursor.
void printer_page_hand_over();

// The main loop's printer step (only while line_printer.mode is 0): hands the page
// over once it has held output for printer_idle_seconds without more.
void printer_page_step();
// The same step at a given ms_counter reading.
void printer_page_step_at(int64_t now_ms);
// Shutdown: hands the page over if it holds output.
void printer_shutdown_hand_over();

// The printer-column query: printer 0-3 gives the printer's column, others error 5.
int32_t printer_column_query(int32_t printer);

// The page's image index (0 before first use) and its holds-output mark.
int32_t printer_page_index();
bool printer_page_holds_output();
// Frees the page and puts line_printer back as at start-up (start-up and tests).
void printer_reset();

