#pragma once
// State of the runtime's window shared between the program thread and the window thread.
#include <atomic>
#include <cstdint>
#include <string>

extern std::atomic<int32_t> window_may_open;  // start-up waits for it before creating the window
extern std::atomic<int32_t> window_exists;    // set once the window has been created
extern std::atomic<int32_t> screen_hidden;    // 1 while the window is hidden

// Title the window is created with (or gets when it exists); "" = none set.
void set_window_title_text(const std::string& title);
std::string window_title_text();
