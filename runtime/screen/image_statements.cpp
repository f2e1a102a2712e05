// The program's operations on images: making, copying and freeing them, the
// destination and source of later statements, and PCOPY.
#include "runtime/screen/screen.h"

#include <cstdlib>
#include <cstring>

#include "runtime/core/core.h"
#include "runtime/gpu/gpu.h"
#include "runtime/image/pixels.h"

namespace {

bool mode_allowed(int32_t mode) {
  return (mode >= 0 && mode <= 2) || (mode >= 7 && mode <= 13) || mode == 256 || mode == 32;
}

size_t pixel_bytes(const image_record* img) {
  return static_cast<size_t>(img->width) * img->height * img->bytes_per_pixel;
}

// A hardware image with a copy of a 32-bit image's pixels, uploaded when first drawn.
int32_t hardware_copy(const image_record* from) {
  const int32_t index = make_hardware_img(from->width, from->height, reinterpret_cast<uint32_t*>(from->data),
                                          hw_defer_upload | hw_copy_pixels);
  return index ? hardware_handle_of(index) : -1;
}

// A hardware image is freed by the window thread once every command drawn with it has run.
void release_hardware(int64_t handle) {
  const int32_t index = hardware_release_handle(handle);
  if (!index) {
    raise_error(err_invalid_handle);
    return;
  }
  purge_commands();
  hgc release;
  release.kind = hgc_release_image;
  release.source = index;
  issue_command(release);
}

}  // namespace

int32_t new_image(int32_t width, int32_t height, int32_t mode, int32_t mode_given) {
  if (error_report.pending.load()) return 0;
  // Sizes beyond the 16-bit size fields cannot be represented.
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  if (mode_given & 1) {
    if (!mode_allowed(mode)) {
      raise_error(err_illegal_function_call);
      return 0;
    }
  } else {
    mode = write_image->mode;
  }
  const int32_t index = image_create(width, height, mode);
  if (!index) return -1;
  if (!(mode_given & 1)) {
    image_record* img = image_at(index);
    const image_record* from = write_image;
    if (img->palette && from->palette)
      for (int32_t i = 0; i < 256; ++i) palette_put(img->palette, i, palette_get(from->palette, i));
    set_font(static_cast<int32_t>(from->font), img);
    img->colour = from->colour;
    img->background = from->background;
    img->transparent_colour = from->transparent_colour;
    img->blend_off = from->blend_off;
    img->print_mode = from->print_mode;
  }
  return -index;
}

int32_t copy_image(int64_t source, int32_t mode, int32_t given) {
  if (error_report.pending.load()) return -1;
  const int32_t from_index = resolve_image(source);
  if (!from_index) return -1;
  if ((given & 1) && mode != image_at(from_index)->mode) {
    if (mode == 33 && image_at(from_index)->bits_per_pixel == 32) return hardware_copy(image_at(from_index));
    raise_error(err_illegal_function_call);
    return -1;
  }
  const size_t bytes = pixel_bytes(image_at(from_index));
  auto* pixels = static_cast<uint8_t*>(std::malloc(bytes));
  if (!pixels) return -1;
  std::atomic<uint32_t>* palette = nullptr;
  if (image_at(from_index)->palette) {
    palette = palette_new();
    if (!palette) {
      std::free(pixels);
      return -1;
    }
  }
  const int32_t index = image_alloc();
  image_record* img = image_at(index);
  const image_record* from = image_at(from_index);
  std::memcpy(static_cast<void*>(img), from, sizeof *img);
  img->lock_record = nullptr;
  img->lock_id = 0;
  std::memcpy(pixels, from->data, bytes);
  img->data = pixels;
  img->flags |= image_owns_pixels;
  if (palette) {
    for (int32_t i = 0; i < 256; ++i) palette_put(palette, i, palette_get(from->palette, i));
    img->palette = palette;
    img->flags |= image_owns_palette;
  }
  img->flags &= ~image_is_page;
  return -index;
}

void free_image(int64_t handle, int32_t given) {
  if (error_report.pending.load()) return;
  if (!(given & 1)) handle = -static_cast<int64_t>(write_index);
  if (handle >= 0) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (is_hardware_handle(handle)) {
    release_hardware(handle);
    return;
  }
  if (!image_index_valid(index_of_handle(handle))) {
    raise_error(err_invalid_handle);
    return;
  }
  const int32_t index = static_cast<int32_t>(index_of_handle(handle));
  if (image_at(index)->flags & image_is_page) {
    raise_error(err_illegal_function_call);
    return;
  }
  release_image(index);
}

void set_dest(int64_t page_or_handle) {
  if (error_report.pending.load()) return;
  const int32_t index = resolve_image(page_or_handle);
  if (index) set_write_image(index);
}

void set_source(int64_t page_or_handle) {
  if (error_report.pending.load()) return;
  const int32_t index = resolve_image(page_or_handle);
  if (index) set_read_image(index);
}

int32_t dest_query() { return -write_index; }
int32_t source_query() { return -read_index; }
int32_t display_query() { return -display_link.shown_index.load(); }

void page_copy(int64_t from, int64_t to) {
  if (error_report.pending.load()) return;
  const int32_t source = resolve_image(from, err_illegal_function_call);
  if (!source) return;
  const int32_t dest = resolve_image(to, err_illegal_function_call);
  if (!dest || source == dest) return;
  const image_record* s = image_at(source);
  image_record* d = image_at(dest);
  // One-byte pixels may only go to an image with at least as many colours.
  if (s->bytes_per_pixel != d->bytes_per_pixel || s->width != d->width || s->height != d->height ||
      (s->bytes_per_pixel == 1 && d->mask < s->mask)) {
    raise_error(err_illegal_function_call);
    return;
  }
  shared_copy(d->data, s->data, static_cast<size_t>(s->width) * s->height * s->bytes_per_pixel);
}
