#include "runtime/screen/screen.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace {

std::vector<window_icon_image> icons;

constexpr uint32_t backdrop = 0xFF000000u;

// src over the opaque backdrop, one 8-bit channel at a time.
uint32_t over_backdrop(uint32_t src) {
  return 0xFF000000u | (coverage_mix(src, backdrop, src >> 24) & 0xFFFFFFu);
}

void capture(int32_t index) {
  if (!image_index_valid(index)) return;
  const image_record* img = image_at(index);
  if (img->bytes_per_pixel != 4 || img->text || !img->data) return;
  window_icon_image icon;
  icon.width = img->width;
  icon.height = img->height;
  const size_t count = static_cast<size_t>(icon.width) * icon.height;
  const auto* pixels = reinterpret_cast<const uint32_t*>(img->data);
  icon.argb.reserve(count);
  for (size_t i = 0; i < count; ++i) icon.argb.push_back(over_backdrop(pixels[i]));
  icons.push_back(std::move(icon));
}

}  // namespace

void window_icon_capture() {
  icons.clear();
  capture(icon_images.small_index);
  capture(icon_images.large_index);
}

const std::vector<window_icon_image>& window_icon_images() { return icons; }
