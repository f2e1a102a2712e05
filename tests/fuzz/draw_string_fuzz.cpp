// DRAW with random command strings on small images of every pixel depth, with
// a random view port and coordinate mode, and variable references into a data
// segment of its own: 65,536 bytes of their own allocation (so a read past the
// segment is caught), the first few hundred of them from the input and holding
// the variables and sub-strings the references can name. Besides not crashing or hanging: the
// only errors are 5 and 6, nothing outside the view port changes, and
// one-byte pixels stay within the image's mask.
#include <cstdlib>
#include <cstring>

#include "runtime/gpu/gpu.h"
#include "runtime/graphics/graphics.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/detail/string_state.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr int32_t image_width = 48, image_height = 40;
constexpr int32_t modes[] = {13, 12, 11, 1, 32, 256};
constexpr int32_t mode_count = sizeof(modes) / sizeof(modes[0]);
constexpr uint32_t random_segment_bytes = 512;

int32_t images[mode_count];
uint8_t* segment;

void start_once() {
  static const bool started = [] {
    hardware_images_init();
    screen_tables_init();
    screen_first_mode();
    for (int32_t i = 0; i < mode_count; ++i) images[i] = new_image(image_width, image_height, modes[i], 1);
    segment = static_cast<uint8_t*>(std::malloc(data_segment_size));
    return true;
  }();
  (void)started;
}

// The value a pixel is given before the statement: a pattern, so changes show.
uint32_t before_value(const image_record* img, int32_t x, int32_t y) {
  const uint32_t v = static_cast<uint32_t>(x * 7 + y * 13);
  return img->bytes_per_pixel == 1 ? v & img->mask : 0x80000000u | v * 0x01010101u >> 1;
}

uint32_t pixel(const image_record* img, int32_t x, int32_t y) {
  const size_t at = static_cast<size_t>(y) * image_width + x;
  return img->bytes_per_pixel == 1 ? img->data[at] : reinterpret_cast<const uint32_t*>(img->data)[at];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_begin();
  start_once();
  fuzz_reader in{data, size};
  const uint8_t setup = static_cast<uint8_t>(in.take(1));
  const uint8_t corners[4] = {static_cast<uint8_t>(in.take(1)), static_cast<uint8_t>(in.take(1)),
                              static_cast<uint8_t>(in.take(1)), static_cast<uint8_t>(in.take(1))};
  const uint32_t pen = static_cast<uint32_t>(in.take(2));
  // The input's rest: the segment's first bytes, then the command string.
  const size_t split = static_cast<size_t>(in.take(2)) % (random_segment_bytes + 1);
  const size_t segment_bytes = split < in.rest_size() ? split : in.rest_size();
  std::memset(segment, 0, data_segment_size);
  std::memcpy(segment, in.rest(), segment_bytes);
  const uint8_t* commands = in.rest() + segment_bytes;
  const int32_t command_bytes = static_cast<int32_t>(in.rest_size() - segment_bytes);

  set_dest(images[setup % mode_count]);
  image_record* img = write_image;
  window(0, 0, 0, 0, 0);
  view(0, 0, 0, 0, 0, 0, 0);
  if (setup & 0x08) {
    // A narrowed port, with or without the view offset, sometimes with a scaled window.
    view(corners[0] % image_width, corners[1] % image_height, corners[2] % image_width,
         corners[3] % image_height, 0, 0, 1 | ((setup & 0x10) ? 2 : 0));
    if (setup & 0x20) window(-3, -2, 7.5f, 11, 1 | ((setup & 0x40) ? 2 : 0));
  }
  for (int32_t y = 0; y < image_height; ++y)
    for (int32_t x = 0; x < image_width; ++x) {
      const size_t at = static_cast<size_t>(y) * image_width + x;
      if (img->bytes_per_pixel == 1)
        img->data[at] = static_cast<uint8_t>(before_value(img, x, y));
      else
        reinterpret_cast<uint32_t*>(img->data)[at] = before_value(img, x, y);
    }
  img->blend_off = (setup & 0x80) ? 1 : 0;
  img->draw_angle = 0;
  img->draw_scale = 1;
  img->draw_colour = img->colour;
  img->gfx_x = static_cast<float>(pen % 64) - 8;
  img->gfx_y = static_cast<float>(pen / 64 % 64) - 8;

  uint8_t* saved_segment = data_segment.bytes;
  data_segment.bytes = segment;
  turtle_draw_bytes(commands, command_bytes);
  data_segment.bytes = saved_segment;

  const int32_t error = error_report.pending.load();
  FUZZ_CHECK(error == 0 || error == 5 || error == 6);
  for (int32_t y = 0; y < image_height; ++y)
    for (int32_t x = 0; x < image_width; ++x) {
      const bool in_port = x >= img->view_x1 && x <= img->view_x2 && y >= img->view_y1 && y <= img->view_y2;
      if (!in_port) FUZZ_CHECK(pixel(img, x, y) == before_value(img, x, y));
      if (img->bytes_per_pixel == 1) FUZZ_CHECK(pixel(img, x, y) <= img->mask);
    }
  fuzz_end(str_temp_mark());
  return 0;
}
