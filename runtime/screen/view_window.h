#pragma once
// VIEW (the graphics view port) and WINDOW (logical coordinates) of the write image.
#include <cstdint>

#include "runtime/screen/image_record.h"

// given: bit 0 corners, bit 1 the SCREEN keyword (no view offset), bit 2 fill
// colour, bit 3 border colour. Without corners the view port is the whole image.
void view(int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t fill, uint32_t border, int32_t given);

// given: bit 0 corners, bit 1 the SCREEN keyword (y grows downwards). Without
// corners logical coordinates end.
void window(float x1, float y1, float x2, float y2, int32_t given);

// Scales and offsets that map the image's window onto its view port. y runs
// upwards when upward is set.
void window_scaling(image_record* img, bool upward);

// Logical coordinates back to plain pixels: scale 1, no offset, the window the whole image.
void reset_logical_window(image_record* img);
