#include "runtime/screen/image_create.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "runtime/screen/font_tables.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/palettes.h"
#include "runtime/screen/pixel_access.h"
#include "runtime/screen/pixel_store.h"

namespace {

struct mode_layout {
  int32_t mode;
  uint8_t bits_per_pixel;
  uint8_t bytes_per_pixel;
  uint32_t font;
  uint32_t colour;
};

constexpr mode_layout mode_layouts[] = {
    {0, 16, 2, 16, 7},    {1, 2, 1, 8, 3},     {2, 1, 1, 8, 1},     {7, 4, 1, 8, 15},
    {8, 4, 1, 8, 15},     {9, 4, 1, 14, 15},   {10, 2, 1, 14, 3},   {11, 1, 1, 16, 1},
    {12, 4, 1, 16, 15},   {13, 8, 1, 8, 15},   {256, 8, 1, 16, 15}, {32, 32, 4, 16, 0xFFFFFFFF},
};

const mode_layout* layout_of(int32_t mode) {
  for (const auto& l : mode_layouts)
    if (l.mode == mode) return &l;
  return nullptr;
}

}  // namespace

int32_t image_create_over(uint8_t* memory, int32_t width, int32_t height, int32_t mode) {
  if (width < 1 || height < 1 || width > 65535 || height > 65535) return 0;
  const mode_layout* layout = layout_of(mode);
  if (!layout) return 0;
  const int32_t index = image_alloc();
  image_record* img = image_at(index);
  img->data = memory;
  img->width = static_cast<uint16_t>(width);
  img->height = static_cast<uint16_t>(height);
  img->mode = static_cast<uint16_t>(mode);
  img->print_mode = 3;
  img->draw_angle = 0;
  img->draw_scale = 1.0;
  img->bits_per_pixel = layout->bits_per_pixel;
  img->bytes_per_pixel = layout->bytes_per_pixel;
  img->font = layout->font;
  img->colour = layout->colour;
  if (mode == 0) {
    img->text = 1;
    img->cursor_first_line = 4;
    img->cursor_last_line = 4;
  }
  if (mode == 32) img->background = 0xFF000000;
  img->draw_colour = img->colour;
  if (mode != 32) {
    img->palette = palette_new();
    if (!img->palette) {
      image_release(index);
      return 0;
    }
    img->flags |= image_owns_palette;
    default_palette(img);
    img->transparent_colour = -1;
  }
  img->mask = img->bits_per_pixel >= 32 ? 0xFFFFFFFFu : (1u << img->bits_per_pixel) - 1;
  img->cursor_col = img->cursor_row = img->top_row = 1;
  img->bottom_row = static_cast<int16_t>(std::max(image_rows(img) - 1, 1));
  if (mode == 0) return index;
  img->gfx_x = static_cast<float>(width * 0.5);
  img->gfx_y = static_cast<float>(height * 0.5);
  img->view_x2 = width - 1;
  img->view_y2 = height - 1;
  img->window_x2 = static_cast<float>(width - 1);
  img->window_y2 = static_cast<float>(height - 1);
  img->scale_x = img->scale_y = 1.0f;
  return index;
}

int32_t image_create(int32_t width, int32_t height, int32_t mode) {
  const int32_t index = image_create_over(nullptr, width, height, mode);
  if (!index) return 0;
  image_record* img = image_at(index);
  const size_t cells = static_cast<size_t>(width) * static_cast<size_t>(height);
  // Pixel memory is kept below 2 GiB, as on the 32-bit machines this runtime
  // models; larger requests fail like any allocation that cannot be met.
  if (cells * img->bytes_per_pixel <= image_bytes_max)
    img->data = static_cast<uint8_t*>(std::calloc(cells, img->bytes_per_pixel));
  if (!img->data) {
    image_free_memory(img);
    image_release(index);
    return 0;
  }
  if (mode == 32) blend_tables_build();
  if (mode == 0) {
    // Fresh memory: nobody else can see it yet.
    for (size_t i = 0; i < cells; ++i) {
      img->data[2 * i] = 32;
      img->data[2 * i + 1] = 7;
    }
  }
  img->flags |= image_owns_pixels;
  note_shared_write();  // a new page may be shown in place of one the builder compared with
  return index;
}

void image_free_memory(image_record* img) {
  if (img->flags & image_owns_pixels) std::free(img->data);
  if (img->flags & image_owns_palette) palette_delete(img->palette);
  if (img->flags & (image_owns_pixels | image_owns_palette)) {
    img->data = nullptr;
    img->palette = nullptr;
  }
  img->flags &= ~(image_owns_pixels | image_owns_palette);
}

int32_t page_image(int32_t page) {
  if (!page_table_reserve(page)) return 0;
  if (page_table[page]) return page_table[page];
  const image_record* first = image_at(page_table[0]);
  const int32_t index = image_create(first->width, first->height, first->mode);
  if (!index) return 0;
  image_record* img = image_at(index);
  // All pages of a screen share page 0's palette.
  if (img->bits_per_pixel != 32) {
    palette_delete(img->palette);
    img->flags &= ~image_owns_palette;
    img->palette = first->palette;
  }
  img->flags |= image_is_page;
  set_font(static_cast<int32_t>(first->font), img);
  page_table[page] = index;
  return index;
}

void set_font(int32_t font, image_record* img) {
  img->font = static_cast<uint32_t>(font);
  set_cursor(img, 1, 1);
  img->top_row = 1;
  img->bottom_row = static_cast<int16_t>(std::max(image_rows(img) - 1, 1));
}

void reset_colours() {
  image_record* img = write_image;
  img->colour = 15;
  img->background = 0;
  switch (img->mode) {
    case 0:
      img->colour = 7;
      break;
    case 1:
    case 10:
      img->colour = 3;
      break;
    case 2:
    case 11:
      img->colour = 1;
      break;
    case 32:
      img->colour = 0xFFFFFFFF;
      img->background = 0xFF000000;
      break;
    default:
      break;
  }
  img->draw_colour = img->colour;
}
