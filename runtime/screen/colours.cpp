#include "runtime/screen/screen.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "runtime/core/core.h"
#include "runtime/gpu/gpu.h"
#include "runtime/image/pixels.h"

vga_ports_state vga_ports;

void vga_ports_reset() { vga_ports = vga_ports_state{}; }

void port_out(int32_t port, int32_t value) {
  if (error_report.pending.load()) return;
  switch (port) {
    case 0x3C7:
      vga_ports.palette_read_index = value & 0xFF;
      vga_ports.palette_read_component = 0;
      break;
    case 0x3C8:
      vga_ports.palette_write_index = value & 0xFF;
      vga_ports.palette_write_component = 0;
      break;
    case 0x3C9: {
      std::atomic<uint32_t>* palette = write_image->palette;
      if (!palette) break;
      // 6-bit level to 8 bits; the rounding (ties to even) gives 0 for 0 and 255 for 63.
      const double level = (value & 63) * 4.0634918212890625 - 0.49999991059303284;
      const uint32_t byte = static_cast<uint32_t>(std::min(std::max(std::nearbyint(level), 0.0), 255.0));
      const int32_t shift = 16 - 8 * vga_ports.palette_write_component;
      const uint32_t old = palette_get(palette, vga_ports.palette_write_index);
      palette_put(palette, vga_ports.palette_write_index, (old & ~(0xFFu << shift)) | byte << shift);
      if (++vga_ports.palette_write_component == 3) {
        vga_ports.palette_write_component = 0;
        vga_ports.palette_write_index = (vga_ports.palette_write_index + 1) & 0xFF;
      }
      break;
    }
    case 0x3C0:
      display_link.blink_enabled.store((value >> 3) & 1);
      break;
    default:
      vga_ports.unhandled_used = true;
      break;
  }
}

void blink_set(int32_t on) {
  if (error_report.pending.load()) return;
  display_link.blink_enabled.store(on == 1 ? 1 : 0);
}

int32_t blink_query() { return display_link.blink_enabled.load() ? -1 : 0; }


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
  if (error_report.pending.load(std::memory_order_relaxed)) return;
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
  if (error_report.pending.load()) return nullptr;
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
  if (!(given & 1) || !is_hardware_handle(page_or_handle) || error_report.pending.load()) return false;
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
