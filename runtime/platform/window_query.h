#pragma once
// Questions about the runtime's window asked from the program thread, on a
// display connection of their own.

// True when the window is minimised (iconic).
bool platform_window_iconic(unsigned long window);
