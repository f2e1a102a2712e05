#pragma once
// Mouse events from the window: freeglut's button, motion and wheel callbacks and
// raw motion from the window procedure. Each is recorded in the first mouse queue
// and as events of the mouse device (device table entry 2). Window thread only.
#include <cstdint>

#include "runtime/gpu/gpu.h"

constexpr int32_t mouse_device = 2;

// freeglut callbacks.
void mouse_button_callback(int button, int state, int x, int y);
void mouse_motion_callback(int x, int y);
void mouse_wheel_callback(int wheel, int direction, int x, int y);

// Raw movement (dx, dy) reported by the window procedure.
void mouse_raw_motion(int32_t dx, int32_t dy);

// Where window pixels land on the screen picture: the view of the last render
// and the size of the picture it showed.
struct mouse_view {
  view_mapping view;
  int32_t picture_w = 640, picture_h = 400;
};

// The picture size a view was computed for.
mouse_view mouse_view_of(const view_mapping& v);

// Axis value -1..+1 of a window position across the picture: -1 at its left or top
// edge, +1 at its right or bottom edge, clamped outside.
float mouse_axis(const mouse_view& m, int32_t window_pos, bool vertical);

// The picture pixel under a window position, clamped to the picture.
int32_t mouse_picture_pos(const mouse_view& m, int32_t window_pos, bool vertical);

// The mapping of the last mouse event (any thread).
mouse_view mouse_view_now();
// Window thread: takes the view of the last render for the next mouse events.
mouse_view mouse_view_update();

// Set by the first motion; the window procedure then starts raw motion reports.
bool mouse_raw_motion_wanted();
