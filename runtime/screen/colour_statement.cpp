#include "runtime/screen/colour_statement.h"

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/palettes.h"
#include "runtime/screen/pixel_access.h"

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
    raise_error(5);
    return;
  }
  image_record* img = write_image;
  if (!img) return;
  const colour_rule* rule = rule_of(img->mode);
  if (!rule || ((given & 1) && !in_range(fg, rule->fg_max)) || ((given & 2) && !in_range(bg, rule->bg_max))) {
    raise_error(5);
    return;
  }
  if (given & 1) apply(img, rule->fg, fg);
  if (given & 2) apply(img, rule->bg, bg);
}
