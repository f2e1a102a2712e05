#pragma once
// What the keyboard and the mouse do to a message box's buttons: the focused
// button, the button held down by the mouse, and the answer once one is given.
#include <bitset>
#include <cstdint>

struct dialog_controls {
  int buttons = 1;  // 1: OK; 2: Yes (index 0) and No (index 1)
  int focused = 0;  // the button Enter and Space press
  int armed = -1;   // the button the mouse went down on, -1 none
  // Keys already down when the box opened: their repeats belong to whatever the
  // user was typing before, so they are ignored until the key is released.
  std::bitset<256> held;
};

dialog_controls dialog_controls_new(bool yes_no);

// The answer of button index (mb_answer_ok, mb_answer_yes, mb_answer_no).
int32_t dialog_button_answer(const dialog_controls& c, int index);

// A key press (X key code and key symbol): the answer it gives, or 0.
// Enter and Space press the focused button; Tab and the arrow keys move the
// focus; Y and N answer a Yes/No box; Escape answers No, or OK.
int32_t dialog_key_press(dialog_controls* c, unsigned keycode, unsigned long keysym);
void dialog_key_release(dialog_controls* c, unsigned keycode);

// Mouse button 1 going down on button index (-1: elsewhere) and coming up on
// index: a click answers when both are on the same button. Returns the answer or 0.
void dialog_pointer_press(dialog_controls* c, int index);
int32_t dialog_pointer_release(dialog_controls* c, int index);

// The answer of the window's close button: No, or OK.
int32_t dialog_close_answer(const dialog_controls& c);
