#pragma once
// Full-screen settings shared by the key handlers, the program's statements and
// the window thread, which acts on a pending request at its next render.
#include <atomic>
#include <cstdint>

extern std::atomic<int32_t> full_screen_mode;     // 0 window, 1 stretched, 2 keeping the aspect ratio
extern std::atomic<int32_t> full_screen_request;  // -1 none pending, else the requested mode
extern std::atomic<int32_t> full_screen_smooth;   // 1 = linear filtering in full screen
extern std::atomic<int32_t> force_full_refresh;   // 1 = the next frame is built without comparing
