#pragma once
// Modal message boxes, the stand-in for the system's message box call.
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
// The text is always written to stderr as one line; with no X display the
// answer is OK for an OK box and No for a Yes/No box.
int32_t platform_message_box(const char* text, const char* caption, uint32_t style,
                             unsigned long owner_window);
