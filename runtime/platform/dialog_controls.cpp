#include "runtime/platform/dialog_controls.h"

#include <X11/keysym.h>

#include "runtime/platform/message_box.h"

dialog_controls dialog_controls_new(bool yes_no) {
  dialog_controls c;
  c.buttons = yes_no ? 2 : 1;
  return c;
}

int32_t dialog_button_answer(const dialog_controls& c, int index) {
  if (c.buttons == 1) return mb_answer_ok;
  return index == 0 ? mb_answer_yes : mb_answer_no;
}

int32_t dialog_close_answer(const dialog_controls& c) {
  return c.buttons == 1 ? mb_answer_ok : mb_answer_no;
}

int32_t dialog_key_press(dialog_controls* c, unsigned keycode, unsigned long keysym) {
  if (keycode < c->held.size() && c->held[keycode]) return 0;
  const bool yes_no = c->buttons == 2;
  switch (keysym) {
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
    case XK_KP_Space:
      return dialog_button_answer(*c, c->focused);
    case XK_Escape:
      return dialog_close_answer(*c);
    case XK_y:
    case XK_Y:
      return yes_no ? mb_answer_yes : 0;
    case XK_n:
    case XK_N:
      return yes_no ? mb_answer_no : 0;
    case XK_Tab:
    case XK_Right:
    case XK_Down:
    case XK_KP_Right:
    case XK_KP_Down:
      c->focused = (c->focused + 1) % c->buttons;
      return 0;
    case XK_ISO_Left_Tab:
    case XK_Left:
    case XK_Up:
    case XK_KP_Left:
    case XK_KP_Up:
      c->focused = (c->focused + c->buttons - 1) % c->buttons;
      return 0;
    default:
      return 0;
  }
}

void dialog_key_release(dialog_controls* c, unsigned keycode) {
  if (keycode < c->held.size()) c->held[keycode] = false;
}

void dialog_pointer_press(dialog_controls* c, int index) {
  c->armed = index;
  if (index >= 0) c->focused = index;
}

int32_t dialog_pointer_release(dialog_controls* c, int index) {
  const int armed = c->armed;
  c->armed = -1;
  return (armed >= 0 && armed == index) ? dialog_button_answer(*c, index) : 0;
}
