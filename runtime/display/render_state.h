#pragma once
// Drawing with OpenGL on the window thread: the render target, the projection,
// cached state, and rectangles and triangles gathered into one vertex batch.
#include <cstdint>

constexpr int32_t projection_2d = 0;
constexpr int32_t projection_3d = 1;
constexpr int32_t projection_reset = 2;

// Render target: 0 the window, > 0 a hardware image (drawn into through a framebuffer object).
void set_target(int32_t index);
void set_projection(int32_t mode);

// Cached state setters: each flushes the batch before it changes anything.
void set_blend(int32_t on);
void set_depth_mode(int32_t mode);  // 0 off, 1 test and write, 2 test only
void set_cull(int32_t mode);        // 0 off, 1 clockwise front faces, 2 counter-clockwise
void forget_bound_texture();
void forget_image_state(int32_t index);  // the image is about to be freed

// Rectangle from a source image into the target (0 the window: screen pixels
// mapped through the view). Corners may come in any order; a source running
// backwards mirrors the picture.
void draw_rect(float dx1, float dy1, float dx2, float dy2, int32_t source, int32_t target, float sx1,
               float sy1, float sx2, float sy2, int32_t blend, int32_t smooth);

// Pixel (0, 0) of a source drawn over window pixels (x1, y1)-(x2, y2), without
// blending or smoothing: the letterbox bars.
void draw_window_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t source);

// Triangle from three source points into three destination points; with depth
// the destination points carry z, drawn with the given depth and cull modes.
void draw_triangle(const float dest[9], bool with_depth, int32_t source, int32_t target, const float src[6],
                   int32_t blend, int32_t smooth, int32_t depth_mode, int32_t cull);

// Clears the depth of a target (an image gets a depth texture first).
void clear_depth(int32_t target);

void flush_batch();
