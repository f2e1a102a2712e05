#include "runtime/image/image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/image/pixels.h"

int32_t write_index = 0;
image_record* write_image = nullptr;
int32_t read_index = 0;
image_record* read_image = nullptr;

screen_pages_state screen_pages;

namespace {

// The slots: blocks of records that live for the process, and a stack of the
// released slot numbers, taken first. Program thread.
constexpr int32_t block_count_max = image_slots_max / image_block_slots;
struct image_table_state {
  image_record* blocks[block_count_max] = {};
  int32_t blocks_made = 0;
  int32_t slots_used = 0;
  int32_t* free_stack = nullptr;
  int32_t free_top = 0;
  int32_t free_capacity = 0;
};
image_table_state image_table;

}  // namespace

int32_t image_slots_used() { return image_table.slots_used; }

image_record* image_at(int32_t index) {
  return &image_table.blocks[index / image_block_slots][index % image_block_slots];
}

bool image_index_valid(int64_t index) {
  return index >= 0 && index < image_table.slots_used && image_at(static_cast<int32_t>(index))->valid;
}

int32_t image_alloc() {
  int32_t index;
  if (image_table.free_top > 0) {
    index = image_table.free_stack[--image_table.free_top];
  } else {
    if (image_table.slots_used == image_table.blocks_made * image_block_slots) {
      image_record* block = nullptr;
      if (image_table.blocks_made < block_count_max)
        block = static_cast<image_record*>(std::calloc(image_block_slots, sizeof(image_record)));
      if (!block) raise_error(err_image_table_growth);  // fatal: does not return
      image_table.blocks[image_table.blocks_made++] = block;
    }
    index = image_table.slots_used++;
  }
  image_record* img = image_at(index);
  std::memset(static_cast<void*>(img), 0, sizeof *img);
  img->valid = 1;
  return index;
}

int32_t image_release(int32_t index) {
  if (!image_index_valid(index)) return 0;
  image_record* img = image_at(index);
  if (img->lock_id) lock_free(img->lock_record);
  if (image_table.free_top == image_table.free_capacity) {
    const int32_t capacity = image_table.free_capacity + image_block_slots;
    auto* grown = static_cast<int32_t*>(std::realloc(image_table.free_stack, sizeof(int32_t) * capacity));
    if (!grown) raise_error(err_image_free_stack_growth);  // fatal: does not return
    image_table.free_stack = grown;
    image_table.free_capacity = capacity;
  }
  std::memset(static_cast<void*>(img), 0, sizeof *img);
  image_table.free_stack[image_table.free_top++] = index;
  return 1;
}

void image_table_reset() {
  for (int32_t i = 2; i < image_table.slots_used; ++i) {
    if (!image_at(i)->valid) continue;
    image_free_memory(image_at(i));
    image_release(i);
  }
  for (int32_t b = 0; b < image_table.blocks_made; ++b) std::memset(static_cast<void*>(image_table.blocks[b]), 0, sizeof(image_record) * image_block_slots);
  image_table.slots_used = 0;
  image_table.free_top = 0;
  write_index = read_index = 0;
  write_image = read_image = nullptr;
  display_link.shown_index.store(0);
  display_link.shown_image.store(nullptr);
  std::free(screen_pages.table);
  screen_pages.table = static_cast<int32_t*>(std::calloc(1, sizeof(int32_t)));
  screen_pages.count = 1;
  screen_pages.last_active = 0;
  screen_pages.page0_handed = false;
  image_alloc();
  image_alloc();
  image_at(0)->valid = 0;
  image_at(1)->valid = 0;
}

void set_write_image(int32_t index) {
  write_index = index;
  write_image = image_at(index);
}

void set_read_image(int32_t index) {
  read_index = index;
  read_image = image_at(index);
}

void set_display_image(int32_t index) {
  display_link.shown_index.store(index);
  display_link.shown_image.store(image_at(index), std::memory_order_release);
}

bool page_table_reserve(int32_t page) {
  if (page < 0 || page > page_number_max) return false;
  if (page < screen_pages.count) return true;
  auto* grown = static_cast<int32_t*>(std::realloc(screen_pages.table, sizeof(int32_t) * (page + 1)));
  if (!grown) return false;
  std::memset(grown + screen_pages.count, 0, sizeof(int32_t) * (page + 1 - screen_pages.count));
  screen_pages.table = grown;
  screen_pages.count = page + 1;
  return true;
}

int32_t resolve_image(int64_t page_or_handle, int32_t bad_handle_error) {
  if (page_or_handle >= 0) {
    if (page_or_handle > page_number_max) {
      raise_error(err_illegal_function_call);
      return 0;
    }
    const int32_t index = page_image(static_cast<int32_t>(page_or_handle));
    if (!index) raise_error(err_out_of_memory);
    return index;
  }
  const int64_t index = index_of_handle(page_or_handle);
  if (!image_index_valid(index)) {
    raise_error(bad_handle_error);
    return 0;
  }
  return static_cast<int32_t>(index);
}

int32_t resolve_target(int64_t page_or_handle, bool given) {
  return given ? resolve_image(page_or_handle) : write_index;
}

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
  if (screen_pages.table[page]) return screen_pages.table[page];
  const image_record* first = image_at(screen_pages.table[0]);
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
  screen_pages.table[page] = index;
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

void release_image(int32_t index) {
  if (index == write_index) set_write_image(display_link.shown_index.load());
  if (index == read_index) set_read_image(display_link.shown_index.load());
  image_free_memory(image_at(index));
  image_release(index);
}
