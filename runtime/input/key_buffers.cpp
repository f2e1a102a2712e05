#include "runtime/input/input.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "runtime/core/core.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/platform/platform.h"

void bios_key_buffer_reset() {
  cm_write16(bios_kbd_head, bios_kbd_first);
  cm_write16(bios_kbd_tail, bios_kbd_first);
}

bool bios_key_buffer_put(uint8_t character, uint8_t scan) {
  const uint16_t tail = cm_read16(bios_kbd_tail);
  // A tail outside the slots (a program poked the offsets) restarts the ring.
  const uint16_t at = (tail < bios_kbd_first || tail >= bios_kbd_end || (tail & 1)) ? bios_kbd_first : tail;
  const uint16_t next = at + 2 >= bios_kbd_end ? bios_kbd_first : at + 2;
  if (next == cm_read16(bios_kbd_head)) return false;
  cm_write8(0x400 + at, character);
  cm_write8(0x401 + at, scan);
  cm_write16(bios_kbd_tail, next);  // published after the pair is in place
  program_wake();                   // a program waiting for a key takes it now
  return true;
}

namespace {
bool slot_offset(uint16_t offset) { return offset >= bios_kbd_first && offset < bios_kbd_end && !(offset & 1); }
}  // namespace

bool bios_key_take(uint8_t* character, uint8_t* scan) {
  paste_feed();
  const uint16_t head = cm_read16(bios_kbd_head);
  const uint16_t tail = cm_read16(bios_kbd_tail);
  if (head == tail) return false;
  // The ring's offsets are program-visible memory. A bad tail is restarted at the
  // first slot by the next key put in; until then nothing can be read, and the
  // head waits at the first slot to meet it. A bad head would walk through the
  // rest of the BIOS data area: it drops what waits instead.
  if (!slot_offset(tail)) {
    cm_write16(bios_kbd_head, bios_kbd_first);
    return false;
  }
  if (!slot_offset(head)) {
    cm_write16(bios_kbd_head, tail);
    return false;
  }
  *character = cm_read8(0x400 + head);
  *scan = cm_read8(0x401 + head);
  cm_write16(bios_kbd_head, head + 2 >= bios_kbd_end ? bios_kbd_first : head + 2);  // the slot is free after this
  return true;
}

namespace {
// A program polling INKEY$ in a tight loop would keep a core busy: once it has
// come back empty this many times in a row, each less than a millisecond after
// the previous one, an empty poll waits up to a millisecond for a key. A key
// ends that wait at once; a program that polls less often never waits.
constexpr int32_t busy_polls = 64;
constexpr int64_t busy_gap_ns = 1000000;
int32_t empty_polls = 0;
int64_t last_poll_ns = 0;
}  // namespace

bool inkey_take(uint8_t* character, uint8_t* scan) {
  if (bios_key_take(character, scan)) {
    empty_polls = 0;
    return true;
  }
  const int64_t now = ns_counter();
  empty_polls = now - last_poll_ns < busy_gap_ns ? empty_polls + 1 : 0;
  last_poll_ns = now;
  if (empty_polls < busy_polls) return false;
  const uint32_t seen = program_wakes();
  bool taken = bios_key_take(character, scan);  // the key may have come meanwhile
  if (!taken) {
    program_wait(seen, 1);
    taken = bios_key_take(character, scan);
    last_poll_ns = ns_counter();
  }
  if (taken) empty_polls = 0;
  return taken;
}

str_desc* inkey() {
  if (pending_error.load()) return str_new(0, true);
  platform_sleep(0);
  uint8_t character = 0, scan = 0;
  if (!inkey_take(&character, &scan)) return str_new(0, true);
  if (character != 0 || scan == 0) {
    str_desc* s = str_new(1, true);
    s->chars[0] = character;
    return s;
  }
  str_desc* s = str_new(2, true);
  s->chars[0] = 0;
  s->chars[1] = scan;
  return s;
}

namespace {
constexpr int32_t mask = keyhit_size - 1;

struct keyhit_entry {
  std::atomic<int32_t> value{0};
  std::atomic<int32_t> keypad{0};
};
keyhit_entry entries[keyhit_size];
std::atomic<int32_t> keyhit_write{0};
std::atomic<int32_t> keyhit_read{0};
}  // namespace

void keyhit_reset() { keyhit_read.store(keyhit_write.load()); }

void keyhit_put(int32_t value, int32_t keypad) {
  const int32_t at = keyhit_write.load();
  const int32_t next = (at + 1) & mask;
  int32_t read = next;
  // Full: the oldest event is lost (unless the reader has just taken it).
  keyhit_read.compare_exchange_strong(read, (next + 1) & mask);
  entries[at].value.store(value);
  entries[at].keypad.store(keypad);
  keyhit_write.store(next);
}

bool keyhit_take(int32_t* value, int32_t* keypad) {
  for (;;) {
    int32_t at = keyhit_read.load();
    if (at == keyhit_write.load()) return false;
    const int32_t v = entries[at].value.load();
    const int32_t k = entries[at].keypad.load();
    // The writer may have dropped this entry meanwhile: then read again.
    if (keyhit_read.compare_exchange_strong(at, (at + 1) & mask)) {
      *value = v;
      *keypad = k;
      return true;
    }
  }
}

namespace {
constexpr int32_t capacity = 256;
// Written by the key handlers, read by the program's port input.
std::mutex port60_mutex;
uint8_t bytes[capacity];
int32_t length = 0;
}  // namespace

void port60_append(uint8_t byte) {
  std::lock_guard<std::mutex> lock(port60_mutex);
  if (length > 0 && bytes[length - 1] == byte) return;
  if (length == capacity) {
    std::memmove(bytes, bytes + 1, capacity - 1);
    --length;
  }
  bytes[length++] = byte;
}

bool port60_take(uint8_t* byte) {
  std::lock_guard<std::mutex> lock(port60_mutex);
  if (length == 0) return false;
  *byte = bytes[0];
  std::memmove(bytes, bytes + 1, static_cast<size_t>(length - 1));
  --length;
  return true;
}

std::vector<uint8_t> port60_contents() {
  std::lock_guard<std::mutex> lock(port60_mutex);
  return std::vector<uint8_t>(bytes, bytes + length);
}

namespace {
int32_t slots[256];
int32_t count = 0;
}  // namespace

void suppressed_keys_add(int32_t code) {
  for (int32_t i = 0; i < count; ++i)
    if (slots[i] == 0) {
      slots[i] = code;
      return;
    }
  if (count <= 254) slots[count++] = code;
}

bool suppressed_keys_take(int32_t code) {
  for (int32_t i = 0; i < count; ++i)
    if (slots[i] == code) {
      slots[i] = 0;
      return true;
    }
  return false;
}

void suppressed_keys_clear() {
  for (int32_t& s : slots) s = 0;
  count = 0;
}
