#include "runtime/display/window_state.h"

#include <mutex>

std::atomic<int32_t> window_may_open{0};
std::atomic<int32_t> window_exists{0};
std::atomic<int32_t> screen_hidden{0};

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
