#include "runtime/screen/screen.h"

#include <cmath>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/screen/detail/screen_internals.h"
#include "runtime/screen/pixels.h"

namespace {

struct glyph_source {
  const uint8_t* pixels;  // 8 bytes per row
  int32_t rows;
  int32_t repeat;  // 2 for the double-width fonts
};

glyph_source glyph_of(uint32_t font, uint32_t code) {
  code &= 0xFF;
  switch (font) {
    case 8:
    case 9:
      return {glyph_8x8 + code * 64, 8, font == 9 ? 2 : 1};
    case 14:
    case 15:
      return {glyph_8x16 + code * 128 + 8, 14, font == 15 ? 2 : 1};
    default:
      return {glyph_8x16 + code * 128, 16, font == 17 ? 2 : 1};
  }
}

// Value of a glyph pixel by print mode; false leaves the pixel alone.
inline bool glyph_value(uint8_t mode, bool set, uint32_t colour, uint32_t background, uint32_t* value) {
  if (set) {
    *value = colour;
    return mode != 2;
  }
  *value = background;
  return mode != 1;
}

// A colour to blend over pixels: its part of the result, and the table row
// that scales the pixel's channels (the same sums blend_over makes).
struct premixed {
  uint32_t add;
  const uint8_t* keep;
};

premixed premix(uint32_t colour) {
  const uint32_t a = colour >> 24;
  const uint8_t* s = blend_scale[a];
  return {a << 24 | static_cast<uint32_t>(s[(colour >> 16) & 0xFF]) << 16 |
              static_cast<uint32_t>(s[(colour >> 8) & 0xFF]) << 8 | s[colour & 0xFF],
          blend_scale[255 - a]};
}

// A glyph row of 8 one-byte pixels as a word: each byte 0xFF where the glyph is set.
inline uint64_t row_mask(const uint8_t* row) {
  uint64_t mask;
  std::memcpy(&mask, row, 8);
  return mask;
}

// Whole glyph inside the image: the common case, without per-pixel checks.
template <typename pixel>
void draw_unclipped(image_record* img, const glyph_source& g, int32_t x0, int32_t y0) {
  const note_write_at_exit mark;
  const uint8_t mode = img->print_mode;
  const int32_t w = img->width;
  if constexpr (sizeof(pixel) == 1) {
    const uint8_t fg = static_cast<uint8_t>(img->colour & img->mask);
    const uint8_t bg = static_cast<uint8_t>(img->background & img->mask);
    uint8_t* first = img->data + static_cast<size_t>(y0) * w + x0;
    if (g.repeat == 1 && (reinterpret_cast<uintptr_t>(first) & 7) == 0 && (w & 7) == 0) {
      // Rows of eight pixels on word boundaries: one word per row, merged by mask.
      const uint64_t fg8 = 0x0101010101010101ull * fg, bg8 = 0x0101010101010101ull * bg;
      for (int32_t r = 0; r < g.rows; ++r) {
        auto* out = reinterpret_cast<uint64_t*>(first + static_cast<size_t>(r) * w);
        const uint64_t set = row_mask(g.pixels + r * 8);
        uint64_t value;
        if (mode == 3) {
          value = (fg8 & set) | (bg8 & ~set);
        } else {
          const uint64_t old = shared_get(*out);
          value = mode == 1 ? (old & ~set) | (fg8 & set) : (old & set) | (bg8 & ~set);
        }
        shared_put(out, value);
      }
      return;
    }
    for (int32_t r = 0; r < g.rows; ++r) {
      uint8_t* out = first + static_cast<size_t>(r) * w;
      const uint8_t* in = g.pixels + r * 8;
      for (int32_t c = 0; c < 8; ++c) {
        const bool set = in[c] != 0;
        if (set ? mode == 2 : mode == 1) {
          out += g.repeat;
          continue;
        }
        for (int32_t k = 0; k < g.repeat; ++k) shared_put(out++, set ? fg : bg);
      }
    }
  } else {
    const uint32_t fg = img->colour, bg = img->background;
    const bool raw = img->blend_off;
    if (mode == 3 && g.repeat == 1 && (raw || ((fg >> 24) == 0xFF && (bg >> 24) == 0xFF))) {
      // Every pixel replaced: a plain select per pixel.
      for (int32_t r = 0; r < g.rows; ++r) {
        uint32_t* out = reinterpret_cast<uint32_t*>(img->data) + static_cast<size_t>(y0 + r) * w + x0;
        const uint8_t* in = g.pixels + r * 8;
        for (int32_t c = 0; c < 8; ++c) shared_put(out + c, in[c] ? fg : bg);
      }
      return;
    }
    if (!raw && g.repeat == 1) {
      // Blending with two fixed colours: their scaled channels are worked out
      // once, leaving one table row for the pixel's own channels.
      const premixed colours[2] = {premix(bg), premix(fg)};
      for (int32_t r = 0; r < g.rows; ++r) {
        uint32_t* out = reinterpret_cast<uint32_t*>(img->data) + static_cast<size_t>(y0 + r) * w + x0;
        const uint8_t* in = g.pixels + r * 8;
        for (int32_t c = 0; c < 8; ++c) {
          const bool set = in[c] != 0;
          if (set ? mode == 2 : mode == 1) continue;
          const premixed& p = colours[set];
          const uint32_t v = out[c];
          shared_put(out + c, p.add + (static_cast<uint32_t>(p.keep[v >> 24]) << 24 |
                                           static_cast<uint32_t>(p.keep[(v >> 16) & 0xFF]) << 16 |
                                           static_cast<uint32_t>(p.keep[(v >> 8) & 0xFF]) << 8 | p.keep[v & 0xFF]));
        }
      }
      return;
    }
    for (int32_t r = 0; r < g.rows; ++r) {
      uint32_t* out = reinterpret_cast<uint32_t*>(img->data) + static_cast<size_t>(y0 + r) * w + x0;
      const uint8_t* in = g.pixels + r * 8;
      for (int32_t c = 0; c < 8; ++c) {
        uint32_t value;
        if (!glyph_value(mode, in[c] != 0, fg, bg, &value)) {
          out += g.repeat;
          continue;
        }
        for (int32_t k = 0; k < g.repeat; ++k, ++out) shared_put(out, raw ? value : blend_over(*out, value));
      }
    }
  }
}

}  // namespace

void draw_builtin_glyph(image_record* img, uint32_t font, uint32_t code, int32_t x0, int32_t y0, bool clip_to_view) {
  const glyph_source g = glyph_of(font, code);
  const int32_t cell_w = 8 * g.repeat;
  const bool inside = x0 >= 0 && y0 >= 0 && x0 + cell_w <= img->width && y0 + g.rows <= img->height &&
                      (!clip_to_view || (x0 >= img->view_x1 && x0 + cell_w - 1 <= img->view_x2 &&
                                         y0 >= img->view_y1 && y0 + g.rows - 1 <= img->view_y2));
  if (inside) {
    if (img->bytes_per_pixel == 1)
      draw_unclipped<uint8_t>(img, g, x0, y0);
    else
      draw_unclipped<uint32_t>(img, g, x0, y0);
    return;
  }
  for (int32_t r = 0; r < g.rows; ++r) {
    for (int32_t c = 0; c < cell_w; ++c) {
      uint32_t value;
      if (!glyph_value(img->print_mode, g.pixels[r * 8 + c / g.repeat] != 0, img->colour, img->background, &value))
        continue;
      const int32_t x = x0 + c, y = y0 + r;
      if (clip_to_view) {
        store_pixel_clipped(img, x, y, value);
      } else if (x >= 0 && y >= 0 && x < img->width && y < img->height) {
        store_pixel(img, x, y, value);
      }
    }
  }
}

void draw_coverage(image_record* img, const glyph_coverage& glyph, int32_t font_flag_bits, int32_t x0, int32_t y0,
                   bool clip_to_view) {
  const bool plain = img->bytes_per_pixel == 1 || img->blend_off || (font_flag_bits & font_dontblend);
  const uint8_t mode = img->print_mode;
  const uint32_t fg = img->colour, bg = img->background;
  for (int32_t r = 0; r < glyph.height; ++r) {
    for (int32_t c = 0; c < glyph.width; ++c) {
      const uint32_t cover = glyph.pixels[static_cast<size_t>(r) * glyph.width + c];
      uint32_t value;
      if (plain) {
        if (!glyph_value(mode, cover != 0, fg, bg, &value)) continue;
      } else if (mode == 1) {
        if (cover == 0) continue;
        value = (fg & 0xFFFFFF) | ((cover * ((fg >> 24) + 1)) >> 8) << 24;
      } else if (mode == 2) {
        if (cover == 255) continue;
        value = (bg & 0xFFFFFF) | (((255 - cover) * ((bg >> 24) + 1)) >> 8) << 24;
      } else {
        // Each channel, alpha included, mixed from background to colour by coverage.
        value = 0;
        for (int32_t shift = 0; shift < 32; shift += 8) {
          const uint32_t f = (fg >> shift) & 0xFF, b = (bg >> shift) & 0xFF;
          value |= ((f * cover + b * (255 - cover) + 127) / 255) << shift;
        }
      }
      const int32_t x = x0 + c, y = y0 + r;
      if (clip_to_view) {
        store_pixel_clipped(img, x, y, value);
      } else if (x >= 0 && y >= 0 && x < img->width && y < img->height) {
        store_pixel(img, x, y, value);
      }
    }
  }
}

void put_char(uint32_t code) {
  image_record* img = write_image;
  const int32_t col = cursor_col_of(img), row = cursor_row_of(img);
  if (img->text) {
    if (col < 1 || row < 1 || col > img->width || row > img->height) return;
    uint8_t* cell = img->data + (static_cast<size_t>(row - 1) * img->width + (col - 1)) * 2;
    const uint32_t attribute = ((img->colour & 0x10) << 3) | (img->background << 4) | (img->colour & 0x0F);
    shared_store8(cell, static_cast<uint8_t>(code));
    shared_store8(cell + 1, static_cast<uint8_t>(attribute));
    return;
  }
  const uint32_t font = img->font;
  const int32_t cw = font_width[font], ch = font_height[font];
  const int32_t x0 = cw ? (col - 1) * cw : col - 1;
  const int32_t y0 = (row - 1) * ch;
  if (font < first_loaded_font) {
    draw_builtin_glyph(img, font, code, x0, y0, false);
    return;
  }
  glyph_coverage glyph;
  const bool drawn = font_flags[font] & font_unicode ? font_engine_render_code_point(font_handle[font], code, &glyph)
                                                     : font_engine_render_char(font_handle[font], code & 0xFF, &glyph);
  if (!drawn || !glyph.pixels) return;
  draw_coverage(img, glyph, font_flags[font], x0, y0, false);
  font_engine_free_glyph(&glyph);
}

int32_t text_width(const str_desc* text, int64_t page_or_handle, int32_t given) {
  if (pending_error.load()) return 0;
  const int32_t index = resolve_target(page_or_handle, given & 1);
  const int32_t length = text ? text->len : 0;
  if (!index || length <= 0) return 0;
  const image_record* img = image_at(index);
  if (img->text) return length;
  const uint32_t font = img->font;
  if (font_width[font]) return font_width[font] * length;
  // Proportional font: draw the text into a scratch row and find its last pixel.
  const int32_t scratch = image_create(65535, font_height[font], 32);
  if (!scratch) return 0;
  const int32_t saved_write = write_index, saved_read = read_index;
  set_write_image(scratch);
  set_read_image(scratch);
  image_record* row = image_at(scratch);
  row->font = font;
  for (int32_t i = 0; i < length; ++i) {
    const uint32_t code = text->chars[i];
    glyph_coverage glyph;
    int32_t advance = 0;
    if (font_engine_render_char(font_handle[font], code, &glyph)) {
      advance = glyph.advance;
      font_engine_free_glyph(&glyph);
    }
    put_char(code);
    set_cursor(row, cursor_col_of(row) + advance, 1);
  }
  int32_t width = 0;
  const auto* pixels = reinterpret_cast<const uint32_t*>(row->data);
  for (int32_t x = 65534; x >= 0; --x) {
    if (pixels[x]) {
      width = x + 1;
      break;
    }
  }
  set_write_image(saved_write);
  set_read_image(saved_read);
  image_free_memory(row);
  image_release(scratch);
  return width;
}

namespace {

// On a text surface the position is a cell: LOCATE there, print, and LOCATE
// back to where the cursor was (as CSRLIN and POS report it).
void print_at_cell(int32_t index, float x, float y, const str_desc* text) {
  const int32_t saved_write = write_index;
  set_write_image(index);
  const int32_t row = csrlin(), col = pos();
  locate(static_cast<int32_t>(std::nearbyint(y)), static_cast<int32_t>(std::nearbyint(x)), 0, 0, 0, 3);
  if (!pending_error.load()) {
    print_text(text, 0);
    locate(row, col, 0, 0, 0, 3);
  }
  set_write_image(saved_write);
}

}  // namespace

void print_at(float x, float y, const str_desc* text, int64_t page_or_handle, int32_t given) {
  if (pending_error.load()) return;
  const int32_t index = resolve_target(page_or_handle, given & 2);
  const int32_t length = text ? text->len : 0;
  if (!index || length <= 0) return;
  image_record* img = image_at(index);
  if (img->text) {
    print_at_cell(index, x, y, text);
    return;
  }
  if (given & 1) {
    img->gfx_x += x;
    img->gfx_y += y;
  } else {
    img->gfx_x = x;
    img->gfx_y = y;
  }
  // The glyphs start at the new graphics point in pixels: scaled, then offset
  // by the view port, as every plotted point is.
  float px = img->gfx_x, py = img->gfx_y;
  if (img->coord_mode == coords_scaled) {
    px = px * img->scale_x + img->scale_offset_x;
    py = py * img->scale_y + img->scale_offset_y;
  }
  if (img->coord_mode != coords_pixels) {
    px += static_cast<float>(img->view_offset_x);
    py += static_cast<float>(img->view_offset_y);
  }
  int32_t x0 = static_cast<int32_t>(std::nearbyint(px));
  const int32_t y0 = static_cast<int32_t>(std::nearbyint(py));
  const uint32_t font = img->font;
  for (int32_t i = 0; i < length; ++i) {
    const uint32_t code = text->chars[i];
    if (font < first_loaded_font) {
      draw_builtin_glyph(img, font, code, x0, y0, true);
      x0 += font_width[font];
      continue;
    }
    glyph_coverage glyph;
    if (!font_engine_render_char(font_handle[font], code, &glyph)) continue;
    if (glyph.pixels) draw_coverage(img, glyph, font_flags[font], x0, y0, true);
    x0 += glyph.advance;
    font_engine_free_glyph(&glyph);
  }
}
