#pragma once
// The SCREEN statement: screen modes, text screens and the active and visual pages.
#include <cstddef>
#include <cstdint>

constexpr size_t text_memory_size = 65536;
constexpr size_t mode13_memory_size = 64000;
extern uint8_t text_memory[text_memory_size];      // text pages that fit
extern uint8_t mode13_memory[mode13_memory_size];  // page 0 of mode 13

// Text size asked for by WIDTH, used by the next text screen; -1 = not set.
extern int32_t pending_text_cols;
extern int32_t pending_text_rows;
extern int32_t pending_text_font;

// SCREEN mode, colour switch, active page, visual page, fifth argument.
// given: bit 0 mode, bit 2 active page, bit 3 visual page. A negative mode is
// an image handle that becomes page 0. The colour switch and the fifth
// argument are accepted and not used.
void screen_set(int32_t mode, int32_t colour_switch, int32_t active_page, int32_t visual_page,
                int32_t fifth, int32_t given);

// The freeze handshake with a frame builder running on another thread: asks
// it to stand still and waits until it does (or the process shuts down).
// display_unfreeze lets it go on. Both do nothing unless the display runs
// automatically (auto_display and display_ready).
bool display_runs_alone();
void display_freeze_wait();
void display_unfreeze();
