#pragma once
// The display: the frames that carry pictures of the visible page from the
// frame builder to the window, the render of a frame with the hardware layers,
// and the window's relation to the emulated screen. Each declaration says
// which thread may call it.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/gpu/gpu.h"

// State of the runtime's window shared between the program thread and the window thread.

extern std::atomic<int32_t> window_may_open;  // start-up waits for it before creating the window
extern std::atomic<int32_t> window_exists;    // set once the window has been created
extern std::atomic<int32_t> screen_hidden;    // 1 while the window is hidden

// Title the window is created with (or gets when it exists); "" = none set.
void set_window_title_text(const std::string& title);
std::string window_title_text();

// Full-screen settings shared by the key handlers, the program's statements and
// the window thread, which acts on a pending request at its next render.

extern std::atomic<full_screen_kind> full_screen_mode;
extern std::atomic<full_screen_kind> full_screen_request;  // full_screen_no_request when none is pending
extern std::atomic<int32_t> full_screen_smooth;   // 1 = linear filtering in full screen
extern std::atomic<int32_t> force_full_refresh;   // 1 = the next frame is built without comparing

// Window operations asked for by other threads and carried out by the window
// thread, through the window toolkit below.

enum class window_request_kind { set_title, show, hide, iconify, position, cursor };

void post_window_request(window_request_kind kind, int32_t a = 0, int32_t b = 0, std::string text = {});

// Window thread: carries out every request posted so far, in order.
void run_window_requests();

// What the window thread asks of the window itself. Only host/ calls the window
// toolkit: it installs these at start-up, before the window thread runs; until
// then each does nothing. Window thread only.
struct window_toolkit {
  void (*set_title)(const char* title);
  void (*show)();
  void (*hide)();
  void (*iconify)();
  void (*position)(int32_t x, int32_t y);
  void (*set_pointer)(int32_t shape);    // a pointer style number, or pointer_none
  void (*reshape)(int32_t w, int32_t h);  // a new size, and a redisplay
  void (*full_screen)(bool on);
  // The window manager's size hints: the size, whether it is held there, the largest side.
  void (*size_hints)(unsigned long window, int32_t w, int32_t h, bool locked, int32_t max_side);
};
void window_toolkit_install(const window_toolkit& toolkit);

// The pointer style that hides the pointer (the toolkit's own number, as the
// other style numbers are).
constexpr int32_t pointer_none = 101;

// The window's relation to the emulated screen: title, size and resizing,
// full screen, hiding, minimising, moving, the pointer shape and the console.
// Program-side operations only set request words; the window thread carries
// out everything that touches the window.

struct int_pair {
  int32_t w, h;
};

extern std::atomic<int32_t> window_width, window_height;            // from the reshape callback
extern std::atomic<int32_t> prev_window_width, prev_window_height;  // before the last reshape
extern std::atomic<int32_t> reshape_pending;  // a new window size was asked for and has not arrived
extern std::atomic<int32_t> resize_locked;    // 1: the window always returns to the screen size
extern std::atomic<resize_scaling> resize_mode;
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

// Window thread: the window's new size as the toolkit reports it (the caller
// then tells the render, window_resized), and the size and full-screen step of
// every render.
void window_size_changed(int32_t width, int32_t height);
void window_size_step(int32_t screen_w, int32_t screen_h);

// The three software frames that carry pictures of the visible page from the
// frame builder to the display callback, and the order numbers that tag them.

constexpr int32_t sf_free = 1;
constexpr int32_t sf_filling = 2;
constexpr int32_t sf_ready = 3;
constexpr int32_t sf_shown = 4;

struct software_frame {
  std::atomic<int32_t> state{sf_free};
  std::atomic<uint64_t> order{0};
  uint32_t* pixels = nullptr;  // 0xAARRGGBB, rows top to bottom
  int32_t width = 0, height = 0;
  int32_t capacity = 0;  // bytes; the buffer only grows
};

extern software_frame software_frames[3];
extern std::atomic<uint64_t> latest_order;    // last frame published or discarded
extern std::atomic<uint64_t> rendered_order;  // latest_order at the last render

// Start-up: every frame free, order 0, no buffer.
void software_frames_init();

// The display's choice (window thread): the newest ready frame newer than the
// one shown, which becomes shown while every older ready or shown frame is
// freed unseen; without one, the frame already shown. Null when no frame is
// ready or shown. *is_new tells whether a newer frame was taken.
software_frame* take_frame_for_display(bool* is_new);
// Whether any frame is ready or shown, without taking one; *newer tells
// whether a ready frame is newer than the one shown.
bool frame_for_display(bool* newer);

// Turns the visible page into a 32-bit software frame, only when something
// visible changed, and the statements that choose automatic or manual display.

extern std::atomic<int32_t> build_done;  // set at the end of every build attempt

// Takes a frame from the ring, fills it from display_image and publishes it, or
// discards it when nothing changed. Main loop (automatic display) or program
// thread (the display statement in manual display).
void build_software_frame();

// The display statement: shows the screen now; the first call switches to manual display.
void display_statement();
// Program thread: from automatic to manual display once one more frame, begun
// after this call, shows everything written so far. Returns at once when the
// display is manual already or the shutdown has begun.
void switch_to_manual_display();
// The automatic-display statement and its query (-1 when automatic).
void auto_display_statement();
int32_t auto_display_query();

// The text of the page on display, read by the frame builder at its next
// build, where it may read the page: rows as image_text_rows gives them. False
// when no build comes within timeout_ms (manual display between the program's
// display statements, the end of the process). Any thread but the one
// building frames.
bool display_text_capture(std::vector<std::string>* rows, int32_t timeout_ms);

// Rows of a text cell the cursor fills for first line s and last line e in a
// cell ch pixels high: first row and count (count 0: no cursor).
struct cursor_span {
  int32_t first, count;
};
cursor_span cursor_rows(int32_t s, int32_t e, int32_t ch);

// What the window thread draws and when, and the main loop's frame step.

extern std::atomic<int32_t> blink_counter;

// The redisplay (window thread): draws the newest frame with the hardware
// layers, the letterbox bars and the overlay when anything changed since the
// last render. True when it drew; the caller then shows the picture.
bool render_frame();
// Window thread, between renders: the window follows the resize settings, and
// the answer says whether render_frame would draw anything. The threads that
// change what it looks at call wake_signal, so the window thread can sleep.
bool render_wanted();

// The reshape callback's notice: the next redisplay renders at the new size.
void window_resized();
// Part of the window lost its picture (any thread): the next redisplay renders.
void window_damaged();

// Every second main-loop pass: builds a frame of the visible page while
// automatic display is on, and advances the blink counter.
void display_frame_step();
