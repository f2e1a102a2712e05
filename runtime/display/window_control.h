#pragma once
// The window's relation to the emulated screen: title, size and resizing,
// full screen, hiding, minimising, moving, the pointer shape and the console.
// Program-side operations only set request words; the window thread carries
// out everything that touches the window.
#include <atomic>
#include <cstdint>
#include <string>

#include "runtime/display/full_screen_state.h"

struct int_pair {
  int32_t w, h;
};

extern std::atomic<int32_t> window_width, window_height;            // from the reshape callback
extern std::atomic<int32_t> prev_window_width, prev_window_height;  // before the last reshape
extern std::atomic<int32_t> reshape_pending;  // a new window size was asked for and has not arrived
extern std::atomic<int32_t> resize_locked;    // 1: the window always returns to the screen size
extern std::atomic<int32_t> resize_mode;      // 0 no scaling, 1 scale, 2 scale smoothly
extern std::atomic<int32_t> resize_event;     // set by every reshape
extern std::atomic<int32_t> resize_width, resize_height;
extern std::atomic<int32_t> cursor_shape;
extern std::atomic<int32_t> desktop_size_w, desktop_size_h;  // read when the window is created

// Program-side operations. All do nothing while an error is pending.
void window_set_title(const std::string& title);
void window_resize(int32_t allow, int32_t mode);
int32_t window_resize_query();
int32_t window_resize_width();
int32_t window_resize_height();
void window_full_screen(int32_t kind, int32_t smooth);
int32_t window_full_screen_query();
void screen_hide();
void screen_show();
int32_t screen_hidden_query();
int32_t window_exists_query();
void window_minimise();
int32_t window_minimised_query();
int32_t desktop_width();
int32_t desktop_height();
void window_move(int32_t kind, int32_t x, int32_t y);
void pointer_show(bool style_given, const std::string& style);
void pointer_hide();
void console_show(int32_t on);
void console_title(const std::string& title);

// Cursor number of a pointer style name (upper-cased a-z first); 0 when unknown.
int32_t pointer_style_number(const std::string& name);

// The aspect rule: the size that gives the window the screen's aspect after the
// user moved from prev to (w, h).
int_pair aspect_size(int_pair window, int_pair prev, float screen_aspect);

// Window thread: the reshape callback, and the size and full-screen step of every render.
void reshape_callback(int width, int height);
void window_size_step(int32_t screen_w, int32_t screen_h);
