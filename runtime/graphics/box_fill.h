#pragma once
// The filled box: a rectangle between two logical corners in one colour,
// clipped to the view port (LINE ... BF, VIEW's fill, CLS of a logical window).
// Program thread only.
#include <cstdint>

#include "runtime/screen/image_record.h"

// Fills the box on img. With blend, 32-bit colours whose alpha is neither 0
// nor 0xFF are mixed in through pixel_store and alpha 0 changes nothing; without,
// every pixel gets the colour as given. One-byte pixels get colour AND mask.
void box_fill_on(image_record* img, float x1, float y1, float x2, float y2, uint32_t colour, bool blend);
// The same on the write image.
void box_fill(float x1, float y1, float x2, float y2, uint32_t colour, bool blend);
