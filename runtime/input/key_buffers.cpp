#include "runtime/input/input.h"

#include <atomic>
#include <cstring>
#include <mutex>

#include "runtime/core/core.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/platform/platform.h"

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

// INKEY$'s record of its recent empty looks.
struct inkey_poll_state {
  int32_t empty_polls = 0;
  int64_t last_poll_ns = 0;
};
inkey_poll_state inkey_poll;
}  // namespace

void inkey_poll_reset() { inkey_poll = inkey_poll_state{}; }

bool inkey_take(uint8_t* character, uint8_t* scan) {
  if (bios_key_take(character, scan)) {
    inkey_poll.empty_polls = 0;
    return true;
  }
  const int64_t now = ns_counter();
  inkey_poll.empty_polls = now - inkey_poll.last_poll_ns < busy_gap_ns ? inkey_poll.empty_polls + 1 : 0;
  inkey_poll.last_poll_ns = now;
  if (inkey_poll.empty_polls < busy_polls) return false;
  const uint32_t seen = program_wakes();
  bool taken = bios_key_take(character, scan);  // the key may have come meanwhile
  if (!taken) {
    program_wait(seen, 1);
    taken = bios_key_take(character, scan);
    inkey_poll.last_poll_ns = ns_counter();
  }
  if (taken) inkey_poll.empty_polls = 0;
  return taken;
}

str_desc* inkey() {
  if (error_report.pending.load()) return str_new(0, true);
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
constexpr int32_t keyhit_mask = keyhit_size - 1;

struct keyhit_entry {
  std::atomic<int32_t> value{0};
  std::atomic<int32_t> keypad{0};
};

// The key-event ring: the window thread writes, the program thread reads.
struct keyhit_queue {
  keyhit_entry entries[keyhit_size];
  std::atomic<int32_t> write_index{0};
  std::atomic<int32_t> read_index{0};
};
keyhit_queue keyhits;
}  // namespace

void keyhit_reset() { keyhits.read_index.store(keyhits.write_index.load()); }

void keyhit_put(int32_t value, int32_t keypad) {
  const int32_t at = keyhits.write_index.load();
  const int32_t next = (at + 1) & keyhit_mask;
  int32_t read = next;
  // Full: the oldest event is lost (unless the reader has just taken it).
  keyhits.read_index.compare_exchange_strong(read, (next + 1) & keyhit_mask);
  keyhits.entries[at].value.store(value);
  keyhits.entries[at].keypad.store(keypad);
  keyhits.write_index.store(next);
}

bool keyhit_take(int32_t* value, int32_t* keypad) {
  for (;;) {
    int32_t at = keyhits.read_index.load();
    if (at == keyhits.write_index.load()) return false;
    const int32_t v = keyhits.entries[at].value.load();
    const int32_t k = keyhits.entries[at].keypad.load();
    // The writer may have dropped this entry meanwhile: then read again.
    if (keyhits.read_index.compare_exchange_strong(at, (at + 1) & keyhit_mask)) {
      *value = v;
      *keypad = k;
      return true;
    }
  }
}

namespace {
constexpr int32_t port60_capacity = 256;

// Scan-code bytes: written by the key handlers, read by the program's port input.
struct port60_ring {
  std::mutex lock;
  uint8_t bytes[port60_capacity];
  int32_t length = 0;
};
port60_ring port60;
}  // namespace

void port60_append(uint8_t byte) {
  std::lock_guard<std::mutex> lock(port60.lock);
  if (port60.length > 0 && port60.bytes[port60.length - 1] == byte) return;
  if (port60.length == port60_capacity) {
    std::memmove(port60.bytes, port60.bytes + 1, port60_capacity - 1);
    --port60.length;
  }
  port60.bytes[port60.length++] = byte;
}

bool port60_take(uint8_t* byte) {
  std::lock_guard<std::mutex> lock(port60.lock);
  if (port60.length == 0) return false;
  *byte = port60.bytes[0];
  std::memmove(port60.bytes, port60.bytes + 1, static_cast<size_t>(port60.length - 1));
  --port60.length;
  return true;
}

std::vector<uint8_t> port60_contents() {
  std::lock_guard<std::mutex> lock(port60.lock);
  return std::vector<uint8_t>(port60.bytes, port60.bytes + port60.length);
}

void port60_reset() {
  std::lock_guard<std::mutex> lock(port60.lock);
  port60.length = 0;
}

namespace {
// Codes whose release is swallowed; 0 marks a free slot.
struct suppressed_key_list {
  int32_t codes[256];
  int32_t used;  // slots up to here have been used
};
suppressed_key_list suppressed{};
}  // namespace

void suppressed_keys_add(int32_t code) {
  for (int32_t i = 0; i < suppressed.used; ++i)
    if (suppressed.codes[i] == 0) {
      suppressed.codes[i] = code;
      return;
    }
  if (suppressed.used <= 254) suppressed.codes[suppressed.used++] = code;
}

bool suppressed_keys_take(int32_t code) {
  for (int32_t i = 0; i < suppressed.used; ++i)
    if (suppressed.codes[i] == code) {
      suppressed.codes[i] = 0;
      return true;
    }
  return false;
}

void suppressed_keys_clear() { suppressed = suppressed_key_list{}; }
