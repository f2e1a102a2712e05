// PUT of stored pictures whose headers and bytes come from the input, GET,
// image copies and triangle maps with random corners (huge, tiny, not-a-number: the input's
// bytes read as floats), random flags and every pair of image kinds. The
// array PUT reads is an allocation of exactly its stated size, so a read past
// it is caught. Besides not crashing or hanging: the only error is 5, and
// one-byte pixels stay within the image's mask.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "runtime/gpu/gpu.h"
#include "runtime/graphics/graphics.h"
#include "runtime/screen/screen.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

constexpr int32_t image_width = 40, image_height = 30;
constexpr int32_t modes[] = {13, 12, 11, 1, 2, 32, 256};
constexpr int32_t mode_count = sizeof(modes) / sizeof(modes[0]);
int32_t images[mode_count];

void start_once() {
  static const bool started = [] {
    hardware_images_init();
    screen_tables_init();
    screen_first_mode();
    for (int32_t i = 0; i < mode_count; ++i) images[i] = new_image(image_width, image_height, modes[i], 1);
    return true;
  }();
  (void)started;
}

float take_float(fuzz_reader& in) {
  const uint32_t bits = static_cast<uint32_t>(in.take(4));
  // Half the time a small coordinate, else any float at all.
  if (bits & 1) return static_cast<float>(static_cast<int32_t>(bits >> 1) % 100 - 30);
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_begin();
  start_once();
  fuzz_reader in{data, size};
  const uint32_t choice = static_cast<uint32_t>(in.take(4));
  const int32_t dst_handle = images[choice % mode_count];
  const int32_t src_handle = images[choice / 8 % mode_count];
  set_dest(dst_handle);
  window(0, 0, 0, 0, 0);
  view(0, 0, 0, 0, 0, 0, 0);
  if (choice & 0x100) view(3, 2, 30, 25, 0, 0, 1 | 2);
  image_record* img = write_image;
  float c[8];
  for (float& v : c) v = take_float(in);
  const int32_t flags = static_cast<int32_t>(in.take(2));
  switch (choice >> 12 & 3) {
    case 0: {  // PUT of the input's bytes
      const size_t bytes = in.rest_size();
      uint8_t* array = static_cast<uint8_t*>(std::malloc(bytes ? bytes : 1));
      std::memcpy(array, in.rest(), bytes);
      area_put(c[0], c[1], array, static_cast<int64_t>(bytes), flags % 6, flags & area_first_relative);
      std::free(array);
      break;
    }
    case 1: {  // GET into an array of the input's size, then PUT of it back
      const int64_t bytes = static_cast<int64_t>(in.take(2));
      uint8_t* array = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bytes ? bytes : 1)));
      area_get(c[0], c[1], c[2], c[3], array, bytes, flags & 3);
      if (!error_report.pending.load()) area_put(c[4], c[5], array, bytes, flags % 5, 0);
      std::free(array);
      break;
    }
    case 2: {  // a triangle mapped between two kinds
      const float source_points[6] = {c[0], c[1], c[2], c[3], c[4], c[5]};
      const float destination_points[6] = {c[6], c[7], c[1], c[0], c[3], c[2]};
      triangle_map(source_points, src_handle, destination_points, dst_handle,
                   (flags & map_smooth) | map_source_given | map_destination_given);
      break;
    }
    default:  // an image copy between two kinds
      image_copy(c[0], c[1], c[2], c[3], src_handle, dst_handle, c[4], c[5], c[6], c[7],
                 (flags & ~(copy_source_given | copy_destination_given)) | copy_source_given |
                     copy_destination_given);
      break;
  }
  const int32_t error = error_report.pending.load();
  FUZZ_CHECK(error == 0 || error == 5);
  if (img->bytes_per_pixel == 1)
    for (size_t i = 0; i < static_cast<size_t>(image_width) * image_height; ++i) FUZZ_CHECK(img->data[i] <= img->mask);
  fuzz_end(str_temp_mark());
  return 0;
}
