#pragma once
// The message box window itself, drawn with Xlib on a connection of its own.
#include <X11/Xlib.h>

#include <cstdint>

// Shows text under caption with OK, or Yes and No, on display and waits for the
// answer (mb_answer_*). owner is the window the box belongs to (0: none): the
// box is transient for it and centred over it, else centred on the screen.
// keep_above asks a window manager to keep the box above other windows.
int32_t dialog_window_run(Display* display, const char* text, const char* caption, bool yes_no,
                          bool keep_above, unsigned long owner);
