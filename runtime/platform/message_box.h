#pragma once
// Modal message boxes: a dialog window of the runtime's own.
#include <cstdint>

// Style bits as the runtime passes them.
constexpr uint32_t mb_style_ok = 0x0;
constexpr uint32_t mb_style_yes_no = 0x4;
constexpr uint32_t mb_style_system_modal = 0x1000;

// Answers.
constexpr int32_t mb_answer_ok = 1;
constexpr int32_t mb_answer_yes = 6;
constexpr int32_t mb_answer_no = 7;

// Shows text under caption with OK, or Yes and No, and waits for the answer.
// owner_window is the X window the box belongs to (0 before the window exists).
// The box opens its own X connection, so any thread may call it. The text is
// always written to stderr as one line; with no X display the answer is OK for
// an OK box and No for a Yes/No box. Null text or caption count as empty.
int32_t platform_message_box(const char* text, const char* caption, uint32_t style,
                             unsigned long owner_window);

// Tests answer boxes without a window: while a stand-in is set, it gives the
// answer instead (the stderr line is still written). Null removes it.
using message_box_stand_in = int32_t (*)(const char* text, const char* caption, uint32_t style);
void set_message_box_stand_in(message_box_stand_in stand_in);
