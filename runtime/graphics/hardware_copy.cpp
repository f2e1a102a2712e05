// Image copy and triangle mapping whose source is a hardware image: checked
// and turned into render commands that the window thread draws on the GPU
// (docs/image-copy.md, docs/triangle-map.md). Program thread.
#include <algorithm>
#include <cmath>

#include "runtime/core/core.h"
#include "runtime/gpu/gpu.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/graphics/graphics.h"
#include "runtime/screen/screen.h"

namespace {

// Coordinates farther out than this are pulled in: far beyond any target, and
// still exact steps in a float.
constexpr float coordinate_limit = 16777216.0f;

float held(float v) { return std::clamp(v, -coordinate_limit, coordinate_limit); }

// The target of a hardware draw: 0 the first layer, -1 the second, > 0 a
// hardware image's index. False, with an error raised, for anything else.
bool hardware_target(int64_t destination, bool given, bool layer, int32_t* target) {
  if (layer) {
    if (!given || (destination != 1 && destination != 2)) {
      raise_error(err_illegal_function_call);
      return false;
    }
    *target = destination == 1 ? 0 : -1;
    return true;
  }
  if (!given) {
    *target = 0;  // a hardware image with no destination goes onto the first layer
    return true;
  }
  if (!is_hardware_handle(destination)) {
    raise_error(err_illegal_function_call);  // GPU pixels are not read back into software images
    return false;
  }
  *target = hardware_index_of(destination);
  if (!*target) raise_error(err_invalid_handle);
  return *target != 0;
}

// The source of a hardware draw (its record, and its index in *from) and the
// target; null, with an error raised, when either is not one.
const hardware_img* hardware_operands(int64_t source, bool source_given, int64_t destination,
                                      bool destination_given, bool layer, int32_t* from, int32_t* target) {
  if (!source_given || !is_hardware_handle(source)) {
    raise_error(err_illegal_function_call);  // software pixels are not drawn into hardware targets
    return nullptr;
  }
  *from = hardware_index_of(source);
  if (!*from) {
    raise_error(err_invalid_handle);
    return nullptr;
  }
  if (!hardware_target(destination, destination_given, layer, target)) return nullptr;
  const hardware_img* img = hardware_img_get(*from);
  if (!img) raise_error(err_invalid_handle);
  return img;
}

// Blending as the pixel store does it, unless the source or a target image has it off.
int32_t blend_of(const hardware_img* src, int32_t target) {
  if (src->blend_off) return 0;
  if (target > 0) {
    const hardware_img* t = hardware_img_get(target);
    if (!t || t->blend_off) return 0;
  }
  return 1;
}

void issue(const hgc& c) {
  purge_commands();
  issue_command(c);
}

}  // namespace

bool hardware_drawing(int64_t source, bool source_given, int64_t destination, bool destination_given, bool layer) {
  return layer || (source_given && is_hardware_handle(source)) ||
         (destination_given && is_hardware_handle(destination));
}

void hardware_image_copy(float dx1, float dy1, float dx2, float dy2, int64_t source, int64_t destination,
                         float sx1, float sy1, float sx2, float sy2, int32_t flags) {
  int32_t from = 0, target = 0;
  const hardware_img* img = hardware_operands(source, flags & copy_source_given, destination,
                                              flags & copy_destination_given, flags & copy_destination_layer,
                                              &from, &target);
  if (!img) return;
  // The source rectangle: the whole image, or two corners inside it.
  float s[4] = {0, 0, static_cast<float>(img->width - 1), static_cast<float>(img->height - 1)};
  if (flags & copy_source_corners_given) {
    if (flags & copy_source_second_relative) {
      sx2 += sx1;
      sy2 += sy1;
    }
    const float corners[4] = {std::nearbyint(sx1), std::nearbyint(sy1), std::nearbyint(sx2), std::nearbyint(sy2)};
    for (int32_t k = 0; k < 4; ++k) {
      const float side = static_cast<float>(k % 2 == 0 ? img->width : img->height);
      if (!(corners[k] >= 0 && corners[k] < side)) {
        raise_error(err_illegal_function_call);
        return;
      }
      s[k] = corners[k];
    }
  }
  // The destination: hardware targets keep no graphics point, so STEP on the
  // first corner measures from (0, 0) and on the second from the first.
  float d[4] = {0, 0, 0, 0};
  if (flags & copy_destination_first_given) {
    d[0] = std::nearbyint(dx1);
    d[1] = std::nearbyint(dy1);
  }
  if (flags & copy_destination_second_given) {
    if (flags & copy_destination_second_relative) {
      dx2 += dx1;
      dy2 += dy1;
    }
    d[2] = std::nearbyint(dx2);
    d[3] = std::nearbyint(dy2);
  } else {
    d[2] = d[0] + std::fabs(s[2] - s[0]);
    d[3] = d[1] + std::fabs(s[3] - s[1]);
  }
  for (float v : d)
    if (std::isnan(v)) return;  // not a number: nothing to draw on
  hgc c;
  c.kind = hgc_draw_rect;
  c.source = from;
  c.target = target;
  for (int32_t k = 0; k < 4; ++k) {
    c.dest[k] = held(d[k]);
    c.src[k] = s[k];
  }
  c.smooth = (flags & copy_smooth) ? 1 : 0;
  c.blend = blend_of(img, target);
  issue(c);
}

void hardware_triangle_map(const float source_points[6], int64_t source, const float* destination_points,
                           int64_t destination, int32_t flags, int32_t depth_mode, int32_t cull) {
  int32_t from = 0, target = 0;
  const hardware_img* img = hardware_operands(source, flags & map_source_given, destination,
                                              flags & map_destination_given, flags & map_destination_layer,
                                              &from, &target);
  if (!img) return;
  const bool depth = (flags & map_depth) != 0;
  if (depth && (depth_mode < 0 || depth_mode > 2 || cull < 0 || cull > 2)) {
    raise_error(err_illegal_function_call);
    return;
  }
  hgc c;
  c.kind = depth ? hgc_draw_triangle_depth : hgc_draw_triangle;
  c.source = from;
  c.target = target;
  for (int32_t k = 0; k < 3; ++k) {
    const float u = source_points[2 * k], v = source_points[2 * k + 1];
    if (!(u >= 0 && u <= static_cast<float>(img->width) && v >= 0 && v <= static_cast<float>(img->height))) {
      raise_error(err_illegal_function_call);
      return;
    }
    // Points are pixel corners; the drawing takes pixel centres.
    c.src[2 * k] = u - 0.5f;
    c.src[2 * k + 1] = v - 0.5f;
    const int32_t per_point = depth ? 3 : 2;
    for (int32_t a = 0; a < 3; ++a) {
      const float value = a < per_point ? destination_points[per_point * k + a] : 0.0f;
      if (std::isnan(value)) return;
      c.dest[3 * k + a] = held(value);
    }
  }
  c.smooth = (flags & map_smooth) ? 1 : 0;
  c.depth_mode = depth ? depth_mode : 0;
  c.cull = depth ? cull : 0;
  c.blend = blend_of(img, target);
  issue(c);
}

void depth_clear(int64_t destination, int32_t given, int32_t layer) {
  if (error_report.pending.load(std::memory_order_relaxed)) return;
  int32_t target = 0;
  if (!hardware_target(destination, given != 0, layer != 0, &target)) return;
  hgc c;
  c.kind = hgc_clear_depth;
  c.target = target;
  issue(c);
}
