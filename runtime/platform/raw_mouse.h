#pragma once
// Raw mouse motion on X11: the pointer devices' own movement, also while the
// window is in the background, read as XInput2 raw motion events through a
// connection of the window thread's own (freeglut never sees them). Servers
// without XInput2 give no raw motion. Window thread only.
#include <X11/Xlib.h>

// Opens the connection and asks for raw motion; false when the server lacks XInput2.
// Called once; later calls return the first answer.
bool raw_mouse_start(Display* window_display);

// File descriptor to wait on for raw motion, -1 when not started.
int raw_mouse_fd();

// Reports every raw motion event waiting as window_event_hook(3, dx, dy).
void raw_mouse_pass();
