#pragma once
// The pixel store of the graphics statements (PSET, LINE, CIRCLE, PAINT, DRAW).
// Program thread only.
//
// One-byte pixels get the colour AND the image's mask. 32-bit pixels are stored
// as given with blending off or an opaque colour, left alone for alpha 0, and
// otherwise mixed: alpha 0x7F and 0x80 average each colour channel of the pixel
// and the colour (their lowest bits dropped first) and take the new alpha from
// a fixed table; every other alpha goes through the blending tables the glyph
// drawing uses (blend_over).
//
// Stores are relaxed (the frame builder reads pixel memory meanwhile) and do
// not mark the memory written: every statement marks it once when it ends
// (note_write_at_exit).
#include <array>
#include <cstddef>
#include <cstdint>

#include "runtime/graphics/coordinate_mapping.h"
#include "runtime/screen/image_record.h"
#include "runtime/screen/pixel_access.h"
#include "runtime/screen/pixel_store.h"

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
  void put(size_t at) const { shared_put(data + at, graphics_blend(shared_load32(data + at), value)); }
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

// True when the graphics statements can draw on img: a pixel surface with memory.
inline bool drawable(const image_record* img) { return img && !img->text && img->data; }

// The write image for a graphics statement, or null when the statement is to
// return at once: an error is pending, or the image is a text surface (which
// raises error 5 first).
image_record* graphics_statement_image();
