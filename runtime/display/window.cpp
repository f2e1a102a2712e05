#include "runtime/display/display.h"

#include <cmath>
#include <cstdlib>
#include <deque>
#include <mutex>

#include <algorithm>

#include "runtime/core/core.h"
#include "runtime/platform/platform.h"

window_presence_state window_presence;

void window_presence_reset() {
  window_presence.may_open.store(0);
  window_presence.exists.store(0);
  window_presence.hidden.store(0);
  window_presence.desktop_width.store(0);
  window_presence.desktop_height.store(0);
  window_presence.pointer_shape.store(1);
}

namespace {
std::mutex title_mutex;
std::string title;
}  // namespace

void set_window_title_text(const std::string& text) {
  std::lock_guard<std::mutex> lock(title_mutex);
  title = text;
}

std::string window_title_text() {
  std::lock_guard<std::mutex> lock(title_mutex);
  return title;
}

full_screen_state full_screen_settings;

void full_screen_reset() {
  full_screen_settings.mode.store(full_screen_off);
  full_screen_settings.request.store(full_screen_no_request);
  full_screen_settings.smooth.store(0);
  full_screen_settings.force_full_refresh.store(0);
}

namespace {
struct window_request {
  window_request_kind kind;
  int32_t a, b;
  std::string text;
};
std::mutex requests_mutex;
std::deque<window_request> requests;
}  // namespace

void post_window_request(window_request_kind kind, int32_t a, int32_t b, std::string text) {
  {
    std::lock_guard<std::mutex> lock(requests_mutex);
    requests.push_back({kind, a, b, std::move(text)});
  }
  wake_signal();
}

namespace {
void no_title(const char*) {}
void no_action() {}
void no_position(int32_t, int32_t) {}
void no_pointer(int32_t) {}
void no_full_screen(bool) {}
void no_size_hints(unsigned long, int32_t, int32_t, bool, int32_t) {}
window_toolkit toolkit{no_title, no_action, no_action, no_action, no_position, no_pointer, no_position,
                       no_full_screen, no_size_hints};
}  // namespace

void window_toolkit_install(const window_toolkit& installed) { toolkit = installed; }

void run_window_requests() {
  std::deque<window_request> due;
  {
    std::lock_guard<std::mutex> lock(requests_mutex);
    due.swap(requests);
  }
  for (const auto& r : due) {
    switch (r.kind) {
      case window_request_kind::set_title: toolkit.set_title(r.text.c_str()); break;
      case window_request_kind::show: toolkit.show(); break;
      case window_request_kind::hide: toolkit.hide(); break;
      case window_request_kind::iconify: toolkit.iconify(); break;
      case window_request_kind::position: toolkit.position(r.a, r.b); break;
      case window_request_kind::cursor: toolkit.set_pointer(r.a); break;
    }
  }
}

window_size_state window_size;

void window_size_reset() {
  window_size.width.store(640);
  window_size.height.store(400);
  window_size.prev_width.store(640);
  window_size.prev_height.store(400);
  window_size.reshape_pending.store(1);
  window_size.locked.store(1);
  window_size.scaling.store(resize_unscaled);
  window_size.resized.store(0);
  window_size.resized_width.store(0);
  window_size.resized_height.store(0);
}

namespace {

// Window-thread state of the size step.
int_pair prev_screen{640, 400};
float screen_aspect = 1.6f;
float window_aspect = 1.6f;

bool error_pending() { return error_report.pending.load() != 0; }

// The operations marked as waiting poll until the window and its handle exist.
void wait_for_window() {
  while (window_presence.exists.load() == 0 || window_facts.handle.load() == 0) platform_sleep(100);
}

// The largest window side asked for: what OpenGL can draw into, and at most
// 16384 (a screen image can be far larger; X and the GL drawable cannot).
int32_t max_window_side() {
  static int32_t side = 0;  // window thread only
  if (side == 0) {
    const int32_t viewport = max_viewport_side();
    side = viewport > 0 ? std::min<int32_t>(viewport, 16384) : 16384;
  }
  return side;
}

int_pair capped(int_pair size) {
  const int32_t side = max_window_side();
  return {std::clamp(size.w, 1, side), std::clamp(size.h, 1, side)};
}

// A size within the largest side that keeps its aspect: the longer side at
// the cap and the other in proportion. Clamping each side alone would give a
// window of another aspect, and the aspect rule would ask for the same size
// again at every step.
int_pair capped_keeping_aspect(int_pair size) {
  const int32_t side = max_window_side();
  if (size.w <= side && size.h <= side) return size;
  const auto share = [side](int32_t part, int32_t whole) {
    return static_cast<int32_t>(std::max<int64_t>(1, int64_t{part} * side / whole));
  };
  if (size.w >= size.h) return {side, share(size.h, size.w)};
  return {share(size.w, size.h), side};
}

// The size hints last given to the window manager (window thread only).
struct size_hints_state {
  bool valid;
  bool locked;
  int32_t w, h;
};
size_hints_state applied_hints{false, false, 0, 0};

// Tells the window manager the size and whether the runtime holds the window at
// it; only when that changed.
void give_size_hints(bool locked, int32_t w, int32_t h) {
  if (applied_hints.valid && applied_hints.locked == locked && applied_hints.w == w &&
      applied_hints.h == h)
    return;
  const unsigned long handle = window_facts.handle.load();
  if (handle == 0) return;
  toolkit.size_hints(handle, w, h, locked, max_window_side());
  applied_hints = {true, locked, w, h};
}

bool full_screen_involved() {
  return full_screen_settings.mode.load() != full_screen_off || full_screen_settings.request.load() != full_screen_no_request;
}

// Asks the window thread for a new size and a render. A held window's hints
// change first, so that a window manager lets the new size through.
void reshape_window(int_pair size) {
  const int_pair target = capped(size);
  if (window_size.locked.load() && !full_screen_involved()) give_size_hints(true, target.w, target.h);
  window_size.reshape_pending.store(1);
  toolkit.reshape(target.w, target.h);
}

}  // namespace

void window_set_title(const std::string& title) {
  if (error_pending()) return;
  set_window_title_text(title);
  if (window_presence.exists.load()) post_window_request(window_request_kind::set_title, 0, 0, title);
}

void window_resize(int32_t allow, int32_t mode) {
  if (error_pending()) return;
  if (allow == 1) window_size.locked.store(0);
  if (allow == 2) window_size.locked.store(1);
  window_size.scaling.store(static_cast<resize_scaling>(mode));
  wake_signal();
}

int32_t window_resize_query() {
  if (error_pending()) return 0;
  if (window_size.locked.load() == 0 && window_size.resized.exchange(0) != 0) return -1;
  return 0;
}

int32_t window_resize_width() { return error_pending() ? 0 : window_size.resized_width.load(); }
int32_t window_resize_height() { return error_pending() ? 0 : window_size.resized_height.load(); }

void window_full_screen(int32_t kind, int32_t smooth) {
  if (error_pending()) return;
  full_screen_settings.smooth.store(smooth & 1);
  const full_screen_kind mode = kind == 1 ? full_screen_off : kind == 3 ? full_screen_keep_aspect : full_screen_stretched;
  if (mode != full_screen_settings.mode.load()) full_screen_settings.request.store(mode);
  full_screen_settings.force_full_refresh.store(1);
  wake_signal();
}

int32_t window_full_screen_query() {
  if (error_pending()) return 0;
  const full_screen_kind request = full_screen_settings.request.load();
  return request != full_screen_no_request ? request : full_screen_settings.mode.load();
}

void screen_hide() {
  if (error_pending()) return;
  if (window_presence.exists.load()) post_window_request(window_request_kind::hide);
  window_presence.hidden.store(1);
}

void screen_show() {
  if (error_pending()) return;
  if (window_presence.exists.load())
    post_window_request(window_request_kind::show);
  else {
    window_presence.may_open.store(1);
    window_presence.may_open.notify_all();
  }
  window_presence.hidden.store(0);
}

int32_t screen_hidden_query() { return !error_pending() && window_presence.hidden.load() ? -1 : 0; }

int32_t window_exists_query() {
  return !error_pending() && window_facts.handle.load() != 0 && window_presence.exists.load() ? -1 : 0;
}

void window_minimise() {
  if (error_pending()) return;
  wait_for_window();
  post_window_request(window_request_kind::iconify);
}

int32_t window_minimised_query() {
  if (error_pending()) return 0;
  // A screen hidden from the start never gets a window to wait for.
  if (window_presence.hidden.load()) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  wait_for_window();
  return platform_window_iconic(window_facts.handle.load()) ? -1 : 0;
}

int32_t desktop_width() {
  if (error_pending()) return 0;
  wait_for_window();
  return window_presence.desktop_width.load();
}

int32_t desktop_height() {
  if (error_pending()) return 0;
  wait_for_window();
  return window_presence.desktop_height.load();
}

void window_move(int32_t kind, int32_t x, int32_t y) {
  if (error_pending()) return;
  if (kind == 0 || kind == 3) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (full_screen_settings.mode.load() != full_screen_off) return;
  wait_for_window();
  if (kind == 1) {
    x = (window_presence.desktop_width.load() - window_size.width.load()) / 2;
    y = (window_presence.desktop_height.load() - window_size.height.load()) / 2;
  }
  post_window_request(window_request_kind::position, x, y);
}

int32_t pointer_style_number(const std::string& name) {
  std::string upper = name;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  const struct {
    const char* name;
    int32_t number;
  } styles[] = {{"DEFAULT", 1},   {"LINK", 2},        {"TEXT", 8},
                {"CROSSHAIR", 9}, {"VERTICAL", 10},   {"HORIZONTAL", 11},
                {"TOPLEFT_BOTTOMRIGHT", 16}, {"TOPRIGHT_BOTTOMLEFT", 17}};
  for (const auto& s : styles)
    if (upper == s.name) return s.number;
  return 0;
}

void pointer_show(bool style_given, const std::string& style) {
  if (error_pending()) return;
  if (style_given) {
    const int32_t number = pointer_style_number(style);
    if (number == 0) {
      raise_error(err_illegal_function_call);
      return;
    }
    window_presence.pointer_shape.store(number);
  }
  if (window_presence.hidden.load()) return;
  wait_for_window();
  post_window_request(window_request_kind::cursor, window_presence.pointer_shape.load());
}

void pointer_hide() {
  if (error_pending() || window_presence.hidden.load()) return;
  wait_for_window();
  post_window_request(window_request_kind::cursor, pointer_none);
}

// The program has no console window of its own on this system: a program
// started from a terminal shares it with the shell, so it is neither shown,
// hidden nor renamed.
void console_show(int32_t) {}
void console_title(const std::string&) {}

int_pair aspect_size(int_pair window, int_pair prev, float aspect) {
  const bool width_same = window.w == prev.w;
  const bool height_same = window.h == prev.h;
  auto from_height = [&] { return int_pair{static_cast<int32_t>(window.h * aspect), window.h}; };
  auto from_width = [&] { return int_pair{window.w, static_cast<int32_t>(window.w / aspect)}; };
  if (height_same) return from_width();  // also when neither changed
  if (width_same) return from_height();
  return std::abs(window.h - prev.h) < std::abs(window.w - prev.w) ? from_width() : from_height();
}

void window_size_changed(int32_t width, int32_t height) {
  window_size.resized_width.store(width);
  window_size.resized_height.store(height);
  window_size.resized.store(-1);
  window_size.prev_width.store(window_size.width.load());
  window_size.prev_height.store(window_size.height.load());
  window_size.width.store(width);
  window_size.height.store(height);
  window_size.reshape_pending.store(0);
}

void window_size_step(int32_t screen_w, int32_t screen_h) {
  const int_pair window{window_size.width.load(), window_size.height.load()};
  // The window's size for the screen's: the same, unless the screen is larger
  // than any window can be.
  const int_pair fit = capped({screen_w, screen_h});
  const int32_t sw = fit.w, sh = fit.h;
  if (full_screen_settings.mode.load() == full_screen_off && full_screen_settings.request.load() == full_screen_no_request) {
    const bool changed = sw != prev_screen.w || sh != prev_screen.h;
    screen_aspect = static_cast<float>(screen_w) / static_cast<float>(screen_h);
    prev_screen = {sw, sh};
    const float aspect = static_cast<float>(window.w) / static_cast<float>(window.h);
    if (window_size.scaling.load() != resize_unscaled && aspect != window_aspect && aspect != screen_aspect) {
      const int_pair size = capped_keeping_aspect(
          aspect_size(window, {window_size.prev_width.load(), window_size.prev_height.load()}, screen_aspect));
      window_aspect = static_cast<float>(size.w) / static_cast<float>(size.h);
      reshape_window(size);
    } else if ((window.w != sw || window.h != sh) && (window_size.locked.load() || changed)) {
      reshape_window({sw, sh});
    } else if (capped(window).w != window.w || capped(window).h != window.h) {
      reshape_window(window);  // resized by hand past what a window can be
    }
  }
  const full_screen_kind request = full_screen_settings.request.load();
  if (window_size.reshape_pending.load() == 0 && request != full_screen_no_request) {
    if (request != full_screen_off) {
      // A window held at one size may not be let full screen: lift the hold first.
      give_size_hints(false, window.w, window.h);
      if (full_screen_settings.mode.load() == full_screen_off) toolkit.full_screen(true);
    } else if (full_screen_settings.mode.load() != full_screen_off) {
      toolkit.full_screen(false);
      reshape_window({sw, sh});
    }
    full_screen_settings.mode.store(request);
    full_screen_settings.request.store(full_screen_no_request);
  }
  // The hold follows the program's resize setting; a pending reshape has set
  // the hints for its size already.
  if (!full_screen_involved() && window_size.reshape_pending.load() == 0)
    give_size_hints(window_size.locked.load() != 0, window.w, window.h);
}
