// DEF SEG, PEEK, POKE and the address functions over the emulated megabyte,
// and the slow pages every access of PEEK, POKE and machine code goes
// through: the BIOS data area (which the window thread writes: shared access)
// and the video windows onto the write page (A000 in SCREEN 13, B800 in text
// modes; the rest of A000-BFFFF reads 0xFF and ignores writes).
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/core/shared_memory.h"
#include "runtime/cpu/cpu.h"
#include "runtime/cpu/detail/cpu_internals.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

namespace {

uint16_t current_segment = data_segment_paragraph;

constexpr uint32_t bios_data_start = 0x400;
constexpr uint32_t bios_data_end = 0x500;
constexpr uint32_t graphics_window = 0xA0000;
constexpr uint32_t text_window = 0xB8000;
constexpr uint32_t video_end = 0xC0000;

// The write page's byte behind a video address, or null for none.
uint8_t* video_byte(uint32_t lin) {
  image_record* img = write_image;
  if (!img || !img->data) return nullptr;
  if (lin >= graphics_window && lin < text_window) {
    const uint32_t offset = lin - graphics_window;
    if (img->text || img->mode != 13 || img->bytes_per_pixel != 1) return nullptr;
    if (offset >= static_cast<uint32_t>(img->width) * img->height) return nullptr;
    return img->data + offset;
  }
  if (lin >= text_window && lin < video_end) {
    const uint32_t offset = lin - text_window;
    if (!img->text || offset >= static_cast<uint32_t>(img->width) * img->height * 2) return nullptr;
    return img->data + offset;
  }
  return nullptr;
}

uint8_t slow_read(uint32_t lin) {
  if (lin >= bios_data_start && lin < bios_data_end) return cm_read8(lin);
  if (lin < 0x1000) return conventional_memory[lin];
  if (lin >= graphics_window && lin < video_end) {
    const uint8_t* p = video_byte(lin);
    return p ? shared_get(*p) : 0xFF;
  }
  return conventional_memory[lin & 0xFFFFF];
}

void slow_write(uint32_t lin, uint8_t value) {
  if (lin >= bios_data_start && lin < bios_data_end) {
    cm_write8(lin, value);
    return;
  }
  if (lin < 0x1000) {
    conventional_memory[lin] = value;
    return;
  }
  if (lin >= graphics_window && lin < video_end) {
    if (uint8_t* p = video_byte(lin)) shared_store8(p, value);
    return;
  }
  conventional_memory[lin & 0xFFFFF] = value;
}

cpu_hooks make_hooks() {
  cpu_hooks h;
  h.slow_pages[0] = 1;
  for (uint32_t page = graphics_window >> 12; page < (video_end >> 12); ++page) h.slow_pages[page] = 1;
  h.read = slow_read;
  h.write = slow_write;
  h.interrupt = serve_interrupt;
  return h;
}

const cpu_hooks hooks = make_hooks();

// A 16-bit segment or offset as the statements take it; false (error 5 raised)
// outside -32768..65535.
bool word_argument(int32_t n, uint16_t* out) {
  if (n < -32768 || n > 65535) {
    raise_error(err_illegal_function_call);
    return false;
  }
  *out = static_cast<uint16_t>(n);
  return true;
}

// The linear address of bytes in the emulated megabyte, or -1.
int64_t linear_of(const void* bytes) {
  const uint8_t* p = static_cast<const uint8_t*>(bytes);
  if (p < conventional_memory || p >= conventional_memory + 0x100000) return -1;
  return p - conventional_memory;
}

// The data segment holds the address: its offset there, else -1.
int64_t data_offset_of(int64_t lin) {
  if (lin < string_segment_offset || lin >= string_segment_offset + 0x10000) return -1;
  return lin - string_segment_offset;
}

}  // namespace

const cpu_hooks& machine_hooks() { return hooks; }

void cpu_for_runtime(cpu_state& cpu) { cpu_attach(cpu, conventional_memory, &hooks); }

void def_seg(int32_t segment, int32_t given) {
  if (error_report.pending.load()) return;
  if (!given) {
    current_segment = data_segment_paragraph;
    return;
  }
  uint16_t s;
  if (word_argument(segment, &s)) current_segment = s;
}

uint16_t def_seg_current() { return current_segment; }

int32_t peek(int32_t offset) {
  if (error_report.pending.load()) return 0;
  uint16_t off;
  if (!word_argument(offset, &off)) return 0;
  cpu_state cpu;
  cpu_for_runtime(cpu);
  return cpu_read8(cpu, current_segment, off);
}

void poke(int32_t offset, int32_t value) {
  if (error_report.pending.load()) return;
  uint16_t off;
  if (!word_argument(offset, &off)) return;
  if (value < 0 || value > 255) {
    raise_error(err_illegal_function_call);
    return;
  }
  cpu_state cpu;
  cpu_for_runtime(cpu);
  cpu_write8(cpu, current_segment, off, static_cast<uint8_t>(value));
}

int32_t variable_segment(const void* bytes) {
  const int64_t lin = linear_of(bytes);
  if (lin < 0) return raise_error(err_illegal_function_call), 0;
  if (data_offset_of(lin) >= 0) return data_segment_paragraph;
  return static_cast<int32_t>(lin >> 4);
}

int32_t variable_offset(const void* bytes) {
  const int64_t lin = linear_of(bytes);
  if (lin < 0) return raise_error(err_illegal_function_call), 0;
  const int64_t off = data_offset_of(lin);
  if (off >= 0) return static_cast<int32_t>(off);
  return static_cast<int32_t>(lin & 15);
}

int32_t string_record_segment(const str_desc* s) {
  if (!s || !s->segment_record) return raise_error(err_illegal_function_call), 0;
  return data_segment_paragraph;
}

int32_t string_record_offset(const str_desc* s) {
  if (!s || !s->segment_record) return raise_error(err_illegal_function_call), 0;
  return s->segment_record_offset;
}

int32_t string_address(const str_desc* s) {
  if (!s) return raise_error(err_illegal_function_call), 0;
  const int64_t off = s->len == 0 && s->chars == nullptr ? -1 : data_offset_of(linear_of(s->chars));
  if (off < 0) return raise_error(err_illegal_function_call), 0;
  return static_cast<int32_t>(off);
}
