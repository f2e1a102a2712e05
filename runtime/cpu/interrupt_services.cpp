// The interrupts machine code may raise, answered from the runtime: INT 10h
// (video: modes, cursor, characters, pixels), INT 16h (the BIOS keyboard
// buffer), INT 1Ah (the tick count), INT 21h (version, time, vectors,
// terminate), INT 20h (terminate) and INT 33h (the mouse). Another interrupt
// goes through the vector table when the code installed a vector there (a
// non-zero entry), else ends the code with cpu_stop::unserved_interrupt; so
// does a function of a served interrupt that is not offered.
#include <utility>

#include "runtime/core/core.h"
#include "runtime/core/shared_memory.h"
#include "runtime/cpu/cpu.h"
#include "runtime/cpu/detail/cpu_internals.h"
#include "runtime/input/input.h"
#include "runtime/platform/platform.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

namespace {

// The mouse driver's own state.
struct mouse_driver {
  int32_t visible = -1;  // shown while >= 0, as show/hide count
  int32_t min_x = 0, max_x = 32767, min_y = 0, max_y = 32767;
  bool position_set = false;  // reported until the mouse moves again
  int32_t set_x = 0, set_y = 0;
};
mouse_driver mouse;

uint8_t low(uint16_t w) { return static_cast<uint8_t>(w); }
uint8_t high(uint16_t w) { return static_cast<uint8_t>(w >> 8); }
void set_low(uint16_t& w, uint8_t v) { w = static_cast<uint16_t>((w & 0xFF00) | v); }
void set_high(uint16_t& w, uint8_t v) { w = static_cast<uint16_t>((w & 0x00FF) | (v << 8)); }

bool unserved(cpu_state& cpu, uint8_t number) {
  cpu.stop = cpu_stop::unserved_interrupt;
  cpu.stop_detail = number;
  return true;
}

// A run-time error raised by a statement the service used ends the code.
bool after_statement(cpu_state& cpu) {
  if (error_report.pending.load()) cpu.stop = cpu_stop::error;
  return true;
}

void set_zero_flag(cpu_state& cpu, bool on) {
  cpu.flags = static_cast<uint16_t>(on ? (cpu.flags | flag_zf) : (cpu.flags & ~flag_zf));
}

// BIOS video mode numbers and the SCREEN modes they become.
int32_t screen_mode_of(uint8_t bios_mode) {
  switch (bios_mode) {
    case 0x00: case 0x01: case 0x02: case 0x03: case 0x07: return 0;
    case 0x04: case 0x05: return 1;
    case 0x06: return 2;
    case 0x0D: return 7;
    case 0x0E: return 8;
    case 0x10: return 9;
    case 0x11: return 11;
    case 0x12: return 12;
    case 0x13: return 13;
    default: return -1;
  }
}

uint8_t bios_mode_of(int32_t screen_mode) {
  switch (screen_mode) {
    case 1: return 0x04;
    case 2: return 0x06;
    case 7: return 0x0D;
    case 8: return 0x0E;
    case 9: return 0x10;
    case 11: return 0x11;
    case 12: return 0x12;
    case 13: return 0x13;
    default: return 0x03;
  }
}

// Character AL (attribute or colour BL when with_attribute) CX times from the
// cursor on, the cursor staying where it is.
void write_chars(cpu_state& cpu, bool with_attribute) {
  image_record* img = write_image;
  const uint8_t ch = low(cpu.regs[reg_ax]);
  const uint8_t attribute = low(cpu.regs[reg_bx]);
  const int32_t col = cursor_col_of(img), row = cursor_row_of(img);
  const int32_t columns = image_columns(img), rows = image_rows(img);
  int64_t cell = static_cast<int64_t>(row - 1) * columns + (col - 1);
  const int64_t cells = static_cast<int64_t>(columns) * rows;
  if (img->text) {
    for (uint32_t i = 0; i < cpu.regs[reg_cx] && cell >= 0 && cell < cells; ++i, ++cell) {
      uint8_t* p = img->data + cell * 2;
      shared_store8(p, ch);
      if (with_attribute) shared_store8(p + 1, attribute);
    }
    return;
  }
  const uint32_t colour = img->colour;
  if (with_attribute) img->colour = attribute & img->mask;
  for (uint32_t i = 0; i < cpu.regs[reg_cx] && cell >= 0 && cell < cells; ++i, ++cell) {
    set_cursor(img, static_cast<int32_t>(cell % columns) + 1, static_cast<int32_t>(cell / columns) + 1);
    put_char(ch);
  }
  img->colour = colour;
  set_cursor(img, col, row);
}

// The pixel byte at CX, DX of an image of one byte per pixel, or null.
uint8_t* pixel_at(cpu_state& cpu) {
  image_record* img = write_image;
  const uint32_t x = cpu.regs[reg_cx], y = cpu.regs[reg_dx];
  if (img->text || img->bytes_per_pixel != 1 || x >= img->width || y >= img->height) return nullptr;
  return img->data + static_cast<size_t>(y) * img->width + x;
}

bool video_service(cpu_state& cpu) {
  uint16_t& ax = cpu.regs[reg_ax];
  image_record* img = write_image;
  switch (high(ax)) {
    case 0x00: {
      const int32_t mode = screen_mode_of(low(ax) & 0x7F);
      if (mode < 0) return unserved(cpu, 0x10);
      screen_set(mode, 0, 0, 0, 0, 1);
      return after_statement(cpu);
    }
    case 0x02: {  // set cursor: DH row, DL column from 0; off the screen is ignored
      const int32_t row = high(cpu.regs[reg_dx]) + 1, col = low(cpu.regs[reg_dx]) + 1;
      if (row <= image_rows(img) && col <= image_columns(img)) locate(row, col, 0, 0, 0, 3);
      return after_statement(cpu);
    }
    case 0x03:
      cpu.regs[reg_dx] = static_cast<uint16_t>(((csrlin() - 1) << 8) | ((pos() - 1) & 0xFF));
      cpu.regs[reg_cx] = static_cast<uint16_t>((shared_get(img->cursor_first_line) << 8) |
                                               shared_get(img->cursor_last_line));
      return true;
    case 0x09: write_chars(cpu, true); return true;
    case 0x0A: write_chars(cpu, false); return true;
    case 0x0C:
      if (uint8_t* p = pixel_at(cpu)) {
        const uint8_t colour = static_cast<uint8_t>(low(ax) & 0x7F & img->mask);
        shared_store8(p, (low(ax) & 0x80) ? static_cast<uint8_t>(shared_get(*p) ^ colour) : colour);
      }
      return true;
    case 0x0D: {
      const uint8_t* p = pixel_at(cpu);
      set_low(ax, p ? shared_get(*p) : 0);
      return true;
    }
    case 0x0E: {
      const uint8_t ch = low(ax);
      print_chars(&ch, 1, 0);
      return after_statement(cpu);
    }
    case 0x0F:
      ax = static_cast<uint16_t>((image_columns(img) << 8) | bios_mode_of(img->mode));
      set_high(cpu.regs[reg_bx], 0);
      return true;
    default: return unserved(cpu, 0x10);
  }
}

bool keyboard_service(cpu_state& cpu) {
  uint16_t& ax = cpu.regs[reg_ax];
  switch (high(ax)) {
    case 0x00: case 0x10: {  // read a key, waiting for one
      uint8_t ch = 0, scan = 0;
      for (;;) {
        const uint32_t seen = program_wakes();
        if (bios_key_take(&ch, &scan)) break;
        if (machine_stop_asked()) {
          cpu.stop = cpu_stop::terminated;
          return true;
        }
        program_wait(seen, 50);
      }
      ax = static_cast<uint16_t>((scan << 8) | ch);
      return true;
    }
    case 0x01: case 0x11: {  // key status: ZF clear and AX the next key when one waits
      const uint16_t head = cm_read16(bios_kbd_head), tail = cm_read16(bios_kbd_tail);
      const bool empty = head == tail || head < 0x1E || head > 0x3C;
      if (!empty) ax = cm_read16(0x400u + head);
      set_zero_flag(cpu, empty);
      return true;
    }
    case 0x02: case 0x12: set_low(ax, cm_read8(0x417)); return true;
    default: return unserved(cpu, 0x16);
  }
}

bool time_service(cpu_state& cpu) {
  if (high(cpu.regs[reg_ax]) != 0x00) return unserved(cpu, 0x1A);
  cpu.regs[reg_cx] = cm_read16(bios_tick_count + 2);
  cpu.regs[reg_dx] = cm_read16(bios_tick_count);
  set_low(cpu.regs[reg_ax], 0);
  return true;
}

bool dos_service(cpu_state& cpu) {
  uint16_t& ax = cpu.regs[reg_ax];
  switch (high(ax)) {
    case 0x00: case 0x4C: cpu.stop = cpu_stop::terminated; return true;
    case 0x30: ax = 0x0005; cpu.regs[reg_bx] = 0; cpu.regs[reg_cx] = 0; return true;  // version 5.0
    case 0x2C: {
      const uint32_t ms = day_ms_at(static_cast<uint32_t>(ms_counter()), clock_bases.counter, clock_bases.day_ms) % 86400000u;
      cpu.regs[reg_cx] = static_cast<uint16_t>(((ms / 3600000) << 8) | ((ms / 60000) % 60));
      cpu.regs[reg_dx] = static_cast<uint16_t>((((ms / 1000) % 60) << 8) | ((ms % 1000) / 10));
      return true;
    }
    case 0x25:  // set vector AL to DS:DX
      cpu_write16(cpu, 0, static_cast<uint16_t>(low(ax) * 4), cpu.regs[reg_dx]);
      cpu_write16(cpu, 0, static_cast<uint16_t>(low(ax) * 4 + 2), cpu.sregs[seg_ds]);
      return true;
    case 0x35:  // get vector AL into ES:BX
      cpu.regs[reg_bx] = cpu_read16(cpu, 0, static_cast<uint16_t>(low(ax) * 4));
      cpu.sregs[seg_es] = cpu_read16(cpu, 0, static_cast<uint16_t>(low(ax) * 4 + 2));
      return true;
    default: return unserved(cpu, 0x21);
  }
}

// The mouse position and buttons now, through the driver's ranges. In SCREEN
// 13 the driver counts 640 columns, as the classic driver does.
void mouse_now(int32_t* x, int32_t* y, int32_t* buttons) {
  bool moved = false;
  while (mouse_input()) moved = true;
  if (moved) mouse.position_set = false;
  *x = mouse.position_set ? mouse.set_x : mouse_x() * (write_image->mode == 13 ? 2 : 1);
  *y = mouse.position_set ? mouse.set_y : mouse_y();
  *x = *x < mouse.min_x ? mouse.min_x : (*x > mouse.max_x ? mouse.max_x : *x);
  *y = *y < mouse.min_y ? mouse.min_y : (*y > mouse.max_y ? mouse.max_y : *y);
  *buttons = (mouse_button(1) ? 1 : 0) | (mouse_button(2) ? 2 : 0) | (mouse_button(3) ? 4 : 0);
}

bool mouse_service(cpu_state& cpu) {
  uint16_t* r = cpu.regs;
  switch (r[reg_ax]) {
    case 0x0000:
      mouse = mouse_driver{};
      r[reg_ax] = 0xFFFF;
      r[reg_bx] = 3;
      return true;
    case 0x0001: if (mouse.visible < 0) ++mouse.visible; return true;
    case 0x0002: --mouse.visible; return true;
    case 0x0003: {
      int32_t x, y, buttons;
      mouse_now(&x, &y, &buttons);
      r[reg_bx] = static_cast<uint16_t>(buttons);
      r[reg_cx] = static_cast<uint16_t>(x);
      r[reg_dx] = static_cast<uint16_t>(y);
      return true;
    }
    case 0x0004:
      while (mouse_input()) {
      }
      mouse.position_set = true;
      mouse.set_x = static_cast<int16_t>(r[reg_cx]);
      mouse.set_y = static_cast<int16_t>(r[reg_dx]);
      return true;
    case 0x0007: case 0x0008: {
      int32_t a = static_cast<int16_t>(r[reg_cx]), b = static_cast<int16_t>(r[reg_dx]);
      if (a > b) std::swap(a, b);
      (r[reg_ax] == 7 ? mouse.min_x : mouse.min_y) = a;
      (r[reg_ax] == 7 ? mouse.max_x : mouse.max_y) = b;
      return true;
    }
    default: return unserved(cpu, 0x33);
  }
}

}  // namespace

bool serve_interrupt(cpu_state& cpu, uint8_t number) {
  // A vector the code installed wins over the runtime's answer, except for the
  // services themselves (the table holds no handlers of the runtime).
  switch (number) {
    case 0x10: return video_service(cpu);
    case 0x16: return keyboard_service(cpu);
    case 0x1A: return time_service(cpu);
    case 0x20: cpu.stop = cpu_stop::terminated; return true;
    case 0x21: return dos_service(cpu);
    case 0x33: return mouse_service(cpu);
    default: break;
  }
  const uint32_t vector = static_cast<uint32_t>(cpu_read16(cpu, 0, static_cast<uint16_t>(number * 4))) |
                          (static_cast<uint32_t>(cpu_read16(cpu, 0, static_cast<uint16_t>(number * 4 + 2))) << 16);
  if (vector != 0) return false;
  if (number == 0) {
    cpu.stop = cpu_stop::divide_fault;
    return true;
  }
  return unserved(cpu, number);
}

void mouse_driver_reset() { mouse = mouse_driver{}; }
