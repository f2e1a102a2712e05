#pragma once
// The cursor INPUT draws on a pixel surface: the cursor's cell (or a one-pixel
// column) with its pixels exclusive-or'd with the colour, so drawing it twice
// removes it. Program thread.
#include <cstdint>

#include "runtime/screen/screen.h"

// True when the drawn cursor blinks on this image (a loaded font, or modes 256
// and 32); otherwise it stays shown.
bool input_cursor_blinks(const image_record* img);

// Whether the cursor is to be shown now, at ms milliseconds of the clock:
// blinking cursors show while bit 9 of the clock is 0.
bool input_cursor_wanted(const image_record* img, int64_t ms);

// Exclusive-or of the cursor's cell with the colour, clipped to the image.
// Nothing on text or console surfaces.
void input_cursor_toggle(image_record* img);
