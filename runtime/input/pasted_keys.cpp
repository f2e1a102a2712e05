#include "runtime/input/input.h"

#include <mutex>

#include "runtime/input/detail/input_internals.h"

// Pasted text typed as keys. The BIOS buffer holds 15 keys, so the text waits
// here and goes in a little at a time: each time the program looks for a key
// the buffer is topped up first. The ring's tail has other writers (the key
// handlers), so the top-up holds the key handlers' lock as they do.

namespace {

// The paste under way: under lock, its keys, (scan << 8) | character, and
// the next one to go in; keys_waiting is set while keys wait, so that a look
// for a key costs one load otherwise.
struct paste_queue {
  std::mutex lock;
  std::vector<uint16_t> keys;
  size_t next_key = 0;
  std::atomic<bool> keys_waiting{false};
};
paste_queue paste;

void forget_paste() {
  paste.keys.clear();
  paste.keys.shrink_to_fit();
  paste.next_key = 0;
  paste.keys_waiting.store(false);
}

}  // namespace

std::vector<uint16_t> paste_keys_of(const std::string& cp437) {
  constexpr uint16_t enter = 0x1C0D, tab = 0x0F09;
  std::vector<uint16_t> keys;
  keys.reserve(cp437.size());
  for (size_t i = 0; i < cp437.size(); ++i) {
    const auto c = static_cast<uint8_t>(cp437[i]);
    if (c == '\r' || c == '\n') {
      // CR LF is one line end.
      if (c == '\r' && i + 1 < cp437.size() && cp437[i + 1] == '\n') ++i;
      keys.push_back(enter);
    } else if (c == '\t') {
      keys.push_back(tab);
    } else if (c >= 0x20 && c != 0x7F) {
      // Characters above 127 have no key of their own: scan code 0, as when
      // typed with Alt and the keypad.
      const int32_t make = c < 0x80 ? key_translation_table[c][kt_make] : 0;
      keys.push_back(static_cast<uint16_t>((make & 0xFF) << 8 | c));
    }
  }
  return keys;
}

void paste_start(const std::string& cp437) {
  {
    std::lock_guard<std::mutex> hold(paste.lock);
    forget_paste();
    paste.keys = paste_keys_of(cp437);
    paste.keys_waiting.store(!paste.keys.empty());
  }
  paste_feed();
}

void paste_stop() {
  std::lock_guard<std::mutex> hold(paste.lock);
  forget_paste();
}

bool paste_running() { return paste.keys_waiting.load(); }

void paste_feed() {
  if (!paste.keys_waiting.load()) return;
  std::lock_guard<std::recursive_mutex> keys(key_handlers_lock());
  std::lock_guard<std::mutex> hold(paste.lock);
  while (paste.next_key < paste.keys.size()) {
    const uint16_t key = paste.keys[paste.next_key];
    if (!bios_key_buffer_put(static_cast<uint8_t>(key & 0xFF), static_cast<uint8_t>(key >> 8))) return;
    ++paste.next_key;
  }
  forget_paste();
}
