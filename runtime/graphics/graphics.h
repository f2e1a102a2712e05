#pragma once
// The graphics statements on the write image: PSET and PRESET, LINE (plain,
// styled, boxes), CIRCLE (circles, ellipses, arcs), PAINT (a colour or a tile),
// DRAW (turtle drawing) and GET and PUT of screen areas. Program thread only.
//
// Statements take logical coordinates, update the image's last graphics point,
// map to pixels and clip to the view port (screen/pixels.h). On a text surface
// each raises error 5; while an error is pending each returns at once.
#include <cstddef>
#include <cstdint>

#include "runtime/strings/strings.h"

// PSET and PRESET.

// Flags of point_set and point_reset.
constexpr int32_t point_relative = 1;  // x, y are added to the last graphics point
constexpr int32_t point_colour_given = 2;

// PSET. Without a colour, the image's colour. Plain pixel coordinates reach
// the whole image; logical ones stop at the view port.
void point_set(float x, float y, uint32_t colour, int32_t flags);
// PRESET. Without a colour, the image's background colour.
void point_reset(float x, float y, uint32_t colour, int32_t flags);

// LINE: a line, a box (B) or a filled box (BF) between two points. Lines step
// one pixel at a time along their longer axis; the 16-bit dash style (highest
// bit first) keeps its phase when the start of a line is clipped away.

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

void line_draw(float x1, float y1, float x2, float y2, uint32_t colour, int32_t kind, uint32_t style, int32_t flags);

// CIRCLE. Angles are radians counter-clockwise from the positive x axis, y
// growing downwards on the screen (pi/2 is straight up). A negative start or
// end angle asks for a radius line to that end; a start above the end draws
// the arc wrapped through angle 0. Angles beyond 2 pi either way, or not a
// number, are error 5.

// Flags of circle_draw.
constexpr int32_t circle_relative = 1;  // the centre is added to the last graphics point
constexpr int32_t circle_colour_given = 2;
constexpr int32_t circle_start_given = 4;
constexpr int32_t circle_end_given = 8;
constexpr int32_t circle_aspect_given = 16;

// A quarter takes about 1.6 steps per pixel of radius. Up to this pixel
// radius a circle walks its whole outline; a larger one walks only the steps
// whose points can fall inside the view port, so its time follows the pixels
// it can draw, whatever its size. Centres or radii that are not finite draw
// nothing.
constexpr double circle_walk_whole = 1048576.0;

void circle_draw(double x, double y, double r, uint32_t colour, double start, double end, double aspect, int32_t flags);

// PAINT: filling the region around a point up to a border colour, with one
// colour or with a tile pattern, breadth-first over horizontal and vertical
// neighbours inside the view port. Its work areas are made on first use and
// kept (grown when a front or an image needs more), so a fill allocates
// nothing once they are large enough; running out of memory is error 7.

// Flags of paint_fill and paint_tile.
constexpr int32_t paint_relative = 1;      // x, y are added to the last graphics point
constexpr int32_t paint_colour_given = 2;  // the fill colour, or the tile string
constexpr int32_t paint_border_given = 4;
constexpr int32_t paint_background_given = 8;

// PAINT with a fill colour (default: the image's colour) up to a border colour
// (default: the fill colour). A background argument is refused with error 5.
void paint_fill(float x, float y, uint32_t fill, uint32_t border, int32_t flags);

// PAINT with a tile pattern on an image of 1, 2, 4 or 8 bits per pixel (32-bit
// images are error 5): the pixel at (x, y) gets the tile's pixel at column
// x mod its width and row y mod its rows. Each tile byte is a row of 8, 4 or 1
// pixels (1, 2, 8 bits per pixel); with 4 bits a row is 4 bytes, one per
// colour plane, plane k giving bit k. The background string names a colour the
// tile may already hold at the start point without stopping the fill. Without
// a border, the image's colour.
void paint_tile(float x, float y, const str_desc* tile, uint32_t border, const str_desc* background, int32_t flags);

// DRAW: a string of one-letter commands that move a pen from the last graphics
// point, drawing as it goes, turning and scaling its moves, setting the
// colour, filling, and running other strings as sub-strings.
//
// Command strings are outside input: every number, variable reference and
// sub-string is checked before use. A bad command, number or reference is
// error 5; sub-strings nested deeper than turtle_nesting_max are error 6. The
// statement stops at the error with what it drew so far, and the last graphics
// point keeps its old value. Sub-strings calling each other may ask for work
// that grows exponentially with the depth: it is done, however long it takes,
// and a stop of the program (close, Ctrl+Break, a stop signal) ends it within
// a command.

constexpr int32_t turtle_nesting_max = 8192;

// Type codes of the variable references ("=" and "X" followed by a type code
// and a 16-bit little-endian offset into the data segment).
constexpr uint8_t reference_int8 = 1, reference_uint8 = 129, reference_int16 = 2, reference_uint16 = 130,
                  reference_int32 = 20, reference_uint32 = 148, reference_int64 = 5, reference_uint64 = 133,
                  reference_single = 4, reference_double = 8, reference_extended = 6, reference_string = 3;

void turtle_draw(const str_desc* commands);
// The same over bytes the caller holds.
void turtle_draw_bytes(const uint8_t* text, int32_t length);

// GET and PUT of screen areas: a rectangle of the write image stored into a
// program array's bytes and drawn back. Corners go through the view and
// window mapping like PSET's and must lie inside the view port (error 5).
//
// The stored form (docs/screen-areas.md): a header, then the rows top to
// bottom. The classic header is a 16-bit width word and a 16-bit height
// word: for 4-bit (planar) images the width in pixels, each row its four
// planes one after another, (width + 7) / 8 bytes each, leftmost pixel in the
// highest bit; for 1, 2 and 8 bits per pixel the width in bits (width x
// bits), each row packed, leftmost pixel in the highest bits. 32-bit images,
// and indexed ones whose width word or height would not fit 16 bits, use the
// long header: two zero words, then 32-bit width, height and bits per pixel;
// 32-bit rows are 4 bytes a pixel (0xAARRGGBB, little-endian).

constexpr int64_t area_header_classic = 4;
constexpr int64_t area_header_long = 16;

// Flags of area_get and area_put.
constexpr int32_t area_first_relative = 1;   // the (first) point is added to the last graphics point
constexpr int32_t area_second_relative = 2;  // GET's second corner measured from the first

// Actions of area_put.
constexpr int32_t put_pset = 0, put_preset = 1, put_and = 2, put_or = 3, put_xor = 4;

// Bytes a picture of width x height pixels takes from the write image; 0 for
// no size or an image without pixels.
int64_t area_bytes(int32_t width, int32_t height);

// GET (x1,y1)-(x2,y2), array: size is the array's byte size, too small is
// error 5. The graphics point becomes the second corner.
void area_get(float x1, float y1, float x2, float y2, uint8_t* array, int64_t size, int32_t flags);

// PUT (x,y), array, action: the picture's top-left corner at (x, y), which
// becomes the graphics point. PSET stores the picture, PRESET its inverse
// (index bits, or a 32-bit pixel's colour channels with its alpha kept), AND,
// OR and XOR combine it with what is there (XOR twice restores the screen).
// Nothing is blended. A header of another image kind, one claiming more bytes
// than size, or a picture not wholly inside the view port is error 5.
void area_put(float x, float y, const uint8_t* array, int64_t size, int32_t action, int32_t flags);

// Image copy with scaling (docs/image-copy.md): a rectangle of a source image
// (a screen page >= 0 or an image handle < 0; default the read image) into a
// rectangle of a destination (default the write image). Without source
// corners, the whole source; without destination corners, the source's size
// at (0, 0); with one, the source's size there; with two, scaled to fit, and
// corners given right-to-left or bottom-to-top mirror the picture (on either
// side; both cancel). Each destination pixel takes the source pixel under its
// centre; with smooth, a 32-bit source is sampled bilinearly. Indexed into
// indexed copies colour indices (masked to the destination), indexed into
// 32-bit goes through the source's palette, 32-bit into 32-bit blends as PSET
// does unless the destination's blending is off. 32-bit into indexed, a text
// surface, source corners outside the source, or a hardware image are error
// 5. The destination is clipped to its image (not its view port); an image
// copied onto itself reads a copy of its source rectangle first. Two
// destination corners leave the destination's graphics point at the second.

// Flags of image_copy.
constexpr int32_t copy_destination_first_given = 1;
constexpr int32_t copy_destination_second_given = 2;
constexpr int32_t copy_destination_first_relative = 4;   // added to the destination's graphics point
constexpr int32_t copy_destination_second_relative = 8;  // measured from the first corner
constexpr int32_t copy_source_given = 16;
constexpr int32_t copy_destination_given = 32;
constexpr int32_t copy_source_corners_given = 64;
constexpr int32_t copy_source_second_relative = 128;
constexpr int32_t copy_smooth = 256;
constexpr int32_t copy_destination_layer = 512;  // destination 1 or 2: the first or second hardware layer

void image_copy(float dx1, float dy1, float dx2, float dy2, int64_t source, int64_t destination, float sx1,
                float sy1, float sx2, float sy2, int32_t flags);

// Triangle mapping (docs/triangle-map.md): the triangle of a source image
// given by three points in source pixels (each within 0..width, 0..height of
// the source, error 5 otherwise) drawn onto the triangle of three destination
// points (logical coordinates of the destination, rounded), affinely. Points
// are pixel corners: pixel (x, y) covers x .. x + 1 and y .. y + 1, so
// (0,0), (4,0), (4,4) and (0,4) enclose a 4 x 4 square. Each destination pixel
// whose centre lies inside takes the source pixel under the position its
// barycentric weights give, nearest or (smooth, 32-bit source) bilinear. A pixel centre exactly on an
// edge belongs to one of the two triangles that may share it, so triangles
// tiling a shape draw each pixel once. Clipped to the destination image;
// formats, blending and errors as image_copy. Destination vertices are held
// within 2^28 pixels of the origin. Hardware images are error 5.

// Flags of triangle_map.
constexpr int32_t map_source_given = 1;
constexpr int32_t map_destination_given = 2;
constexpr int32_t map_smooth = 4;
constexpr int32_t map_destination_layer = 8;  // destination 1 or 2: the first or second hardware layer
constexpr int32_t map_depth = 16;             // set by triangle_map_depth

// A hardware source is drawn on the GPU by a render command, onto a hardware
// image or a hardware layer (no destination: the first layer); a hardware
// source into a software image, or a software source into a hardware target,
// is error 5 (docs/image-copy.md, docs/triangle-map.md).

// points: x1, y1, x2, y2, x3, y3.
void triangle_map(const float source_points[6], int64_t source, const float destination_points[6],
                  int64_t destination, int32_t flags);

// Triangle mapping into a hardware target with depth: destination points are
// x, y, z in the target's perspective view; depth_mode 0 ignores depth, 1
// tests and writes it (pixels of alpha 0 write none), 2 tests without
// writing; cull 0 draws both faces, 1 and 2 drop the faces wound one way or
// the other. Error 5 for a software source or destination or a mode out of range.
void triangle_map_depth(const float source_points[6], int64_t source, const float destination_points[9],
                        int64_t destination, int32_t flags, int32_t depth_mode, int32_t cull);

// Clears the depth of a hardware target: a hardware image handle, the first
// layer when none is given, or with layer set, destination 1 or 2.
void depth_clear(int64_t destination, int32_t given, int32_t layer);
