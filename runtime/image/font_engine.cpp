// The font engine behind loaded fonts: a FreeType face over the bytes of a
// font file, sized so that its line from ascender to descender fills the
// cell; glyphs rendered into coverage bitmaps of the cell's height, with the
// font's options (synthetic bold and slant, underline, forced fixed advance,
// two-level coverage for DONTBLEND) applied, and cached per font.
//
// Every FreeType call happens on the program thread, which owns the library,
// the faces and the glyph caches. The frame builder reads only the text-cell
// glyph set of a font, which is made whole before it is published and stays
// unchanged until the font is released; a font is released only when no image
// uses it, and text pages change their font under the display freeze, so no
// build is reading the set by then.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "runtime/image/detail/font_engine.h"
#include "runtime/image/image.h"
#include "runtime/strings/strings.h"

namespace {

// The Unicode code point a code page character is drawn from; 0 draws as a blank.
uint32_t code_point_of(uint32_t code) {
  const uint8_t c = static_cast<uint8_t>(code);
  return c == 0 ? 0x20 : cp437_code_points[c];
}

// A font's glyph cache starts again empty when it would grow past this.
constexpr size_t glyph_cache_bytes_max = size_t{32} << 20;
// Text-screen cells are made only up to this many pixels (a 128 x 128 cell):
// an 80 x 25 screen of them is a frame of 131 MB already.
constexpr int64_t text_cell_pixels_max = 128 * 128;
// Advances and overhangs are kept within these multiples of the cell height,
// whatever a font's numbers say.
constexpr int64_t advance_heights_max = 4;
constexpr int64_t overhang_heights_max = 1;
// Slant of synthetic italics: x grows by 0.2126 (tan 12 degrees) per unit of y, in 16.16.
constexpr FT_Fixed slant_shear = 0x0366A;

struct cached_glyph {
  std::vector<uint8_t> pixels;
  glyph_coverage glyph{};
};

struct engine_font {
  std::vector<uint8_t> file;  // the face reads from these bytes for the font's life
  FT_Face face = nullptr;
  int32_t height = 0;
  int32_t flags = 0;
  int32_t baseline = 0;       // rows from the top of the cell to the baseline
  int32_t fixed_advance = 0;  // 0: proportional
  int32_t underline_top = 0;
  int32_t underline_rows = 0;
  FT_Pos bold_strength = 0;  // 26.6 pixels the outlines widen by; 0 without synthetic bold
  bool slant = false;
  std::unique_ptr<cached_glyph> by_char[256];
  std::unordered_map<uint32_t, std::unique_ptr<cached_glyph>> by_code_point;
  size_t cached_bytes = 0;
  std::atomic<uint8_t*> text_cells{nullptr};

  ~engine_font() {
    delete[] text_cells.load();
    if (face) FT_Done_Face(face);
  }
};

FT_Library library = nullptr;

// The font of handle h is fonts[h - 1]. Only the program thread stores.
std::atomic<engine_font*> fonts[font_slots_max];

engine_font* font_of(uintptr_t handle) {
  if (handle == 0 || handle > static_cast<uintptr_t>(font_slots_max)) return nullptr;
  return fonts[handle - 1].load(std::memory_order_acquire);
}

// 26.6 fixed point to whole pixels, rounded.
int64_t pixels_of(FT_Pos v) { return (static_cast<int64_t>(v) + 32) >> 6; }

// Sizes the face to the cell and places the baseline: scalable faces so that
// ascender to descender spans the height (an em of the height when the face's
// numbers make no sense), bitmap faces by their nearest strike; a line shorter
// or taller than the cell is centred in it.
bool size_face(engine_font* f) {
  FT_Face face = f->face;
  if (FT_IS_SCALABLE(face)) {
    if (face->units_per_EM == 0) return false;
    const FT_Long span = static_cast<FT_Long>(face->ascender) - face->descender;
    FT_Size_RequestRec request{};
    request.type = span > 0 && span <= 4 * static_cast<FT_Long>(face->units_per_EM) ? FT_SIZE_REQUEST_TYPE_REAL_DIM
                                                                                   : FT_SIZE_REQUEST_TYPE_NOMINAL;
    request.height = static_cast<FT_Long>(f->height) * 64;
    if (FT_Request_Size(face, &request) != 0) return false;
  } else {
    if (face->num_fixed_sizes <= 0 || !face->available_sizes) return false;
    int best = 0;
    for (int i = 1; i < face->num_fixed_sizes; ++i)
      if (std::abs(face->available_sizes[i].height - f->height) < std::abs(face->available_sizes[best].height - f->height))
        best = i;
    if (FT_Select_Size(face, best) != 0) return false;
  }
  if (!face->size) return false;
  const FT_Size_Metrics& m = face->size->metrics;
  const int64_t ascent = std::clamp<int64_t>(pixels_of(m.ascender), -INT32_MAX, INT32_MAX);
  const int64_t descent = std::clamp<int64_t>(-pixels_of(m.descender), -INT32_MAX, INT32_MAX);
  f->baseline = static_cast<int32_t>(std::clamp<int64_t>(ascent + (f->height - (ascent + descent)) / 2, 0, f->height));

  // The underline: the face's own position and thickness where it has them,
  // else one row under the baseline; never thicker than an eighth of the cell.
  int64_t thickness = 1, centre = f->baseline + 1;
  if (FT_IS_SCALABLE(face)) {
    thickness = pixels_of(FT_MulFix(face->underline_thickness, m.y_scale));
    centre = f->baseline - pixels_of(FT_MulFix(face->underline_position, m.y_scale));
  }
  thickness = std::clamp<int64_t>(thickness, 1, std::max(1, f->height / 8));
  f->underline_rows = static_cast<int32_t>(thickness);
  f->underline_top = static_cast<int32_t>(std::clamp<int64_t>(centre - thickness / 2, 0, f->height - thickness));
  return true;
}

FT_Int32 load_flags(const engine_font* f) {
  return FT_LOAD_DEFAULT | ((f->flags & font_dontblend) ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_NORMAL);
}

// The glyph of a code point loaded into the face's slot with the synthetic
// styles applied to its outline; false when it cannot be loaded.
bool load_styled(engine_font* f, uint32_t code_point) {
  FT_Face face = f->face;
  const FT_UInt index = code_point <= 0x10FFFF ? FT_Get_Char_Index(face, code_point) : 0;
  if (FT_Load_Glyph(face, index, load_flags(f)) != 0) return false;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (f->bold_strength) {
      FT_Outline_EmboldenXY(&slot->outline, f->bold_strength, 0);
      slot->advance.x += f->bold_strength;
    }
    if (f->slant) {
      FT_Matrix shear{0x10000, slant_shear, 0, 0x10000};
      FT_Outline_Transform(&slot->outline, &shear);
    }
  } else if (slot->format == FT_GLYPH_FORMAT_BITMAP && f->bold_strength) {
    slot->advance.x += 64;  // bitmaps are widened by one column when copied
  }
  return true;
}

int64_t clamped_advance(const engine_font* f, FT_Pos advance) {
  return std::clamp<int64_t>(pixels_of(advance), 0, advance_heights_max * f->height);
}

// The widest advance of the code page's characters, at least 1.
int32_t widest_advance(engine_font* f) {
  int64_t widest = 1;
  for (uint32_t c = 0; c < 256; ++c)
    if (load_styled(f, code_point_of(c))) widest = std::max(widest, clamped_advance(f, f->face->glyph->advance.x));
  return static_cast<int32_t>(widest);
}

// Renders the outline in the face's slot into the glyph's bitmap with the pen
// at column origin_x and the baseline at row f->baseline. The rasteriser clips
// to the bitmap, so outlines far outside the cell cost no memory.
void draw_outline(const engine_font* f, FT_Outline* outline, cached_glyph* out, int64_t origin_x) {
  glyph_coverage& g = out->glyph;
  FT_Outline_Translate(outline, static_cast<FT_Pos>(origin_x * 64), static_cast<FT_Pos>(g.height - f->baseline) * 64);
  FT_Bitmap target{};
  target.rows = static_cast<unsigned>(g.height);
  target.width = static_cast<unsigned>(g.width);
  if (f->flags & font_dontblend) {
    // Two levels: the monochrome rasteriser, then each bit widened to a byte.
    const int pitch = (g.width + 7) / 8;
    std::vector<uint8_t> bits(static_cast<size_t>(pitch) * g.height);
    target.pitch = pitch;
    target.buffer = bits.data();
    target.pixel_mode = FT_PIXEL_MODE_MONO;
    target.num_grays = 2;
    if (FT_Outline_Get_Bitmap(library, outline, &target) != 0) return;
    for (int32_t y = 0; y < g.height; ++y)
      for (int32_t x = 0; x < g.width; ++x)
        out->pixels[static_cast<size_t>(y) * g.width + x] =
            (bits[static_cast<size_t>(y) * pitch + x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    return;
  }
  target.pitch = g.width;
  target.buffer = out->pixels.data();
  target.pixel_mode = FT_PIXEL_MODE_GRAY;
  target.num_grays = 256;
  FT_Outline_Get_Bitmap(library, outline, &target);
}

// Coverage of pixel x of a bitmap row, by the bitmap's pixel mode.
uint8_t bitmap_coverage(const FT_Bitmap& bm, const uint8_t* row, uint32_t x) {
  switch (bm.pixel_mode) {
    case FT_PIXEL_MODE_MONO: return (row[x / 8] >> (7 - x % 8)) & 1 ? 255 : 0;
    case FT_PIXEL_MODE_GRAY:
      return bm.num_grays >= 256 || bm.num_grays < 2 ? row[x] : static_cast<uint8_t>(std::min(255, row[x] * 255 / (bm.num_grays - 1)));
    case FT_PIXEL_MODE_BGRA: return row[x * 4 + 3];
    default: return 0;
  }
}

// Copies the bitmap in the face's slot into the glyph's bitmap, clipped to it;
// synthetic bold widens every pixel by one column to the right.
void copy_bitmap(const engine_font* f, const FT_GlyphSlot slot, cached_glyph* out, int64_t origin_x) {
  const FT_Bitmap& bm = slot->bitmap;
  if (!bm.buffer || bm.rows == 0 || bm.width == 0) return;
  glyph_coverage& g = out->glyph;
  const int64_t pitch = bm.pitch < 0 ? -static_cast<int64_t>(bm.pitch) : bm.pitch;
  const int32_t widen = f->bold_strength ? 1 : 0;
  for (uint32_t r = 0; r < bm.rows; ++r) {
    const int64_t y = int64_t{f->baseline} - slot->bitmap_top + r;
    if (y < 0 || y >= g.height) continue;
    const uint8_t* row = bm.buffer + (bm.pitch >= 0 ? r : bm.rows - 1 - r) * pitch;
    for (uint32_t c = 0; c < bm.width; ++c) {
      const uint8_t v = bitmap_coverage(bm, row, c);
      for (int32_t k = 0; k <= widen; ++k) {
        const int64_t x = origin_x + slot->bitmap_left + c + k;
        if (x < 0 || x >= g.width) continue;
        uint8_t& p = out->pixels[static_cast<size_t>(y) * g.width + x];
        p = std::max(p, v);
      }
    }
  }
}

// Renders one glyph. A code point the face cannot load still gives a glyph,
// empty, so that the cache remembers it.
std::unique_ptr<cached_glyph> render(engine_font* f, uint32_t code_point) {
  auto out = std::make_unique<cached_glyph>();
  glyph_coverage& g = out->glyph;
  g.height = f->height;
  enum { nothing, outline, bitmap } kind = nothing;
  int64_t advance = 0, ink_left = 0, ink_right = 0;
  FT_GlyphSlot slot = f->face->glyph;
  if (load_styled(f, code_point)) {
    advance = clamped_advance(f, slot->advance.x);
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
      FT_BBox box;
      FT_Outline_Get_CBox(&slot->outline, &box);
      ink_left = box.xMin >> 6;
      ink_right = (box.xMax + 63) >> 6;
      kind = outline;
    } else if (slot->format == FT_GLYPH_FORMAT_BITMAP) {
      ink_left = slot->bitmap_left;
      ink_right = ink_left + slot->bitmap.width + (f->bold_strength ? 1 : 0);
      kind = bitmap;
    }
  }
  // A forced fixed advance centres narrower glyphs in their cell.
  int64_t shift = 0;
  if (f->fixed_advance) {
    if (advance < f->fixed_advance) shift = (f->fixed_advance - advance) / 2;
    advance = f->fixed_advance;
  }
  // The bitmap spans the pen's advance and the ink, within an overhang of one cell height.
  const int64_t overhang = overhang_heights_max * f->height;
  const int64_t left = std::clamp<int64_t>(std::min<int64_t>(0, ink_left + shift), -overhang, 0);
  const int64_t right = std::clamp<int64_t>(std::max(advance, ink_right + shift), advance, advance + overhang);
  g.left = static_cast<int32_t>(left);
  g.width = static_cast<int32_t>(right - left);
  g.advance = static_cast<int32_t>(advance);
  out->pixels.assign(static_cast<size_t>(g.width) * g.height, 0);
  if (kind == outline) draw_outline(f, &slot->outline, out.get(), shift - left);
  if (kind == bitmap) copy_bitmap(f, slot, out.get(), shift - left);
  if (f->flags & font_underline) {
    for (int32_t y = f->underline_top; y < f->underline_top + f->underline_rows; ++y)
      std::memset(out->pixels.data() + static_cast<size_t>(y) * g.width - left, 255, static_cast<size_t>(advance));
  }
  g.pixels = out->pixels.data();
  return out;
}

// Empties a font's cache when one more glyph might pass the limit.
void make_room(engine_font* f) {
  if (f->cached_bytes < glyph_cache_bytes_max) return;
  for (auto& g : f->by_char) g.reset();
  f->by_code_point.clear();
  f->cached_bytes = 0;
}

// Renders a glyph into an empty cache slot (make_room comes first: it may empty the map).
const glyph_coverage* remember(engine_font* f, std::unique_ptr<cached_glyph>& slot, uint32_t code_point) {
  slot = render(f, code_point);
  f->cached_bytes += slot->pixels.size() + sizeof(cached_glyph);
  return &slot->glyph;
}

}  // namespace

uintptr_t font_engine_make(const uint8_t* file, size_t size, int32_t height, int32_t flags) {
  if (!file || size == 0 || size > static_cast<size_t>(LONG_MAX) || height < 1 || height > font_height_max) return 0;
  if (!library && FT_Init_FreeType(&library) != 0) {
    library = nullptr;
    return 0;
  }
  size_t slot = 0;
  while (slot < static_cast<size_t>(font_slots_max) && fonts[slot].load(std::memory_order_relaxed)) ++slot;
  if (slot == static_cast<size_t>(font_slots_max)) return 0;

  auto f = std::make_unique<engine_font>();
  f->file.assign(file, file + size);
  f->height = height;
  f->flags = flags;
  if (FT_New_Memory_Face(library, f->file.data(), static_cast<FT_Long>(size), 0, &f->face) != 0) {
    f->face = nullptr;
    return 0;
  }
  if (!size_face(f.get())) return 0;
  FT_Face face = f->face;
  // Styles the face does not have itself are made: bold by widening the
  // outlines by a 24th of the em (at least a pixel), italic by slanting them.
  if ((flags & font_bold) && !(face->style_flags & FT_STYLE_FLAG_BOLD))
    f->bold_strength = std::max<FT_Pos>(64, static_cast<FT_Pos>(face->size->metrics.y_ppem) * 64 / 24);
  f->slant = (flags & font_italic) && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
  if ((flags & font_monospace) || FT_IS_FIXED_WIDTH(face)) f->fixed_advance = widest_advance(f.get());

  fonts[slot].store(f.release(), std::memory_order_release);
  return slot + 1;
}

const glyph_coverage* font_engine_render_char(uintptr_t font, uint32_t code) {
  engine_font* f = font_of(font);
  if (!f) return nullptr;
  std::unique_ptr<cached_glyph>& slot = f->by_char[code & 0xFF];
  if (slot) return &slot->glyph;
  make_room(f);
  return remember(f, slot, code_point_of(code));
}

const glyph_coverage* font_engine_render_code_point(uintptr_t font, uint32_t code_point) {
  engine_font* f = font_of(font);
  if (!f) return nullptr;
  const auto found = f->by_code_point.find(code_point);
  if (found != f->by_code_point.end()) return &found->second->glyph;
  make_room(f);
  return remember(f, f->by_code_point[code_point], code_point);
}

int32_t font_engine_fixed_advance(uintptr_t font) {
  const engine_font* f = font_of(font);
  return f ? f->fixed_advance : 0;
}

void font_engine_release(uintptr_t font) {
  engine_font* f = font_of(font);
  if (!f) return;
  fonts[font - 1].store(nullptr, std::memory_order_release);
  delete f;
}

bool font_engine_prepare_text_cells(uintptr_t font) {
  engine_font* f = font_of(font);
  if (!f || f->fixed_advance <= 0) return false;
  if (f->text_cells.load(std::memory_order_relaxed)) return true;
  const int64_t cw = f->fixed_advance, ch = f->height;
  if (cw * ch > text_cell_pixels_max) return false;
  const size_t cell_bytes = static_cast<size_t>(cw * ch);
  uint8_t* cells = new (std::nothrow) uint8_t[256 * cell_bytes]();
  if (!cells) return false;
  for (int32_t c = 0; c < 256; ++c) {
    // Rendered apart from the cache, cut to the cell with the pen at its left edge.
    const std::unique_ptr<cached_glyph> glyph = render(f, code_point_of(c));
    const glyph_coverage& g = glyph->glyph;
    uint8_t* cell = cells + c * cell_bytes;
    for (int64_t y = 0; y < ch; ++y)
      for (int64_t x = 0; x < cw; ++x) {
        const int64_t gx = x - g.left;
        if (gx < g.width) cell[y * cw + x] = g.pixels[y * g.width + gx];
      }
  }
  f->text_cells.store(cells, std::memory_order_release);
  return true;
}

const uint8_t* font_engine_text_cells(uintptr_t font) {
  const engine_font* f = font_of(font);
  return f ? f->text_cells.load(std::memory_order_acquire) : nullptr;
}
