#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/graphics/graphics.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

namespace {

// The stored form of a picture: its size, the image kind it came from and
// the bytes of one row.
struct area_shape {
  int32_t width, height, bits;
  int64_t header, row_bytes;
  int64_t total() const { return header + row_bytes * height; }
};

int64_t row_bytes_of(int32_t width, int32_t bits) {
  if (bits == 32) return int64_t{width} * 4;
  if (bits == 4) return 4 * ((int64_t{width} + 7) / 8);  // four planes, one after another
  return (int64_t{width} * bits + 7) / 8;
}

// The classic header when its words can hold the size, else the long one.
area_shape shape_for(int32_t width, int32_t height, int32_t bits) {
  const int64_t width_word = bits == 4 ? width : int64_t{width} * bits;
  const bool classic = bits != 32 && width_word <= 0xFFFF && height <= 0xFFFF;
  return {width, height, bits, classic ? area_header_classic : area_header_long, row_bytes_of(width, bits)};
}

uint16_t word_at(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t long_at(const uint8_t* p) { return word_at(p) | static_cast<uint32_t>(word_at(p + 2)) << 16; }
void put_word(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void put_long(uint8_t* p, uint32_t v) {
  put_word(p, v & 0xFFFF);
  put_word(p + 2, v >> 16);
}

// Reads the header of a stored picture for an image of bits per pixel; false
// (error 5 for the caller) when it is cut short, names another kind or a
// size the array's bytes do not hold.
bool read_shape(const uint8_t* array, int64_t size, int32_t bits, area_shape* out) {
  if (!array || size < area_header_classic) return false;
  const uint32_t w_word = word_at(array), h_word = word_at(array + 2);
  int64_t width, height;
  if (w_word == 0 && h_word == 0) {
    if (size < area_header_long || long_at(array + 12) != static_cast<uint32_t>(bits)) return false;
    width = long_at(array + 4);
    height = long_at(array + 8);
  } else {
    if (bits == 32 || w_word == 0 || h_word == 0) return false;
    if (bits != 4 && w_word % bits != 0) return false;
    width = bits == 4 ? w_word : w_word / bits;
    height = h_word;
  }
  if (width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF) return false;
  *out = {static_cast<int32_t>(width), static_cast<int32_t>(height), bits,
          w_word == 0 && h_word == 0 ? area_header_long : area_header_classic,
          row_bytes_of(static_cast<int32_t>(width), bits)};
  return out->total() <= size;
}

// One row of pixel values to and from its stored bytes.
void pack_row(const uint32_t* values, int32_t width, int32_t bits, uint8_t* out) {
  if (bits == 32) {
    for (int32_t x = 0; x < width; ++x) put_long(out + 4 * x, values[x]);
    return;
  }
  if (bits == 8) {
    for (int32_t x = 0; x < width; ++x) out[x] = static_cast<uint8_t>(values[x]);
    return;
  }
  const int32_t row_bytes = row_bytes_of(width, bits);
  if (row_bytes <= 0) return;
  std::memset(out, 0, static_cast<size_t>(row_bytes));
  if (bits == 4) {
    const int32_t plane_bytes = (width + 7) / 8;
    for (int32_t x = 0; x < width; ++x)
      for (int32_t plane = 0; plane < 4; ++plane)
        if (values[x] >> plane & 1) out[plane * plane_bytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    return;
  }
  const int32_t per_byte = 8 / bits;
  for (int32_t x = 0; x < width; ++x)
    out[x / per_byte] |= static_cast<uint8_t>((values[x] & ((1u << bits) - 1)) << (8 - bits * (x % per_byte + 1)));
}

void unpack_row(const uint8_t* in, int32_t width, int32_t bits, uint32_t* values) {
  if (bits == 32) {
    for (int32_t x = 0; x < width; ++x) values[x] = long_at(in + 4 * x);
  } else if (bits == 8) {
    for (int32_t x = 0; x < width; ++x) values[x] = in[x];
  } else if (bits == 4) {
    const int32_t plane_bytes = (width + 7) / 8;
    for (int32_t x = 0; x < width; ++x) {
      uint32_t v = 0;
      for (int32_t plane = 0; plane < 4; ++plane) v |= static_cast<uint32_t>(in[plane * plane_bytes + x / 8] >> (7 - x % 8) & 1) << plane;
      values[x] = v;
    }
  } else {
    const int32_t per_byte = 8 / bits;
    for (int32_t x = 0; x < width; ++x)
      values[x] = in[x / per_byte] >> (8 - bits * (x % per_byte + 1)) & ((1u << bits) - 1);
  }
}

uint32_t pixel_at(const image_record* img, size_t at) {
  if (img->bytes_per_pixel == 1) return shared_get(img->data[at]);
  return shared_get(reinterpret_cast<const uint32_t*>(img->data)[at]);
}

// The image a GET or PUT works on: a pixel surface of a kind with a stored form.
image_record* area_image() {
  image_record* img = graphics_statement_image();
  if (!img) return nullptr;
  const int32_t bits = img->bits_per_pixel;
  if (bits != 1 && bits != 2 && bits != 4 && bits != 8 && bits != 32) {
    raise_error(err_illegal_function_call);
    return nullptr;
  }
  return img;
}

}  // namespace

int64_t area_bytes(int32_t width, int32_t height) {
  const image_record* img = write_image;
  if (!drawable(write_image) || width < 1 || height < 1 || width > 0xFFFF || height > 0xFFFF) return 0;
  return shape_for(width, height, img->bits_per_pixel).total();
}

void area_get(float x1, float y1, float x2, float y2, uint8_t* array, int64_t size, int32_t flags) {
  image_record* img = area_image();
  if (!img) return;
  if (flags & area_first_relative) {
    x1 += img->gfx_x;
    y1 += img->gfx_y;
  }
  if (flags & area_second_relative) {
    x2 += x1;
    y2 += y1;
  }
  int32_t ax, ay, bx, by;
  const pixel_port port = port_of(img);
  if (!map_point(img, x1, y1, &ax, &ay) || !map_point(img, x2, y2, &bx, &by) || !in_port(port, ax, ay) ||
      !in_port(port, bx, by)) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (ax > bx) std::swap(ax, bx);
  if (ay > by) std::swap(ay, by);
  const area_shape shape = shape_for(bx - ax + 1, by - ay + 1, img->bits_per_pixel);
  if (!array || size < shape.total()) {
    raise_error(err_illegal_function_call);
    return;
  }
  img->gfx_x = x2;
  img->gfx_y = y2;
  if (shape.header == area_header_classic) {
    put_word(array, static_cast<uint32_t>(shape.bits == 4 ? shape.width : shape.width * shape.bits));
    put_word(array + 2, static_cast<uint32_t>(shape.height));
  } else {
    put_long(array, 0);
    put_long(array + 4, static_cast<uint32_t>(shape.width));
    put_long(array + 8, static_cast<uint32_t>(shape.height));
    put_long(array + 12, static_cast<uint32_t>(shape.bits));
  }
  std::vector<uint32_t> row(static_cast<size_t>(shape.width));
  uint8_t* out = array + shape.header;
  for (int32_t y = ay; y <= by; ++y, out += shape.row_bytes) {
    const size_t start = static_cast<size_t>(y) * img->width + static_cast<size_t>(ax);
    for (int32_t x = 0; x < shape.width; ++x) row[x] = pixel_at(img, start + x);
    pack_row(row.data(), shape.width, shape.bits, out);
  }
}

void area_put(float x, float y, const uint8_t* array, int64_t size, int32_t action, int32_t flags) {
  image_record* img = area_image();
  if (!img) return;
  if (flags & area_first_relative) {
    x += img->gfx_x;
    y += img->gfx_y;
  }
  area_shape shape;
  int32_t px, py;
  const pixel_port port = port_of(img);
  if (action < put_pset || action > put_xor || !read_shape(array, size, img->bits_per_pixel, &shape) ||
      !map_point(img, x, y, &px, &py) || !in_port(port, px, py) || int64_t{px} + shape.width - 1 > port.x2 ||
      int64_t{py} + shape.height - 1 > port.y2) {
    raise_error(err_illegal_function_call);
    return;
  }
  img->gfx_x = x;
  img->gfx_y = y;
  const note_write_at_exit mark;
  const uint32_t mask = img->bytes_per_pixel == 1 ? img->mask : 0xFFFFFFFFu;
  // PRESET inverts the colour: every index bit, or the colour channels of a 32-bit pixel.
  const uint32_t invert = img->bytes_per_pixel == 1 ? img->mask : 0x00FFFFFFu;
  std::vector<uint32_t> row(static_cast<size_t>(shape.width));
  const uint8_t* in = array + shape.header;
  for (int32_t r = 0; r < shape.height; ++r, in += shape.row_bytes) {
    unpack_row(in, shape.width, shape.bits, row.data());
    const size_t start = static_cast<size_t>(py + r) * img->width + static_cast<size_t>(px);
    for (int32_t c = 0; c < shape.width; ++c) {
      const size_t at = start + static_cast<size_t>(c);
      const uint32_t old = pixel_at(img, at), v = row[c];
      uint32_t out = v;
      switch (action) {
        case put_preset: out = v ^ invert; break;
        case put_and: out = old & v; break;
        case put_or: out = old | v; break;
        case put_xor: out = old ^ v; break;
        default: break;
      }
      if (img->bytes_per_pixel == 1)
        shared_put(img->data + at, static_cast<uint8_t>(out & mask));
      else
        shared_put(reinterpret_cast<uint32_t*>(img->data) + at, out);
    }
  }
}
