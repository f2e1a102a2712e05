#pragma once
// The message box window: its text layout, what keys and the mouse do to its
// buttons, and the window itself on a connection of its own. Any thread: each
// box runs on the thread that asked for it.
#include <bitset>
#include <cstdint>
#include <string>
#include <vector>

// Xlib's display record, named without bringing in Xlib's macros.
struct _XDisplay;

// What the keyboard and the mouse do to a message box's buttons: the focused
// button, the button held down by the mouse, and the answer once one is given.

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

// The text of a message box laid out in lines for a window of limited size.

struct dialog_text_layout {
  std::vector<std::string> lines;  // drawable bytes only
  int widest = 0;                  // pixels, the widest line
  bool cut = false;                // the text did not fit: the last line ends in "..."
};

// Splits text on '\n', wraps each line to max_width pixels (at a space when the
// line has one, else inside the word) and keeps at most max_lines lines. Bytes
// the font cannot show (glyph_width[byte] <= 0) and control bytes become '?';
// a tab becomes a space and '\r' is dropped. Null text is empty; empty text is
// one empty line. Work stops at the cut, so any length of text is cheap.
dialog_text_layout layout_dialog_text(const char* text, const int glyph_width[256], int max_width,
                                      int max_lines);

// Pixel width of s in the same font.
int dialog_text_width(const std::string& s, const int glyph_width[256]);

// The message box window itself, drawn with Xlib on a connection of its own.

// Shows text under caption with OK, or Yes and No, on display and waits for the
// answer (mb_answer_*). owner is the window the box belongs to (0: none): the
// box is transient for it and centred over it, else centred on the screen.
// keep_above asks a window manager to keep the box above other windows.
int32_t dialog_window_run(_XDisplay* display, const char* text, const char* caption, bool yes_no,
                          bool keep_above, unsigned long owner);
