#pragma once
// CIRCLE: circles, ellipses and arcs, with optional radius lines, on the write
// image. Program thread only.
//
// Angles are radians counter-clockwise from the positive x axis, y growing
// downwards on the screen (pi/2 is straight up). A negative start or end angle
// asks for a radius line to that end; a start above the end draws the arc
// wrapped through angle 0.
#include <cstdint>

// Flags of circle_draw.
constexpr int32_t circle_relative = 1;  // the centre is added to the last graphics point
constexpr int32_t circle_colour_given = 2;
constexpr int32_t circle_start_given = 4;
constexpr int32_t circle_end_given = 8;
constexpr int32_t circle_aspect_given = 16;

// Largest pixel radius drawn. Bigger circles (and centres or radii that are
// not finite) draw nothing: a quarter takes about 1.6 steps per pixel of
// radius, so this bounds the work of one statement to a few million steps.
constexpr double circle_radius_max = 1048576.0;

// The default aspect of a screen mode (width over height of one pixel's share).
double mode_aspect(int32_t mode);

void circle_draw(double x, double y, double r, uint32_t colour, double start, double end, double aspect, int32_t flags);
