#include "runtime/screen/font_tables.h"

#include <algorithm>

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/screen/display_sync.h"
#include "runtime/screen/font_engine.h"
#include "runtime/screen/image_create.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/screen_mode.h"

std::vector<int32_t> font_height;
std::vector<int32_t> font_width;
std::vector<int32_t> font_flags;
std::vector<uintptr_t> font_handle;

namespace {
constexpr int32_t font_slots_at_start = 49;
}

void font_tables_init() {
  for (uintptr_t handle : font_handle)
    if (handle) font_engine_release(handle);
  font_height.assign(font_slots_at_start, 0);
  font_width.assign(font_slots_at_start, 0);
  font_flags.assign(font_slots_at_start, 0);
  font_handle.assign(font_slots_at_start, 0);
  for (int32_t f : {8, 14, 16}) {
    font_width[f] = 8;
    font_width[f + 1] = 16;
    font_height[f] = font_height[f + 1] = f == 8 ? 8 : f;
    font_flags[f] = font_flags[f + 1] = font_monospace;
  }
}

bool font_is_builtin(int64_t font) {
  return font == 8 || font == 9 || font == 14 || font == 15 || font == 16 || font == 17;
}

bool font_is_loaded(int64_t font) {
  return font >= first_loaded_font && font < static_cast<int64_t>(font_handle.size()) && font_handle[font] != 0;
}

int32_t image_rows(const image_record* img) {
  if (img->text) return img->height;
  const int32_t h = img->font < font_height.size() ? font_height[img->font] : 0;
  return h > 0 ? img->height / h : img->height;
}

int32_t image_columns(const image_record* img) {
  if (img->text) return img->width;
  const int32_t w = img->font < font_width.size() ? font_width[img->font] : 0;
  return w > 0 ? img->width / w : img->width;
}

void set_image_font(int64_t font, int64_t page_or_handle, int32_t given) {
  if (pending_error.load()) return;
  const int32_t index = resolve_target(page_or_handle, given & 1);
  if (!index) return;
  if (!font_is_builtin(font) && !font_is_loaded(font)) {
    raise_error(258);
    return;
  }
  image_record* img = image_at(index);
  if (img->text && !(font_flags[font] & font_monospace)) {
    raise_error(5);
    return;
  }
  if (img->text && (img->flags & image_is_page)) {
    // The frame builder reads the font of every text page: change them all
    // while it stands still. Cursors and print regions stay.
    display_freeze_wait();
    for (int32_t p = 0; p < page_count; ++p)
      if (page_table[p]) image_at(page_table[p])->font = static_cast<uint32_t>(font);
    prev_valid.store(0);
    display_unfreeze();
    return;
  }
  set_font(static_cast<int32_t>(font), img);
}

namespace {

int32_t font_metric_query(const std::vector<int32_t>& table, int64_t font, int32_t given) {
  if (pending_error.load()) return 0;
  if (!(given & 1)) return table[write_image->font];
  if (font != 8 && font != 14 && font != 16 && !font_is_loaded(font)) {
    raise_error(258);
    return 0;
  }
  return table[font];
}

}  // namespace

int32_t font_width_query(int64_t font, int32_t given) { return font_metric_query(font_width, font, given); }
int32_t font_height_query(int64_t font, int32_t given) { return font_metric_query(font_height, font, given); }

int32_t image_font_query(int64_t page_or_handle, int32_t given) {
  if (pending_error.load()) return 0;
  const int32_t index = resolve_target(page_or_handle, given & 1);
  return index ? static_cast<int32_t>(image_at(index)->font) : 0;
}

void free_font(int64_t font) {
  if (pending_error.load()) return;
  if (!font_is_loaded(font)) {
    raise_error(258);
    return;
  }
  for (int32_t i = 2; i < image_slots_used; ++i) {
    const image_record* img = image_at(i);
    if (img->valid && img->font == font) {
      raise_error(5);
      return;
    }
  }
  font_engine_release(font_handle[font]);
  font_handle[font] = 0;
}
