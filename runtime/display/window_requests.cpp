#include "runtime/display/window_requests.h"

#include <GL/freeglut.h>

#include <deque>
#include <mutex>

#include "runtime/platform/platform.h"

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

void run_window_requests() {
  std::deque<window_request> due;
  {
    std::lock_guard<std::mutex> lock(requests_mutex);
    due.swap(requests);
  }
  for (const auto& r : due) {
    switch (r.kind) {
      case window_request_kind::set_title: glutSetWindowTitle(r.text.c_str()); break;
      case window_request_kind::show: glutShowWindow(); break;
      case window_request_kind::hide: glutHideWindow(); break;
      case window_request_kind::iconify: glutIconifyWindow(); break;
      case window_request_kind::position: glutPositionWindow(r.a, r.b); break;
      case window_request_kind::cursor: glutSetCursor(r.a); break;
    }
  }
}
