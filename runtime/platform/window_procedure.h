#pragma once
// The window thread's event loop: freeglut's processing, with every X event of
// the window looked at first (close requests become the runtime's own; key events
// give scan codes, Pause and Ctrl+Break).

// Call on the window thread once the window exists: hooks the connection freeglut uses.
void window_procedure_install();

// Serves the window until the main loop asks the thread to park; then parks for good.
[[noreturn]] void window_loop();

// Wakes the window thread to carry out work another thread has posted.
void window_loop_wake();

// Main loop, at shutdown: stops the window thread from touching freeglut and
// OpenGL and waits (up to timeout_ms) until it has parked.
void window_loop_park(int timeout_ms);
