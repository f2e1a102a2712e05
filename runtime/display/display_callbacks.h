#pragma once
// What the window thread draws and when, and the main loop's frame step.
#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> blink_counter;

// freeglut callbacks.
void display_callback();
void redisplay_timer(int value);
void reshape_callback(int width, int height);

// Every second main-loop pass: builds a frame of the visible page while
// automatic display is on, and advances the blink counter.
void display_frame_step();
