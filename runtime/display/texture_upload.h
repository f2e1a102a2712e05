#pragma once
// The order in which a texture is made: at the image's own size; padded to
// powers of two (from the first failure of the former on, straight away);
// scaled by the mipmap builder as a last resort, with a notice when even that
// fails. The OpenGL calls are handed in, so the order is the same with or
// without a context.
#include <cstdint>

#include "runtime/core/errors.h"

struct texture_shape {
  int32_t size_mode;  // 0 image size, 1 padded to powers of two, 2 mipmapped
  int32_t width, height;
};

// as_is(): true when the texture took the image as it is.
// padded(&w, &h): true when it took the padded image; w and h become its size.
// mipmaps(): 0 when the mipmap builder succeeded, else its status; then
// error_number() gives the error the notice shows.
template <typename AsIs, typename Padded, typename Mipmaps, typename ErrorNumber>
texture_shape upload_texture(int32_t width, int32_t height, bool& padding_needed, AsIs as_is, Padded padded,
                             Mipmaps mipmaps, ErrorNumber error_number) {
  if (!padding_needed) {
    if (as_is()) return {0, width, height};
    padding_needed = true;
  }
  int32_t w = width, h = height;
  if (padded(&w, &h)) return {1, w, h};
  if (mipmaps() != 0) {
    // The image stays usable: drawing it shows whatever the texture holds.
    alert("gluBuild2DMipmaps failed");
    alert_number(error_number());
  }
  return {2, width, height};
}
