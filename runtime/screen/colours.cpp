#include "runtime/screen/screen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "runtime/core/core.h"
#include "runtime/gpu/gpu.h"
#include "runtime/screen/pixels.h"

uint32_t vga_palette[256];
uint32_t ega_palette[64];
uint32_t mono_attribute_table[2][9];

namespace {

// The VGA default colours at 8 bits per channel, 0xRRGGBB.
constexpr uint32_t vga_default[256] = {
    0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
    0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF,
    0x000000, 0x141414, 0x202020, 0x2D2D2D, 0x393939, 0x454545, 0x515151, 0x616161,
    0x717171, 0x828282, 0x929292, 0xA2A2A2, 0xB6B6B6, 0xCACACA, 0xE3E3E3, 0xFFFFFF,
    0x0000FF, 0x4100FF, 0x7D00FF, 0xBE00FF, 0xFF00FF, 0xFF00BE, 0xFF007D, 0xFF0041,
    0xFF0000, 0xFF4100, 0xFF7D00, 0xFFBE00, 0xFFFF00, 0xBEFF00, 0x7DFF00, 0x41FF00,
    0x00FF00, 0x00FF41, 0x00FF7D, 0x00FFBE, 0x00FFFF, 0x00BEFF, 0x007DFF, 0x0041FF,
    0x7D7DFF, 0x9E7DFF, 0xBE7DFF, 0xDF7DFF, 0xFF7DFF, 0xFF7DDF, 0xFF7DBE, 0xFF7D9E,
    0xFF7D7D, 0xFF9E7D, 0xFFBE7D, 0xFFDF7D, 0xFFFF7D, 0xDFFF7D, 0xBEFF7D, 0x9EFF7D,
    0x7DFF7D, 0x7DFF9E, 0x7DFFBE, 0x7DFFDF, 0x7DFFFF, 0x7DDFFF, 0x7DBEFF, 0x7D9EFF,
    0xB6B6FF, 0xC6B6FF, 0xDBB6FF, 0xEBB6FF, 0xFFB6FF, 0xFFB6EB, 0xFFB6DB, 0xFFB6C6,
    0xFFB6B6, 0xFFC6B6, 0xFFDBB6, 0xFFEBB6, 0xFFFFB6, 0xEBFFB6, 0xDBFFB6, 0xC6FFB6,
    0xB6FFB6, 0xB6FFC6, 0xB6FFDB, 0xB6FFEB, 0xB6FFFF, 0xB6EBFF, 0xB6DBFF, 0xB6C6FF,
    0x000071, 0x1C0071, 0x390071, 0x550071, 0x710071, 0x710055, 0x710039, 0x71001C,
    0x710000, 0x711C00, 0x713900, 0x715500, 0x717100, 0x557100, 0x397100, 0x1C7100,
    0x007100, 0x00711C, 0x007139, 0x007155, 0x007171, 0x005571, 0x003971, 0x001C71,
    0x393971, 0x453971, 0x553971, 0x613971, 0x713971, 0x713961, 0x713955, 0x713945,
    0x713939, 0x714539, 0x715539, 0x716139, 0x717139, 0x617139, 0x557139, 0x457139,
    0x397139, 0x397145, 0x397155, 0x397161, 0x397171, 0x396171, 0x395571, 0x394571,
    0x515171, 0x595171, 0x615171, 0x695171, 0x715171, 0x715169, 0x715161, 0x715159,
    0x715151, 0x715951, 0x716151, 0x716951, 0x717151, 0x697151, 0x617151, 0x597151,
    0x517151, 0x517159, 0x517161, 0x517169, 0x517171, 0x516971, 0x516171, 0x515971,
    0x000041, 0x100041, 0x200041, 0x310041, 0x410041, 0x410031, 0x410020, 0x410010,
    0x410000, 0x411000, 0x412000, 0x413100, 0x414100, 0x314100, 0x204100, 0x104100,
    0x004100, 0x004110, 0x004120, 0x004131, 0x004141, 0x003141, 0x002041, 0x001041,
    0x202041, 0x282041, 0x312041, 0x392041, 0x412041, 0x412039, 0x412031, 0x412028,
    0x412020, 0x412820, 0x413120, 0x413920, 0x414120, 0x394120, 0x314120, 0x284120,
    0x204120, 0x204128, 0x204131, 0x204139, 0x204141, 0x203941, 0x203141, 0x202841,
    0x2D2D41, 0x312D41, 0x352D41, 0x3D2D41, 0x412D41, 0x412D3D, 0x412D35, 0x412D31,
    0x412D2D, 0x41312D, 0x41352D, 0x413D2D, 0x41412D, 0x3D412D, 0x35412D, 0x31412D,
    0x2D412D, 0x2D4131, 0x2D4135, 0x2D413D, 0x2D4141, 0x2D3D41, 0x2D3541, 0x2D3141,
    0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000, 0x000000,
};

constexpr uint32_t mono_default[2][9] = {
    {0x000000, 0x000000, 0x000000, 0x808080, 0x808080, 0x808080, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF},
    {0x000000, 0x808080, 0xFFFFFF, 0x000000, 0x808080, 0xFFFFFF, 0x000000, 0x808080, 0xFFFFFF},
};

// EGA colour i: each channel 0xAA for its primary bit plus 0x55 for its secondary bit.
constexpr uint32_t ega_colour(uint32_t i) {
  const uint32_t blue = 0xAA * (i & 1) + 0x55 * ((i >> 3) & 1);
  const uint32_t green = 0xAA * ((i >> 1) & 1) + 0x55 * ((i >> 4) & 1);
  const uint32_t red = 0xAA * ((i >> 2) & 1) + 0x55 * ((i >> 5) & 1);
  return red << 16 | green << 8 | blue;
}

void fill_from(std::atomic<uint32_t>* palette, int32_t first, const uint32_t* source, const int32_t* picks, int32_t n) {
  for (int32_t i = 0; i < n; ++i) palette_put(palette, first + i, source[picks ? picks[i] : i]);
}

}  // namespace

void palettes_init() {
  for (int32_t i = 0; i < 256; ++i) vga_palette[i] = vga_default[i] | 0xFF000000;
  for (uint32_t i = 0; i < 64; ++i) ega_palette[i] = ega_colour(i) | 0xFF000000;
  for (int32_t phase = 0; phase < 2; ++phase)
    for (int32_t k = 0; k < 9; ++k) mono_attribute_table[phase][k] = mono_default[phase][k];
}

std::atomic<uint32_t>* palette_new() {
  return new (std::nothrow) std::atomic<uint32_t>[256]();
}

void palette_delete(std::atomic<uint32_t>* palette) { delete[] palette; }

void default_palette(image_record* img) {
  std::atomic<uint32_t>* p = img->palette;
  if (img->bits_per_pixel == 32 || !p) return;
  switch (img->mode) {
    case 1: {
      constexpr int32_t picks[] = {0, 3, 5, 7};
      fill_from(p, 0, vga_palette, picks, 4);
      break;
    }
    case 2:
    case 11:
      palette_put(p, 0, 0x00000000);
      palette_put(p, 1, 0x00FFFFFF);
      break;
    case 9: {
      constexpr int32_t picks[] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};
      fill_from(p, 0, ega_palette, picks, 16);
      break;
    }
    case 10:
      // Entries 4-7 hold attribute numbers into mono_attribute_table.
      palette_put(p, 4, 0);
      palette_put(p, 5, 4);
      palette_put(p, 6, 6);
      palette_put(p, 7, 8);
      break;
    case 13:
    case 256:
      fill_from(p, 0, vga_palette, nullptr, 256);
      break;
    default:
      fill_from(p, 0, vga_palette, nullptr, 16);
      break;
  }
}

int32_t palette_read_index = 0;
int32_t palette_read_component = 0;
int32_t palette_write_index = 0;
int32_t palette_write_component = 0;
bool unhandled_port_used = false;

void port_out(int32_t port, int32_t value) {
  if (pending_error.load()) return;
  switch (port) {
    case 0x3C7:
      palette_read_index = value & 0xFF;
      palette_read_component = 0;
      break;
    case 0x3C8:
      palette_write_index = value & 0xFF;
      palette_write_component = 0;
      break;
    case 0x3C9: {
      std::atomic<uint32_t>* palette = write_image->palette;
      if (!palette) break;
      // 6-bit level to 8 bits; the rounding (ties to even) gives 0 for 0 and 255 for 63.
      const double level = (value & 63) * 4.0634918212890625 - 0.49999991059303284;
      const uint32_t byte = static_cast<uint32_t>(std::min(std::max(std::nearbyint(level), 0.0), 255.0));
      const int32_t shift = 16 - 8 * palette_write_component;
      const uint32_t old = palette_get(palette, palette_write_index);
      palette_put(palette, palette_write_index, (old & ~(0xFFu << shift)) | byte << shift);
      if (++palette_write_component == 3) {
        palette_write_component = 0;
        palette_write_index = (palette_write_index + 1) & 0xFF;
      }
      break;
    }
    case 0x3C0:
      blink_enabled.store((value >> 3) & 1);
      break;
    default:
      unhandled_port_used = true;
      break;
  }
}

void blink_set(int32_t on) {
  if (pending_error.load()) return;
  blink_enabled.store(on == 1 ? 1 : 0);
}

int32_t blink_query() { return blink_enabled.load() ? -1 : 0; }

uint8_t blend_scale[256][256];
bool blend_tables_ready = false;

void blend_tables_build() {
  if (blend_tables_ready) return;
  for (uint32_t a = 0; a < 256; ++a)
    for (uint32_t v = 0; v < 256; ++v) blend_scale[a][v] = static_cast<uint8_t>((v * a + 127) / 255);
  blend_tables_ready = true;
}

namespace {

// What each argument does in a mode.
enum class effect { colour, background, background_low3, palette4, palette0_ega, palette0_vga, palette_select };

struct colour_rule {
  int64_t fg_max;  // -1: any value
  effect fg;
  int64_t bg_max;
  effect bg;
};

// The rule of a mode; null for modes COLOR has no rule for.
const colour_rule* rule_of(int32_t mode) {
  static constexpr colour_rule any{-1, effect::colour, -1, effect::background};
  static constexpr colour_rule bytes{255, effect::colour, 255, effect::background};
  static constexpr colour_rule nibbles{15, effect::colour, 15, effect::background};
  static constexpr colour_rule mono{1, effect::colour, 1, effect::background};
  static constexpr colour_rule mode10{3, effect::colour, 8, effect::palette4};
  static constexpr colour_rule mode9{15, effect::colour, 63, effect::palette0_ega};
  static constexpr colour_rule mode7{15, effect::colour, 15, effect::palette0_vga};
  static constexpr colour_rule mode2{1, effect::colour, 15, effect::palette0_vga};
  static constexpr colour_rule mode1{15, effect::palette0_vga, -1, effect::palette_select};
  static constexpr colour_rule text{31, effect::colour, 15, effect::background_low3};
  switch (mode) {
    case 32: return &any;
    case 256:
    case 13: return &bytes;
    case 12: return &nibbles;
    case 11: return &mono;
    case 10: return &mode10;
    case 9: return &mode9;
    case 7:
    case 8: return &mode7;
    case 2: return &mode2;
    case 1: return &mode1;
    case 0: return &text;
    default: return nullptr;
  }
}

bool in_range(int64_t value, int64_t max) { return max < 0 ? true : value >= 0 && value <= max; }

void apply(image_record* img, effect e, int64_t value) {
  const auto v = static_cast<uint32_t>(value);
  switch (e) {
    case effect::colour:
      img->colour = v;
      break;
    case effect::background:
      img->background = v;
      break;
    case effect::background_low3:
      img->background = v & 7;
      break;
    case effect::palette4:
      if (img->palette) palette_put(img->palette, 4, v);
      break;
    case effect::palette0_ega:
      if (img->palette) palette_put(img->palette, 0, ega_palette[v]);
      break;
    case effect::palette0_vga:
      if (img->palette) palette_put(img->palette, 0, vga_palette[v]);
      break;
    case effect::palette_select:
      if (img->palette) {
        const int32_t first = (v & 1) ? 3 : 2;
        for (int32_t i = 0; i < 3; ++i) palette_put(img->palette, 1 + i, vga_palette[first + 2 * i]);
      }
      break;
  }
}

}  // namespace

void color(int64_t fg, int64_t bg, int64_t, int32_t given) {
  if (pending_error.load(std::memory_order_relaxed)) return;
  if (!(given & 7)) return;
  if (given & 4) {
    raise_error(err_illegal_function_call);
    return;
  }
  image_record* img = write_image;
  if (!img) return;
  const colour_rule* rule = rule_of(img->mode);
  if (!rule || ((given & 1) && !in_range(fg, rule->fg_max)) || ((given & 2) && !in_range(bg, rule->bg_max))) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (given & 1) apply(img, rule->fg, fg);
  if (given & 2) apply(img, rule->bg, bg);
}

namespace {

// The image named by page_or_handle when given, else the write image; null after an error.
image_record* target(int64_t page_or_handle, bool given) {
  if (pending_error.load()) return nullptr;
  const int32_t index = resolve_target(page_or_handle, given);
  return index ? image_at(index) : nullptr;
}

int32_t clamp_component(int32_t v) { return std::clamp(v, 0, 255); }

uint32_t nearest_index(const image_record* img, int32_t red, int32_t green, int32_t blue) {
  const uint32_t last = img->text ? 15 : std::min<uint32_t>(img->mask, 255);
  uint32_t best = 0;
  int32_t best_distance = 1000;
  for (uint32_t i = 0; i <= last; ++i) {
    const uint32_t c = palette_get(img->palette, static_cast<int32_t>(i));
    const int32_t distance = std::abs(red - static_cast<int32_t>((c >> 16) & 0xFF)) +
                             std::abs(green - static_cast<int32_t>((c >> 8) & 0xFF)) +
                             std::abs(blue - static_cast<int32_t>(c & 0xFF));
    if (distance < best_distance) {
      best = i;
      best_distance = distance;
      if (distance == 0) break;
    }
  }
  return best;
}

// Palette colour of an index, or false (error 5) when it lies above the mask.
// Indices also stay inside the 256 palette entries (text masks are wider).
bool palette_colour(const image_record* img, uint32_t index, uint32_t* colour) {
  if (index > img->mask || index > 255) {
    raise_error(err_illegal_function_call);
    return false;
  }
  *colour = palette_get(img->palette, static_cast<int32_t>(index));
  return true;
}

int32_t channel(uint32_t colour, int64_t page_or_handle, int32_t given, int32_t shift) {
  const image_record* img = target(page_or_handle, given & 1);
  if (!img) return 0;
  if (img->bits_per_pixel == 32) return static_cast<int32_t>((colour >> shift) & 0xFF);
  uint32_t value;
  if (!palette_colour(img, colour, &value)) return 0;
  return static_cast<int32_t>((value >> shift) & 0xFF);
}

uint32_t* pixels32(image_record* img) { return reinterpret_cast<uint32_t*>(img->data); }
size_t pixel_count(const image_record* img) { return static_cast<size_t>(img->width) * img->height; }

}  // namespace

uint32_t colour_rgb(int32_t red, int32_t green, int32_t blue, int64_t page_or_handle, int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  if (!img) return 0;
  red = clamp_component(red), green = clamp_component(green), blue = clamp_component(blue);
  if (img->bits_per_pixel == 32) return 0xFF000000u | red << 16 | green << 8 | blue;
  return nearest_index(img, red, green, blue);
}

uint32_t colour_rgba(int32_t red, int32_t green, int32_t blue, int32_t alpha, int64_t page_or_handle,
                     int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  if (!img) return 0;
  red = clamp_component(red), green = clamp_component(green), blue = clamp_component(blue);
  alpha = clamp_component(alpha);
  if (img->bits_per_pixel == 32) return static_cast<uint32_t>(alpha) << 24 | red << 16 | green << 8 | blue;
  if (alpha == 0 && img->transparent_colour != -1) return static_cast<uint32_t>(img->transparent_colour);
  return nearest_index(img, red, green, blue);
}

int32_t colour_alpha(uint32_t colour, int64_t page_or_handle, int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  if (!img) return 0;
  if (img->bits_per_pixel == 32) return static_cast<int32_t>(colour >> 24);
  if (colour > img->mask) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  return static_cast<int64_t>(colour) == img->transparent_colour ? 0 : 255;
}

int32_t colour_red(uint32_t colour, int64_t page_or_handle, int32_t given) {
  return channel(colour, page_or_handle, given, 16);
}
int32_t colour_green(uint32_t colour, int64_t page_or_handle, int32_t given) {
  return channel(colour, page_or_handle, given, 8);
}
int32_t colour_blue(uint32_t colour, int64_t page_or_handle, int32_t given) {
  return channel(colour, page_or_handle, given, 0);
}

namespace {

// The size of a hardware image (true), or false when the handle is not one.
bool hardware_size(int64_t page_or_handle, int32_t given, int32_t* width, int32_t* height) {
  if (!(given & 1) || !is_hardware_handle(page_or_handle) || pending_error.load()) return false;
  const int32_t index = hardware_index_of(static_cast<int32_t>(page_or_handle));
  const hardware_img* hw = index ? hardware_img_get(index) : nullptr;
  if (!hw) {
    raise_error(err_invalid_handle);
    *width = *height = 0;
    return true;
  }
  *width = hw->width;
  *height = hw->height;
  return true;
}

}  // namespace

int32_t image_width_query(int64_t page_or_handle, int32_t given) {
  int32_t w, h;
  if (hardware_size(page_or_handle, given, &w, &h)) return w;
  const image_record* img = target(page_or_handle, given & 1);
  return img ? img->width : 0;
}

int32_t image_height_query(int64_t page_or_handle, int32_t given) {
  int32_t w, h;
  if (hardware_size(page_or_handle, given, &w, &h)) return h;
  const image_record* img = target(page_or_handle, given & 1);
  return img ? img->height : 0;
}

int32_t image_pixel_size(int64_t page_or_handle, int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  if (!img) return 0;
  return img->text ? 0 : img->mode == 32 ? 4 : 1;
}

int32_t image_blend_query(int64_t page_or_handle, int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  return img && img->bits_per_pixel == 32 && !img->blend_off ? -1 : 0;
}

void image_blend_on(int64_t page_or_handle, int32_t given) {
  image_record* img = target(page_or_handle, given & 1);
  if (!img) return;
  if (img->bits_per_pixel != 32) {
    raise_error(err_illegal_function_call);
    return;
  }
  img->blend_off = 0;
}

void image_blend_off(int64_t page_or_handle, int32_t given) {
  image_record* img = target(page_or_handle, given & 1);
  if (img && img->bits_per_pixel == 32) img->blend_off = 1;
}

uint32_t image_colour_query(int64_t page_or_handle, int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  return img ? img->colour : 0;
}

uint32_t image_background_query(int64_t page_or_handle, int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  return img ? img->background : 0;
}

int32_t clear_colour_query(int64_t page_or_handle, int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  if (!img) return 0;
  if (img->text) return -1;
  if (img->mode == 32) return 0;
  return img->transparent_colour;
}

void clear_colour_set(uint32_t colour, int64_t page_or_handle, int32_t given) {
  image_record* img = target(page_or_handle, given & 2);
  if (!img) return;
  const bool colour_given = given & 1;
  if (img->text) {
    if (!colour_given) raise_error(err_illegal_function_call);
    return;
  }
  if (img->bits_per_pixel == 32) {
    if (!colour_given) {
      raise_error(err_illegal_function_call);
      return;
    }
    const note_write_at_exit mark;
    uint32_t* p = pixels32(img);
    for (size_t i = 0, n = pixel_count(img); i < n; ++i)
      if (((p[i] ^ colour) & 0xFFFFFF) == 0) shared_put(p + i, p[i] & 0xFFFFFF);
    return;
  }
  if (!colour_given) {
    img->transparent_colour = -1;
  } else if (colour < 256) {
    img->transparent_colour = static_cast<int32_t>(colour);
  } else {
    raise_error(err_illegal_function_call);
  }
}

uint32_t palette_entry_get(int32_t entry, int64_t page_or_handle, int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  if (!img) return 0;
  if (!img->palette || entry < 0 || entry > 255) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  return palette_get(img->palette, entry) | 0xFF000000u;
}

void palette_entry_set(int32_t entry, uint32_t value, int64_t page_or_handle, int32_t given) {
  image_record* img = target(page_or_handle, given & 1);
  if (!img) return;
  if (!img->palette || entry < 0 || entry > 255) {
    raise_error(err_illegal_function_call);
    return;
  }
  palette_put(img->palette, entry, value);
}

void set_alpha(int32_t alpha, uint32_t first, uint32_t second, int64_t page_or_handle, int32_t given) {
  image_record* img = target(page_or_handle, given & 4);
  if (!img) return;
  if (img->bits_per_pixel != 32 || alpha < 0 || alpha > 255 || ((given & 2) && !(given & 1))) {
    raise_error(err_illegal_function_call);
    return;
  }
  const uint32_t a = static_cast<uint32_t>(alpha) << 24;
  uint32_t low[4] = {0, 0, 0, 0}, high[4] = {255, 255, 255, 255};
  if (given & 1) {
    const uint32_t other = given & 2 ? second : first;
    for (int32_t k = 0; k < 4; ++k) {
      const uint32_t x = (first >> (8 * k)) & 0xFF, y = (other >> (8 * k)) & 0xFF;
      low[k] = std::min(x, y);
      high[k] = std::max(x, y);
    }
  }
  const note_write_at_exit mark;
  uint32_t* p = pixels32(img);
  for (size_t i = 0, n = pixel_count(img); i < n; ++i) {
    const uint32_t v = p[i];
    bool inside = true;
    for (int32_t k = 0; k < 4 && inside; ++k) {
      const uint32_t c = (v >> (8 * k)) & 0xFF;
      inside = c >= low[k] && c <= high[k];
    }
    if (inside) shared_put(p + i, (v & 0xFFFFFF) | a);
  }
}

void print_mode_set(int32_t how, int64_t page_or_handle, int32_t given) {
  image_record* img = target(page_or_handle, given & 1);
  if (!img) return;
  if (how < 1 || how > 3 || (img->text && how != 1)) {
    raise_error(err_illegal_function_call);
    return;
  }
  constexpr uint8_t modes[] = {0, 3, 1, 2};
  img->print_mode = modes[how];
}

int32_t print_mode_query(int64_t page_or_handle, int32_t given) {
  const image_record* img = target(page_or_handle, given & 1);
  return img ? img->print_mode : 0;
}
