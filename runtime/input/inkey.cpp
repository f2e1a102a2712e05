#include "runtime/input/inkey.h"

#include "runtime/core/core.h"
#include "runtime/input/bios_key_buffer.h"
#include "runtime/platform/platform.h"

namespace {
bool slot_offset(uint16_t offset) { return offset >= bios_kbd_first && offset < bios_kbd_end && !(offset & 1); }
}  // namespace

bool bios_key_take(uint8_t* character, uint8_t* scan) {
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

str_desc* inkey() {
  if (pending_error.load()) return str_new(0, true);
  platform_sleep(0);
  uint8_t character = 0, scan = 0;
  if (!bios_key_take(&character, &scan)) return str_new(0, true);
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
