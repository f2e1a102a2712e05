#include "runtime/host/detail/window_thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/display/display.h"
#include "runtime/input/input.h"
#include "runtime/platform/clipboard.h"
#include "runtime/strings/strings.h"

// The window's copy and paste keys. The window thread only notes the key; a
// thread of their own waits for the page's text and the clipboard, so that the
// window thread never waits for the frame builder or for another program.

namespace {

// How long a copy waits for the frame builder to read the page.
constexpr int32_t capture_wait_ms = 1000;

std::mutex work_lock;
std::condition_variable work_waiting;
// Under work_lock.
int32_t copies_asked = 0;
bool paste_asked = false;
uint64_t presses_at_paste = 0;

std::atomic<uint64_t> real_key_presses{0};
std::once_flag worker_once;

std::string page_text_utf8() {
  std::vector<std::string> rows;
  if (!display_text_capture(&rows, capture_wait_ms)) return {};
  std::string text;
  for (size_t i = 0; i < rows.size(); ++i) {
    if (i > 0) text += '\n';
    text += cp437_shown_to_utf8(reinterpret_cast<const uint8_t*>(rows[i].data()), rows[i].size());
  }
  return text;
}

void paste_clipboard(uint64_t presses_then) {
  std::string utf8;
  if (!clipboard_read(&utf8)) return;
  const std::string text = utf8_to_cp437_known(utf8.data(), utf8.size());
  // A key pressed while the clipboard was read stops the paste before it starts.
  if (real_key_presses.load() != presses_then) return;
  paste_start(text);
}

[[noreturn]] void clipboard_key_worker() {
  for (;;) {
    int32_t copies;
    bool paste;
    uint64_t presses;
    {
      std::unique_lock<std::mutex> hold(work_lock);
      work_waiting.wait(hold, [] { return copies_asked > 0 || paste_asked; });
      copies = copies_asked;
      paste = paste_asked;
      presses = presses_at_paste;
      copies_asked = 0;
      paste_asked = false;
    }
    if (copies > 0) {
      const std::string text = page_text_utf8();
      if (!text.empty()) clipboard_offer(text, true);
    }
    if (paste) paste_clipboard(presses);
  }
}

}  // namespace

bool clipboard_keys_wanted(const std::string& setting) { return setting != "0"; }

void clipboard_key_pressed(clipboard_key key) {
  if (key == clipboard_key::none) return;
  // A paste key while a paste is typing changes nothing (held keys repeat).
  if (key == clipboard_key::paste && paste_running()) return;
  std::call_once(worker_once, [] { std::thread(clipboard_key_worker).detach(); });
  {
    std::lock_guard<std::mutex> hold(work_lock);
    if (key == clipboard_key::copy) {
      ++copies_asked;
    } else {
      paste_asked = true;
      presses_at_paste = real_key_presses.load();
    }
  }
  work_waiting.notify_one();
}

void real_key_pressed() {
  real_key_presses.fetch_add(1);
  paste_stop();
}
