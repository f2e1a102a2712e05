#pragma once
// Storing into image memory that the frame builder may be reading at the same
// moment: pixel stores with masking and blending, fills of rows and boxes,
// logical coordinates to pixels and back, the view port, and the turns that let
// a bulk move use plain copies. Program thread, except the builder's side of
// the read turns.
#include <array>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "runtime/core/shared_memory.h"
#include "runtime/platform/platform.h"
#include "runtime/image/image.h"

// Set after stores into image memory or palettes; the frame builder clears it,
// and while it stays clear the shown image is as the builder last read it, so
// an unchanged screen costs no comparison. The release store orders the data
// stores before it for the builder, which reads the flag with acquire.
inline std::atomic<bool> shared_memory_written{true};
inline void note_shared_write() { shared_memory_written.store(true, std::memory_order_release); }

// Marks the shared memory written when the scope ends: for loops that store
// through shared_put, which leaves the mark to it.
struct note_write_at_exit {
  note_write_at_exit() = default;
  note_write_at_exit(const note_write_at_exit&) = delete;
  note_write_at_exit& operator=(const note_write_at_exit&) = delete;
  ~note_write_at_exit() { note_shared_write(); }
};

// The stores of core/shared_memory.h with the mark: one pixel or cell byte, one
// 32-bit pixel (4-byte aligned, as 32-bit pixel memory always is), a run of bytes.
// Loads are shared_get.
inline void shared_store8(uint8_t* p, uint8_t value) {
  shared_put(p, value);
  note_shared_write();
}
inline void shared_store32(uint32_t* p, uint32_t value) {
  shared_put(p, value);
  note_shared_write();
}
inline void shared_copy(uint8_t* dst, const uint8_t* src, size_t n) {
  shared_put_bytes(dst, src, n);
  note_shared_write();
}

inline uint32_t palette_get(const std::atomic<uint32_t>* palette, int32_t i) {
  return palette[i].load(std::memory_order_relaxed);
}
inline void palette_put(std::atomic<uint32_t>* palette, int32_t i, uint32_t value) {
  palette[i].store(value, std::memory_order_relaxed);
  note_shared_write();
}

// Storing pixels into images: masking for indexed pixels, alpha blending for
// 32-bit ones.

// scale[a][v] = v * a / 255 rounded; built when the first 32-bit image is made
// and never changed after. The program thread builds it.
struct blend_tables_state {
  uint8_t scale[256][256] = {};
  bool ready = false;
};
extern blend_tables_state blend_tables;
void blend_tables_build();

// src over dst: alpha 0xFF replaces, 0 keeps dst, anything else mixes the
// colour channels by the alpha and covers dst's alpha accordingly.
inline uint32_t blend_over(uint32_t dst, uint32_t src) {
  const uint32_t a = src >> 24;
  if (a == 0xFF) return src;
  if (a == 0) return dst;
  const uint8_t* s = blend_tables.scale[a];
  const uint8_t* d = blend_tables.scale[255 - a];
  const uint32_t r = s[(src >> 16) & 0xFF] + d[(dst >> 16) & 0xFF];
  const uint32_t g = s[(src >> 8) & 0xFF] + d[(dst >> 8) & 0xFF];
  const uint32_t b = s[src & 0xFF] + d[dst & 0xFF];
  const uint32_t alpha = a + d[dst >> 24];
  return alpha << 24 | r << 16 | g << 8 | b;
}

// Stores value at (x, y), which must lie inside the image (not text).
inline void store_pixel(image_record* img, int32_t x, int32_t y, uint32_t value) {
  const size_t at = static_cast<size_t>(y) * img->width + static_cast<size_t>(x);
  if (img->bytes_per_pixel == 1) {
    shared_store8(img->data + at, static_cast<uint8_t>(value & img->mask));
    return;
  }
  uint32_t* p = reinterpret_cast<uint32_t*>(img->data) + at;
  shared_store32(p, img->blend_off ? value : blend_over(*p, value));
}

// As store_pixel, dropping pixels outside the image's view port.
inline void store_pixel_clipped(image_record* img, int32_t x, int32_t y, uint32_t value) {
  if (x < img->view_x1 || x > img->view_x2 || y < img->view_y1 || y > img->view_y2) return;
  if (x < 0 || y < 0 || x >= img->width || y >= img->height) return;
  store_pixel(img, x, y, value);
}

// Filling and clearing runs of image memory the frame builder may be reading:
// eight bytes per store where the memory allows, element by element elsewhere.

// Eight bytes holding value as elements of size 1, 2 or 4 bytes.
inline uint64_t repeated_element(uint32_t value, int32_t size) {
  if (size == 1) return (value & 0xFFu) * 0x0101010101010101ull;
  if (size == 2) return (value & 0xFFFFu) * 0x0001000100010001ull;
  return uint64_t{value} * 0x0000000100000001ull;
}

// Fills bytes (a whole number of elements) at dst, aligned to the element
// size, with a pattern from repeated_element, using plain stores: only for
// memory no other thread can read at the moment.
inline void plain_fill(uint8_t* dst, uint64_t pattern, size_t bytes) {
  const uint64_t block[4] = {pattern, pattern, pattern, pattern};
  size_t i = 0;
  for (; i + 32 <= bytes; i += 32) std::memcpy(dst + i, block, 32);
  for (; i + 8 <= bytes; i += 8) std::memcpy(dst + i, &pattern, 8);
  std::memcpy(dst + i, &pattern, bytes - i);
}

// Stores count elements of size (1, 2 or 4 bytes) holding value at dst, which
// is aligned to size.
inline void shared_fill_elements(uint8_t* dst, uint32_t value, int32_t size, size_t count) {
  const auto store_one = [&](uint8_t* p) {
    if (size == 1)
      shared_put(p, static_cast<uint8_t>(value));
    else if (size == 2)
      shared_put(reinterpret_cast<uint16_t*>(p), static_cast<uint16_t>(value));
    else
      shared_put(reinterpret_cast<uint32_t*>(p), value);
  };
  uint8_t* end = dst + count * static_cast<size_t>(size);
  while (dst < end && (reinterpret_cast<uintptr_t>(dst) & 7) != 0) {
    store_one(dst);
    dst += size;
  }
  // An element boundary on an eight-byte boundary: the pattern repeats in step.
  const uint64_t pattern = repeated_element(value, size);
  for (; dst + 8 <= end; dst += 8)
    shared_put(reinterpret_cast<uint64_t*>(dst), pattern);
  for (; dst < end; dst += size) store_one(dst);
  note_shared_write();
}

// Moves n bytes from src down to dst (dst < src, the ranges may overlap), as
// shared_copy does but four words per step: the loads run ahead of the stores.
inline void shared_move_down(uint8_t* dst, const uint8_t* src, size_t n) {
  size_t i = 0;
  if ((reinterpret_cast<uintptr_t>(dst) & 7) == 0) {
    for (; i + 32 <= n; i += 32) {
      uint64_t w0, w1, w2, w3;
      std::memcpy(&w0, src + i, 8);
      std::memcpy(&w1, src + i + 8, 8);
      std::memcpy(&w2, src + i + 16, 8);
      std::memcpy(&w3, src + i + 24, 8);
      auto* out = reinterpret_cast<uint64_t*>(dst + i);
      shared_put(out + 0, w0);
      shared_put(out + 1, w1);
      shared_put(out + 2, w2);
      shared_put(out + 3, w3);
    }
  }
  shared_copy(dst + i, src + i, n - i);
}

// Fills pixel rows y1..y2 (inclusive, inside the image) of a pixel surface with
// value, stored as given: one-byte pixels get value AND mask, 32-bit pixels
// the value itself with no blending.
inline void fill_pixel_rows(image_record* img, int32_t y1, int32_t y2, uint32_t value) {
  if (y1 > y2) return;
  const size_t row_bytes = static_cast<size_t>(img->width) * img->bytes_per_pixel;
  uint8_t* start = img->data + static_cast<size_t>(y1) * row_bytes;
  const size_t pixels = static_cast<size_t>(y2 - y1 + 1) * img->width;
  if (img->bytes_per_pixel == 1)
    shared_fill_elements(start, value & img->mask, 1, pixels);
  else
    shared_fill_elements(start, value, 4, pixels);
}

// Fills the pixel rectangle x1..x2, y1..y2 (inclusive, inside the image) as fill_pixel_rows does.
inline void fill_pixel_box(image_record* img, int32_t x1, int32_t y1, int32_t x2, int32_t y2, uint32_t value) {
  if (x1 > x2 || y1 > y2) return;
  if (x1 == 0 && x2 == img->width - 1) {
    fill_pixel_rows(img, y1, y2, value);
    return;
  }
  const int32_t bpp = img->bytes_per_pixel;
  const uint32_t stored = bpp == 1 ? value & img->mask : value;
  for (int32_t y = y1; y <= y2; ++y)
    shared_fill_elements(img->data + (static_cast<size_t>(y) * img->width + x1) * bpp, stored, bpp,
                         static_cast<size_t>(x2 - x1 + 1));
}

// Fills text rows r1..r2 (1-based, inside the image) of a text surface with
// one cell (character in the low byte, attribute in the high byte).
inline void fill_text_rows(image_record* img, int32_t r1, int32_t r2, uint16_t cell) {
  if (r1 > r2) return;
  shared_fill_elements(img->data + static_cast<size_t>(r1 - 1) * img->width * 2, cell, 2,
                       static_cast<size_t>(r2 - r1 + 1) * img->width);
}

// Turns between the frame builder's reads of image memory and the program
// thread's bulk moves (scrolling).
//
// Single-pixel writers and the builder meet through relaxed atomic loads and
// stores, which cost nothing extra on x86 but cannot be vectorised. A scroll
// moves whole rows and wants the plain vector copy, so it asks for a turn in
// which the builder is known not to be reading: it never waits for one. If the
// builder is reading, the scroll takes the atomic path; if the program has the
// turn, the builder waits until the move ends (a few microseconds).

inline std::atomic<int32_t> builder_reading{0};
inline std::atomic<int32_t> program_moving{0};

// Program thread only. True: until end_plain_writes, the caller may access
// image memory with plain loads and stores, as no other thread reads it.
inline bool begin_plain_writes() {
  program_moving.store(1, std::memory_order_relaxed);
  light_fence();
  if (builder_reading.load(std::memory_order_acquire) == 0) return true;
  program_moving.store(0, std::memory_order_release);
  return false;
}

inline void end_plain_writes() {
  program_moving.store(0, std::memory_order_release);
  note_shared_write();
}

// The builder's side: held from the first read of image memory to the end of
// the build step.
struct screen_read_turn {
  bool held = false;
  void take() {
    if (held) return;
    held = true;
    builder_reading.store(1, std::memory_order_relaxed);
    heavy_fence();
    // The program may lose its processor in the middle of a move: spin a
    // little, then give the processor away.
    for (int spins = 0; program_moving.load(std::memory_order_acquire) != 0; ++spins)
      if (spins > 64) platform_sleep(0);
  }
  ~screen_read_turn() {
    if (held) builder_reading.store(0, std::memory_order_release);
  }
  screen_read_turn() = default;
  screen_read_turn(const screen_read_turn&) = delete;
  screen_read_turn& operator=(const screen_read_turn&) = delete;
};

// Logical coordinates to pixels through an image's view and window settings,
// and back.
//
// Rounding is to the nearest integer with ties to even. A rounded position is
// kept within far_pixel of the origin: anything farther lies outside every
// image (sides are at most 65,535 pixels) and clips the same way, and sums and
// differences of two such positions still fit in 32 bits. A coordinate that is
// not a number maps to no pixel at all.

constexpr int32_t far_pixel = 1 << 29;

// v rounded (ties to even) and pulled in to +-far_pixel; false when v is not a number.
inline bool round_pixel(double v, int32_t* out) {
  if (std::isnan(v)) return false;
  const double r = std::nearbyint(v);
  *out = r > far_pixel ? far_pixel : r < -far_pixel ? -far_pixel : static_cast<int32_t>(r);
  return true;
}

// A logical point (x, y) scaled in single precision, as the fields are, but
// not yet rounded; and the view's offset, added after the rounding.
struct scaled_point {
  float x, y;
  int32_t offset_x, offset_y;
};
inline scaled_point scale_point(const image_record* img, float x, float y) {
  if (img->coord_mode == coords_pixels) return {x, y, 0, 0};
  if (img->coord_mode == coords_scaled)
    return {x * img->scale_x + img->scale_offset_x, y * img->scale_y + img->scale_offset_y, img->view_offset_x,
            img->view_offset_y};
  return {x, y, img->view_offset_x, img->view_offset_y};
}

// The pixel of a logical point (x, y); false when either coordinate maps to
// not-a-number.
inline bool map_point(const image_record* img, float x, float y, int32_t* px, int32_t* py) {
  const scaled_point s = scale_point(img, x, y);
  if (!round_pixel(s.x, px) || !round_pixel(s.y, py)) return false;
  *px += s.offset_x;
  *py += s.offset_y;
  return true;
}

// The same mapping without the rounding, in double precision (CIRCLE's centre
// and radius, DRAW's pen).
inline double exact_pixel_x(const image_record* img, double x) {
  if (img->coord_mode == coords_pixels) return x;
  if (img->coord_mode == coords_scaled) return x * img->scale_x + img->scale_offset_x + img->view_offset_x;
  return x + img->view_offset_x;
}
inline double exact_pixel_y(const image_record* img, double y) {
  if (img->coord_mode == coords_pixels) return y;
  if (img->coord_mode == coords_scaled) return y * img->scale_y + img->scale_offset_y + img->view_offset_y;
  return y + img->view_offset_y;
}

// Unrounded pixel positions back to logical coordinates.
inline double logical_x(const image_record* img, double px) {
  if (img->coord_mode == coords_pixels) return px;
  if (img->coord_mode == coords_scaled) return (px - img->view_offset_x - img->scale_offset_x) / img->scale_x;
  return px - img->view_offset_x;
}
inline double logical_y(const image_record* img, double py) {
  if (img->coord_mode == coords_pixels) return py;
  if (img->coord_mode == coords_scaled) return (py - img->view_offset_y - img->scale_offset_y) / img->scale_y;
  return py - img->view_offset_y;
}

// The view port kept inside the image (VIEW only ever sets ports inside it;
// this holds the stores in bounds whatever the record says).
struct pixel_port {
  int32_t x1, y1, x2, y2;
};
inline pixel_port port_of(const image_record* img) {
  pixel_port p{img->view_x1, img->view_y1, img->view_x2, img->view_y2};
  if (p.x1 < 0) p.x1 = 0;
  if (p.y1 < 0) p.y1 = 0;
  if (p.x2 > img->width - 1) p.x2 = img->width - 1;
  if (p.y2 > img->height - 1) p.y2 = img->height - 1;
  return p;
}
inline bool in_port(const pixel_port& p, int32_t x, int32_t y) {
  return x >= p.x1 && x <= p.x2 && y >= p.y1 && y <= p.y2;
}

// True when img is a pixel surface with memory, which boxes and the graphics
// statements can draw on.
inline bool drawable(const image_record* img) { return img && !img->text && img->data; }

// The pixel store of boxes and the graphics statements (PSET, LINE, CIRCLE,
// PAINT, DRAW). It differs from store_pixel, the text and glyph store, only
// for 32-bit colours of alpha 0x7F and 0x80.
//
// One-byte pixels get the colour AND the image's mask. 32-bit pixels are stored
// as given with blending off or an opaque colour, left alone for alpha 0, and
// otherwise mixed: alpha 0x7F and 0x80 average each colour channel of the pixel
// and the colour (their lowest bits dropped first) and take the new alpha from
// a fixed table; every other alpha goes through blend_over.
//
// These stores do not mark the memory written: every statement marks it once
// when it ends (note_write_at_exit).

// New alpha after mixing a colour of alpha a over a pixel of alpha old: the
// colour's share plus the part of the old alpha it leaves, as blend_over counts it.
constexpr std::array<uint8_t, 256> half_alpha_table(uint32_t a) {
  std::array<uint8_t, 256> table{};
  for (uint32_t old = 0; old < 256; ++old) table[old] = static_cast<uint8_t>(a + (old * (255 - a) + 127) / 255);
  return table;
}
inline constexpr std::array<uint8_t, 256> half_alpha_7f = half_alpha_table(0x7F);
inline constexpr std::array<uint8_t, 256> half_alpha_80 = half_alpha_table(0x80);

// colour mixed over the pixel value dst; colour's alpha is neither 0 nor 0xFF.
inline uint32_t graphics_blend(uint32_t dst, uint32_t colour) {
  const uint32_t a = colour >> 24;
  if (a == 0x7F || a == 0x80) {
    const uint32_t rgb = ((dst >> 1) & 0x7F7F7F) + ((colour >> 1) & 0x7F7F7F);
    const uint8_t alpha = a == 0x80 ? half_alpha_80[dst >> 24] : half_alpha_7f[dst >> 24];
    return uint32_t{alpha} << 24 | rgb;
  }
  return blend_over(dst, colour);
}

// Writers of one colour into pixel memory by index (y * width + x), for loops
// that store many pixels: the memory and the value are held in locals, which
// the one-byte stores cannot alias.
struct byte_writer {
  uint8_t* data;
  uint8_t value;  // already masked
  void put(size_t at) const { shared_put(data + at, value); }
};
struct word_writer {
  uint32_t* data;
  uint32_t value;
  void put(size_t at) const { shared_put(data + at, value); }
};
struct blend_writer {
  uint32_t* data;
  uint32_t value;  // alpha neither 0 nor 0xFF
  void put(size_t at) const { shared_put(data + at, graphics_blend(shared_get(data[at]), value)); }
};

// Calls draw(writer) with the writer that stores colour on img as pixel_store
// would; returns draw's result, or 0 without calling it when the colour
// changes nothing (alpha 0 blended over 32-bit pixels).
template <typename Draw>
int64_t with_writer(image_record* img, uint32_t colour, Draw&& draw) {
  if (img->bytes_per_pixel == 1) return draw(byte_writer{img->data, static_cast<uint8_t>(colour & img->mask)});
  auto* data = reinterpret_cast<uint32_t*>(img->data);
  const uint32_t a = colour >> 24;
  if (img->blend_off || a == 0xFF) return draw(word_writer{data, colour});
  if (a == 0) return 0;
  return draw(blend_writer{data, colour});
}

// Stores colour at (x, y), which must lie inside the image (a pixel surface).
inline void pixel_store(image_record* img, int32_t x, int32_t y, uint32_t colour) {
  const size_t at = static_cast<size_t>(y) * img->width + static_cast<size_t>(x);
  with_writer(img, colour, [at](const auto& writer) {
    writer.put(at);
    return int64_t{1};
  });
}

// As pixel_store, dropping positions outside the view port (kept inside the image).
inline void pixel_store_clipped(image_record* img, int32_t x, int32_t y, uint32_t colour) {
  if (in_port(port_of(img), x, y)) pixel_store(img, x, y, colour);
}

// The filled box: a rectangle between two logical corners in one colour,
// clipped to the view port (LINE ... BF, VIEW's fill, CLS of a logical window).

// Fills the box on img. With blend, 32-bit colours whose alpha is neither 0
// nor 0xFF are mixed in through pixel_store and alpha 0 changes nothing; without,
// every pixel gets the colour as given. One-byte pixels get colour AND mask.
void box_fill_on(image_record* img, float x1, float y1, float x2, float y2, uint32_t colour, bool blend);
// The same on the write image.
void box_fill(float x1, float y1, float x2, float y2, uint32_t colour, bool blend);
