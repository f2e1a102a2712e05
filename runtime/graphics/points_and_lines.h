#pragma once
// PSET, PRESET and LINE (plain, styled, boxes) on the write image, and the
// clipped pixel lines that CIRCLE and DRAW draw with. Program thread only.
//
// Statements take logical coordinates, update the image's last graphics point,
// map to pixels and clip to the view port. Lines step one pixel at a time along
// their longer axis; the dash style keeps its phase when the start of a line
// is clipped away.
#include <cstdint>

#include "runtime/graphics/coordinate_mapping.h"
#include "runtime/screen/image_record.h"

// Flags of point_set and point_reset.
constexpr int32_t point_relative = 1;      // x, y are added to the last graphics point
constexpr int32_t point_colour_given = 2;

// Flags of line_draw.
constexpr int32_t line_first_given = 1;
constexpr int32_t line_second_relative = 2;  // second point measured from the first
constexpr int32_t line_first_relative = 4;   // first point measured from the last graphics point
constexpr int32_t line_colour_given = 8;
constexpr int32_t line_style_given = 16;

// Kinds of line_draw.
constexpr int32_t line_kind_line = 0;
constexpr int32_t line_kind_box = 1;
constexpr int32_t line_kind_filled_box = 2;

// PSET. Without a colour, the image's colour.
void point_set(float x, float y, uint32_t colour, int32_t flags);
// PRESET. Without a colour, the image's background colour.
void point_reset(float x, float y, uint32_t colour, int32_t flags);

// LINE: a line, a box (B) or a filled box (BF) between two points.
void line_draw(float x1, float y1, float x2, float y2, uint32_t colour, int32_t kind, uint32_t style, int32_t flags);

// Clips the pixel line from a to b to the port. False when nothing of it is
// visible; otherwise a and b are the visible ends and phase (0-15) counts the
// pattern steps the clipped-away start would have taken.
bool line_clip(const pixel_port& port, int32_t* ax, int32_t* ay, int32_t* bx, int32_t* by, int32_t* phase);

// A line between two logical points drawn with a 16-bit style (highest bit first).
void styled_line(image_record* img, float x1, float y1, float x2, float y2, uint32_t colour, uint32_t style);

// A solid line between two pixel positions, clipped to the view port. Returns
// the number of pixels it stored.
int64_t pixel_line(image_record* img, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t colour);
