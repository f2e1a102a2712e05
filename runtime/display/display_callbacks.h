#pragma once
// What the window thread draws and when, and the main loop's frame step.
#include <atomic>
#include <cstdint>

#include "runtime/display/full_screen_state.h"

extern std::atomic<int32_t> blink_counter;

// freeglut callbacks.
void display_callback();
void redisplay_timer(int value);

// When the frame timer fires next (ms_counter time), so the window thread can sleep until then.
int64_t redisplay_due_ms();

// The reshape callback's notice: the next redisplay renders at the new size.
void window_resized();
// Part of the window lost its picture (any thread): the next redisplay renders.
void window_damaged();

// Every second main-loop pass: builds a frame of the visible page while
// automatic display is on, and advances the blink counter.
void display_frame_step();
