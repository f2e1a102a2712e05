#pragma once
// Turns the visible page into a 32-bit software frame, only when something
// visible changed, and the statements that choose automatic or manual display.
#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> build_done;  // set at the end of every build attempt

// Takes a frame from the ring, fills it from display_image and publishes it, or
// discards it when nothing changed. Main loop (automatic display) or program
// thread (the display statement in manual display).
void build_software_frame();

// The display statement: shows the screen now; the first call switches to manual display.
void display_statement();
// The automatic-display statement and its query (-1 when automatic).
void auto_display_statement();
int32_t auto_display_query();

// Rows of a text cell the cursor fills for first line s and last line e in a
// cell ch pixels high: first row and count (count 0: no cursor).
struct cursor_span {
  int32_t first, count;
};
cursor_span cursor_rows(int32_t s, int32_t e, int32_t ch);
