#include "runtime/text/text.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "runtime/core/core.h"
#include "runtime/text/detail/text_internals.h"
#include "runtime/image/pixels.h"

namespace {

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
  const uint8_t* s = blend_tables.scale[a];
  return {a << 24 | static_cast<uint32_t>(s[(colour >> 16) & 0xFF]) << 16 |
              static_cast<uint32_t>(s[(colour >> 8) & 0xFF]) << 8 | s[colour & 0xFF],
          blend_tables.scale[255 - a]};
}

// A glyph row of 8 one-byte pixels as a word: each byte 0xFF where the glyph is set.
inline uint64_t row_mask(const uint8_t* row) {
  uint64_t mask;
  std::memcpy(&mask, row, 8);
  return mask;
}

// Whole glyph inside the image: the common case, without per-pixel checks.
template <typename pixel>
void draw_unclipped(image_record* img, const builtin_glyph& g, int32_t x0, int32_t y0) {
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
  // Fonts below the loaded ones that are not built in draw as font 16.
  builtin_glyph g = builtin_glyph_of(font, static_cast<uint8_t>(code));
  if (!g.pixels) g = builtin_glyph_of(16, static_cast<uint8_t>(code));
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

namespace {

// The value each coverage gives a 32-bit pixel with blending, for one print
// mode and pair of colours: colour with alpha scaled by coverage (mode 1),
// background with alpha scaled by what the coverage leaves (mode 2), or a mix
// of the two weighted by coverage in every channel (mode 3). Made again only
// when the mode or a colour changes.
struct coverage_values {
  bool ready = false;
  uint32_t colour = 0, background = 0;
  uint32_t of[256];
};
coverage_values values_in_use[3];  // by print mode 1, 2, 3

const uint32_t* values_for(uint8_t mode, uint32_t colour, uint32_t background) {
  mode = mode == 1 || mode == 2 ? mode : 3;
  coverage_values& v = values_in_use[mode - 1];
  if (v.ready && v.colour == colour && v.background == background) return v.of;
  for (uint32_t c = 0; c < 256; ++c) {
    if (mode == 1) {
      v.of[c] = (colour & 0xFFFFFF) | ((c * ((colour >> 24) + 1)) >> 8) << 24;
    } else if (mode == 2) {
      v.of[c] = (background & 0xFFFFFF) | (((255 - c) * ((background >> 24) + 1)) >> 8) << 24;
    } else {
      v.of[c] = coverage_mix(colour, background, c);
    }
  }
  v.ready = true;
  v.colour = colour;
  v.background = background;
  return v.of;
}

// Coverage from half up counts as set where pixels are only set or clear.
constexpr uint8_t coverage_set = 128;

}  // namespace

namespace {

// Where a glyph's bitmap lands: the rows r_first .. r_end - 1 that lie inside,
// with bitmap (0, 0) at image pixel (x0, y0).
struct coverage_target {
  image_record* img;
  const glyph_coverage& glyph;
  int64_t x0, y0, r_first, r_end;
  bool set_clear;  // coverage counts only as set or clear
};

// Draws bitmap columns from .. to - 1 in a print mode.
void draw_run(const coverage_target& t, int64_t from, int64_t to, uint8_t mode) {
  if (from >= to) return;
  image_record* img = t.img;
  const uint32_t fg = img->colour, bg = img->background;
  const size_t w = img->width;
  const size_t first = static_cast<size_t>(t.y0 + t.r_first) * w + static_cast<size_t>(t.x0 + from);
  const size_t count = static_cast<size_t>(to - from);
  const uint8_t* rows = t.glyph.pixels + from;
  const int64_t pitch = t.glyph.width;
  if (img->bytes_per_pixel == 1) {
    const uint8_t fg8 = static_cast<uint8_t>(fg & img->mask), bg8 = static_cast<uint8_t>(bg & img->mask);
    for (int64_t r = t.r_first; r < t.r_end; ++r) {
      uint8_t* out = img->data + first + static_cast<size_t>(r - t.r_first) * w;
      const uint8_t* in = rows + r * pitch;
      for (size_t c = 0; c < count; ++c) {
        const bool set = in[c] >= coverage_set;
        if (set ? mode == 2 : mode == 1) continue;
        shared_put(out + c, set ? fg8 : bg8);
      }
    }
    return;
  }
  uint32_t* pixels = reinterpret_cast<uint32_t*>(img->data) + first;
  if (t.set_clear) {
    const bool raw = img->blend_off;
    for (int64_t r = t.r_first; r < t.r_end; ++r) {
      uint32_t* out = pixels + static_cast<size_t>(r - t.r_first) * w;
      const uint8_t* in = rows + r * pitch;
      for (size_t c = 0; c < count; ++c) {
        const bool set = in[c] >= coverage_set;
        if (set ? mode == 2 : mode == 1) continue;
        const uint32_t value = set ? fg : bg;
        shared_put(out + c, raw ? value : blend_over(out[c], value));
      }
    }
    return;
  }
  const uint32_t* values = values_for(mode, fg, bg);
  for (int64_t r = t.r_first; r < t.r_end; ++r) {
    uint32_t* out = pixels + static_cast<size_t>(r - t.r_first) * w;
    const uint8_t* in = rows + r * pitch;
    for (size_t c = 0; c < count; ++c) {
      const uint32_t value = values[in[c]];
      if ((value >> 24) == 0) continue;  // changes nothing
      shared_put(out + c, blend_over(out[c], value));
    }
  }
}

// A box of image pixels, x_lo .. x_hi by y_lo .. y_hi, that drawing keeps within.
struct pixel_bounds {
  int64_t x_lo, y_lo, x_hi, y_hi;
};

pixel_bounds image_bounds(const image_record* img) {
  return {0, 0, int64_t{img->width} - 1, int64_t{img->height} - 1};
}

void draw_coverage_within(image_record* img, const glyph_coverage& glyph, int32_t font_flag_bits, int64_t pen_x,
                          int64_t y0, const pixel_bounds& bounds, coverage_parts parts) {
  if (!glyph.pixels || glyph.width <= 0 || glyph.height <= 0) return;
  const int64_t x0 = pen_x + glyph.left;
  const int64_t x_lo = bounds.x_lo, y_lo = bounds.y_lo, x_hi = bounds.x_hi, y_hi = bounds.y_hi;
  // The part of the bitmap that lands inside: columns c_first .. c_end - 1, rows r_first .. r_end - 1.
  const int64_t c_first = std::max<int64_t>(0, x_lo - x0), c_end = std::min<int64_t>(glyph.width, x_hi - x0 + 1);
  const int64_t r_first = std::max<int64_t>(0, y_lo - y0), r_end = std::min<int64_t>(glyph.height, y_hi - y0 + 1);
  if (c_first >= c_end || r_first >= r_end) return;

  const note_write_at_exit mark;
  const coverage_target target{img, glyph, x0, y0, r_first, r_end,
                               img->bytes_per_pixel == 1 || img->blend_off || (font_flag_bits & font_dontblend)};
  // The glyph's own cell, from the pen to its advance, is drawn by the print
  // mode. Ink hanging over a neighbour is drawn as by print mode 1 (never
  // with background), so that it does not wipe out the neighbour's pixels.
  const uint8_t mode = img->print_mode;
  const int64_t cell_from = std::clamp<int64_t>(-int64_t{glyph.left}, c_first, c_end);
  const int64_t cell_to = std::clamp<int64_t>(-int64_t{glyph.left} + glyph.advance, cell_from, c_end);
  if (parts & coverage_cell) draw_run(target, cell_from, cell_to, mode);
  if (mode != 2 && (parts & coverage_overhang)) {
    draw_run(target, c_first, cell_from, 1);
    draw_run(target, cell_to, c_end, 1);
  }
}

}  // namespace

void draw_coverage(image_record* img, const glyph_coverage& glyph, int32_t font_flag_bits, int64_t pen_x, int64_t y0,
                   bool clip_to_view, coverage_parts parts) {
  pixel_bounds bounds = image_bounds(img);
  if (clip_to_view) {
    bounds.x_lo = std::max<int64_t>(bounds.x_lo, img->view_x1);
    bounds.y_lo = std::max<int64_t>(bounds.y_lo, img->view_y1);
    bounds.x_hi = std::min<int64_t>(bounds.x_hi, img->view_x2);
    bounds.y_hi = std::min<int64_t>(bounds.y_hi, img->view_y2);
  }
  draw_coverage_within(img, glyph, font_flag_bits, pen_x, y0, bounds, parts);
}

namespace {

// Text output draws a loaded font one glyph per call, and in a print mode
// that paints the background a glyph's cell wipes out the ink the glyphs
// before it hang over that cell (the hook of an "f" over the next letter).
// The run remembers the glyphs of the current line whose ink reaches past
// the pen, so that the part of their overhang inside a new cell is drawn
// again over it: the same pixels as drawing the run's cells first and then
// its overhangs. A glyph drawn anywhere but at the pen where the last one
// ended, or with another image, font, print mode or colours, starts a new run.
struct overhanging_glyph {
  uint32_t code;
  int64_t pen;
  int64_t reach;  // one past the bitmap's last column
};

constexpr int32_t run_glyphs_max = 8;

struct glyph_run {
  const image_record* img = nullptr;
  uint32_t font = 0, colour = 0, background = 0;
  uint8_t print_mode = 0;
  bool blend_off = false;
  int64_t y0 = 0;
  int64_t pen_end = 0;  // where the next glyph of the run starts
  int32_t count = 0;    // glyphs with ink past pen_end, oldest first
  overhanging_glyph glyphs[run_glyphs_max];
};

glyph_run current_run;

bool run_goes_on(const image_record* img, uint32_t font, int64_t pen, int64_t y0) {
  const glyph_run& r = current_run;
  return r.count > 0 && r.img == img && r.font == font && r.pen_end == pen && r.y0 == y0 && r.colour == img->colour &&
         r.background == img->background && r.print_mode == img->print_mode && r.blend_off == img->blend_off;
}

// Draws a loaded font's glyph at (pen, y0) as part of the run. Kept out of
// put_char, whose built-in glyphs then need no more registers saved.
[[gnu::noinline]] void draw_run_glyph(image_record* img, uint32_t font, uint32_t code, int64_t pen, int64_t y0) {
  const glyph_coverage* glyph = loaded_glyph(font, code);
  if (!glyph) return;
  glyph_run& run = current_run;
  if (!run_goes_on(img, font, pen, y0)) run.count = 0;
  const int64_t advance = glyph->advance, reach = pen + glyph->left + glyph->width;
  const uint8_t mode = img->print_mode;
  if (run.count == 0 || mode == 1 || mode == 2) {
    // Print mode 1 wipes nothing; mode 2 draws no overhangs.
    draw_coverage(img, *glyph, font_table.flags[font], pen, y0, false);
  } else {
    draw_coverage(img, *glyph, font_table.flags[font], pen, y0, false, coverage_cell);
    pixel_bounds cell = image_bounds(img);
    cell.x_lo = std::max<int64_t>(cell.x_lo, pen);
    cell.x_hi = std::min<int64_t>(cell.x_hi, pen + advance - 1);
    for (int32_t i = 0; i < run.count; ++i) {
      const glyph_coverage* before = loaded_glyph(font, run.glyphs[i].code);
      if (before) draw_coverage_within(img, *before, font_table.flags[font], run.glyphs[i].pen, y0, cell, coverage_overhang);
    }
    // Looking up the earlier glyphs may have emptied the font's cache.
    glyph = loaded_glyph(font, code);
    if (glyph) draw_coverage(img, *glyph, font_table.flags[font], pen, y0, false, coverage_overhang);
  }
  run.img = img;
  run.font = font;
  run.colour = img->colour;
  run.background = img->background;
  run.print_mode = mode;
  run.blend_off = img->blend_off;
  run.y0 = y0;
  run.pen_end = pen + advance;
  int32_t kept = 0;
  for (int32_t i = 0; i < run.count; ++i)
    if (run.glyphs[i].reach > run.pen_end) run.glyphs[kept++] = run.glyphs[i];
  if (reach > run.pen_end) {
    if (kept == run_glyphs_max) {  // the oldest goes
      std::copy(run.glyphs + 1, run.glyphs + kept, run.glyphs);
      --kept;
    }
    run.glyphs[kept++] = {code, pen, reach};
  }
  run.count = kept;
}

}  // namespace

void end_glyph_run() { current_run.count = 0; }

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
  const int32_t cw = font_width_of(font), ch = font_height_of(font);
  const int32_t x0 = cw ? (col - 1) * cw : col - 1;
  const int32_t y0 = (row - 1) * ch;
  if (font < first_loaded_font) {
    current_run.count = 0;
    draw_builtin_glyph(img, font, code, x0, y0, false);
    return;
  }
  draw_run_glyph(img, font, code, x0, y0);
}

namespace {

// Characters of a text for a font: bytes, or with a UNICODE font four-byte
// code points (a shorter rest is not a character).
struct font_text {
  const uint8_t* chars;
  int32_t length;
  bool unicode;

  font_text(const str_desc* text, uint32_t font)
      : chars(text ? text->chars : nullptr),
        length(text ? std::max(text->len, 0) : 0),
        unicode(font >= first_loaded_font && font < font_slots_max && (font_table.flags[font] & font_unicode)) {}
  int32_t count() const { return unicode ? length / 4 : length; }
  uint32_t operator[](int32_t i) const {
    if (!unicode) return chars[i];
    uint32_t code;
    std::memcpy(&code, chars + static_cast<size_t>(i) * 4, 4);
    return code;
  }
};

}  // namespace

int32_t text_width(const str_desc* text, int64_t page_or_handle, int32_t given) {
  if (error_report.pending.load()) return 0;
  const int32_t index = resolve_target(page_or_handle, given & 1);
  const int32_t length = text ? text->len : 0;
  if (!index || length <= 0) return 0;
  const image_record* img = image_at(index);
  if (img->text) return length;
  const uint32_t font = img->font;
  const font_text characters(text, font);
  // A fixed-width font gives every character its width; a proportional one
  // gives each its advance, so the width is where the pen ends up.
  int64_t width = 0;
  if (const int32_t fixed = font_width_of(font)) {
    width = int64_t{fixed} * characters.count();
  } else {
    for (int32_t i = 0; i < characters.count(); ++i)
      if (const glyph_coverage* glyph = loaded_glyph(font, characters[i])) width += glyph->advance;
  }
  return static_cast<int32_t>(std::min<int64_t>(width, INT32_MAX));
}

namespace {

// A pixel coordinate rounded to nearest, kept far outside any image when the
// value is huge or not a number, so that later sums cannot overflow.
int64_t pixel_position(float v) {
  constexpr float far_outside = 1 << 24;
  if (!(v > -far_outside)) return -int64_t{1 << 24};
  if (!(v < far_outside)) return int64_t{1} << 24;
  return static_cast<int64_t>(std::nearbyint(v));
}

}  // namespace

void draw_text_at(image_record* img, float px, float py, const str_desc* text) {
  if (!text || text->len <= 0) return;
  int64_t x0 = pixel_position(px);
  const int64_t y0 = pixel_position(py);
  const uint32_t font = img->font;
  const font_text characters(text, font);
  // Advances never go back, and no bitmap starts more than a cell height left of its pen.
  const int64_t beyond = int64_t{img->width} + font_height_max;
  if (font < first_loaded_font) {
    for (int32_t i = 0; i < characters.count() && x0 <= beyond; ++i) {
      draw_builtin_glyph(img, font, characters[i], static_cast<int32_t>(x0), static_cast<int32_t>(y0), true);
      x0 += font_width_of(font);
    }
    return;
  }
  // Every glyph's cell first, then the ink that hangs out of the cells: with a
  // background, a cell would otherwise wipe out the overhang of the glyph before
  // it (the hook of an "f" over the next letter).
  const int64_t start = x0;
  for (const coverage_parts part : {coverage_cell, coverage_overhang}) {
    x0 = start;
    for (int32_t i = 0; i < characters.count() && x0 <= beyond; ++i) {
      const glyph_coverage* glyph = loaded_glyph(font, characters[i]);
      if (!glyph) continue;
      draw_coverage(img, *glyph, font_table.flags[font], x0, y0, true, part);
      x0 += glyph->advance;
    }
  }
}
