#pragma once
// The program's mouse statements and functions: they take the current mouse
// queue's entries one at a time and report the entry taken last. Program thread.
// All return 0 while an error is pending.
#include <cstdint>

// -1 when another entry was taken, 0 when every entry had been taken already.
int32_t mouse_input();
// Position of the entry taken last, in pixels of the screen picture (clamped to it).
int32_t mouse_x();
int32_t mouse_y();
// -1 while button n (1-32) was down in the entry taken last, else 0; error 5 for other n.
int32_t mouse_button(int32_t n);
// -1 when the entry taken last pressed button 4 (wheel away from the user), +1 for
// button 5 (towards the user), else 0.
int32_t mouse_wheel();
// Raw movement recorded with the entry taken last.
int32_t mouse_movement_x();
int32_t mouse_movement_y();

// Forgets the entry taken last (start of a test or of a chained program).
void mouse_statements_reset();
