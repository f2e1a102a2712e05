#pragma once
// PAINT: filling the region around a point of the write image up to a border
// colour, with one colour or with a tile pattern. Program thread only.
//
// The fill works breadth-first in generations over horizontal and vertical
// neighbours inside the view port, with one byte per pixel remembering which
// pixels have been examined: no recursion, and each pixel is looked at once.
// Its work areas are made on first use and kept (grown when a front or an
// image needs more), so a fill allocates nothing once they are large enough.
#include <cstddef>
#include <cstdint>

#include "runtime/strings/string_engine.h"

// Flags of paint_fill and paint_tile.
constexpr int32_t paint_relative = 1;        // x, y are added to the last graphics point
constexpr int32_t paint_colour_given = 2;    // the fill colour, or the tile string
constexpr int32_t paint_border_given = 4;
constexpr int32_t paint_background_given = 8;

// Entries a generation holds before its array first grows.
constexpr size_t fill_front_start = 65536;

// PAINT with a fill colour (default: the image's colour) up to a border colour
// (default: the fill colour). A background argument is refused with error 5.
void paint_fill(float x, float y, uint32_t fill, uint32_t border, int32_t flags);

// The same, returning the number of pixels examined (DRAW's P counts its work by it).
int64_t paint_fill_counted(float x, float y, uint32_t fill, uint32_t border, int32_t flags);

// PAINT with a tile pattern on an image of 1, 2, 4 or 8 bits per pixel: the
// pixel at (x, y) gets the tile's pixel at column x mod its width and row
// y mod its rows. Each tile byte is a row of 8, 4 or 1 pixels (1, 2, 8 bits per
// pixel); with 4 bits a row is 4 bytes, one per colour plane, plane k giving
// bit k. The background string names a colour the tile may already hold at the
// start point without stopping the fill. Without a border, the image's colour.
void paint_tile(float x, float y, const str_desc* tile, uint32_t border, const str_desc* background, int32_t flags);

// Capacity of each generation array now (tests watch it grow past fill_front_start).
size_t fill_front_capacity();
