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

// Whether the window may open, exists and shows, shared by start-up, the
// program thread and the window thread. Any thread reads; start-up and the
// program thread's window statements write.
struct window_presence_state {
  std::atomic<int32_t> may_open{0};  // start-up waits for it before creating the window
  std::atomic<int32_t> exists{0};    // set once the window has been created
  std::atomic<int32_t> hidden{0};    // 1 while the screen's window is hidden
  std::atomic<int32_t> desktop_width{0}, desktop_height{0};  // read when the window is created
  std::atomic<int32_t> pointer_shape{1};  // the pointer style number last asked for
};
extern window_presence_state window_presence;
// Back as at start-up: no window, shown, default pointer.
void window_presence_reset();

// Title the window is created with (or gets when it exists); "" = none set.
void set_window_title_text(const std::string& title);
std::string window_title_text();

// Full-screen settings shared by the key handlers, the program's statements and
// the window thread, which acts on a pending request at its next render.

struct full_screen_state {
  std::atomic<full_screen_kind> mode{full_screen_off};
  std::atomic<full_screen_kind> request{full_screen_no_request};  // full_screen_no_request when none is pending
  std::atomic<int32_t> smooth{0};  // 1 = linear filtering in full screen
  std::atomic<int32_t> force_full_refresh{0};  // 1 = the next frame is built without comparing
};
extern full_screen_state full_screen_settings;
// Back as at start-up: windowed, nothing pending, no filtering, no forced refresh.
void full_screen_reset();

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

// The window's size and the resize settings. The window thread stores the
// sizes the toolkit reports; the program thread sets the resize settings and
// takes the resize notice; the render reads both.
struct window_size_state {
  std::atomic<int32_t> width{640}, height{400};            // from the reshape callback
  std::atomic<int32_t> prev_width{640}, prev_height{400};  // before the last reshape
  std::atomic<int32_t> reshape_pending{1};  // a new window size was asked for and has not arrived
  std::atomic<int32_t> locked{1};           // 1: the window always returns to the screen size
  std::atomic<resize_scaling> scaling{resize_unscaled};
  std::atomic<int32_t> resized{0};          // -1 after every reshape until the program asks
  std::atomic<int32_t> resized_width{0}, resized_height{0};  // the size the last reshape reported
};
extern window_size_state window_size;
// Back as at start-up: 640x400, held at the screen size, unscaled, no reshape seen.
void window_size_reset();

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

struct frame_ring_state {
  software_frame frames[3];
  std::atomic<uint64_t> latest_order{0};    // last frame published or discarded
  std::atomic<uint64_t> rendered_order{0};  // latest_order at the last render
};
extern frame_ring_state frame_ring;

// Start-up: every frame free, order 0, no buffer; no frame published or rendered.
void frame_ring_reset();

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

// The builder's own words: written by whichever thread builds, read by tests
// and the program thread's waits.
struct frame_builder_state {
  std::atomic<int32_t> build_done{0};     // set at the end of every build attempt
  std::atomic<int32_t> blink_counter{0};  // advanced by every frame step; bit 3 is the blink phase
};
extern frame_builder_state frame_builder;
// Back as at start-up: nothing built, blink phase 0.
void frame_builder_reset();

// Takes a frame from the ring, fills it from display_link.shown_image and publishes it, or
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
