#pragma once
// Words shared between the program thread's screen changes and the frame builder.
#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> display_ready;   // set by start-up once the display runs
extern std::atomic<int32_t> auto_display;    // != 0: the main loop builds frames
extern std::atomic<int32_t> display_freeze;  // 0 free, 1 asked, 2 frame builder stands still
extern std::atomic<int32_t> prev_valid;      // 1: the frame builder's last frame still describes the screen
extern std::atomic<int32_t> blink_enabled;   // 1: text attribute bit 7 blinks (else a bright background)
