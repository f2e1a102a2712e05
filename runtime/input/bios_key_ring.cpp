// The writers' side of the BIOS keyboard buffer: emptying it, putting a key
// in, and the lock that the key handlers and the paste hold while they do.
#include <mutex>

#include "runtime/core/core.h"
#include "runtime/input/detail/input_internals.h"
#include "runtime/input/input.h"

namespace {
// Serialises key_down/key_up between the window thread and lock polling, and
// with them the pasted keys put into the BIOS buffer; soft-key strings re-enter
// key_down on the same thread.
std::recursive_mutex key_handlers_mutex;
}  // namespace

std::recursive_mutex& key_handlers_lock() { return key_handlers_mutex; }

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
