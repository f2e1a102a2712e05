#include "runtime/graphics/graphics.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "runtime/core/core.h"
#include "runtime/graphics/detail/graphics_internals.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"

namespace {

// Fronts hold each pixel's column in 16 bits; the image record's 16-bit sides
// keep every column within that.
static_assert(sizeof(image_record::width) <= sizeof(uint16_t) && sizeof(image_record::height) <= sizeof(uint16_t),
              "refuse wider images in PAINT before widening the image's sides");

// A run of painted pixels of one row waiting for its ends and the rows next
// to it to be looked at, in one word: its first column in bits 0-15, its last
// in bits 16-31, its row in bits 32-47, and from bit 48 the row it was found
// from (above or below; none for the start), whose pixels over the run are
// all examined already.
using fill_entry = uint64_t;
constexpr uint32_t from_none = 0, from_above = 1, from_below = 2;
constexpr fill_entry make_entry(int32_t x1, int32_t x2, int32_t y, uint32_t from) {
  return uint64_t{static_cast<uint16_t>(x1)} | uint64_t{static_cast<uint16_t>(x2)} << 16 |
         uint64_t{static_cast<uint16_t>(y)} << 32 | uint64_t{from} << 48;
}

// The runs still to look at: an array that grows (and stays grown) when a fill needs more.
struct front {
  fill_entry* items = nullptr;
  size_t count = 0;
  size_t capacity = 0;
};

struct fill_work_areas {
  front runs;
  uint8_t* visited = nullptr;  // one byte per pixel, 1 = examined; all 0 between fills
  size_t visited_size = 0;
};
fill_work_areas work;

constexpr size_t visited_start = 640 * 480;

bool front_reserve(front& f, size_t capacity) {
  if (f.capacity >= capacity) return true;
  auto* grown = static_cast<fill_entry*>(std::realloc(f.items, capacity * sizeof(fill_entry)));
  if (!grown) return false;
  f.items = grown;
  f.capacity = capacity;
  return true;
}

// The work areas for an image of the given pixel count; false (error 7 raised)
// when memory runs out.
bool work_areas_ready(size_t pixels) {
  if (!front_reserve(work.runs, fill_front_start)) {
    raise_error(err_out_of_memory);
    return false;
  }
  if (work.visited_size < pixels || !work.visited) {
    const size_t size = pixels > visited_start ? pixels : visited_start;
    auto* map = static_cast<uint8_t*>(std::calloc(size, 1));
    if (!map) {
      raise_error(err_out_of_memory);
      return false;
    }
    std::free(work.visited);
    work.visited = map;
    work.visited_size = size;
  }
  return true;
}

// How a variant reads and paints pixels. Each has
//   bool border(size_t at): the pixel holds the border colour;
//   void paint(size_t at, int32_t x): colours it.
template <typename Writer>
struct byte_region {
  Writer writer;
  uint8_t mask, border_value;
  bool border(size_t at) const { return (shared_get(writer.data[at]) & mask) == border_value; }
  void paint(size_t at, int32_t) const { writer.put(at); }
};

template <typename Writer>
struct word_region {
  Writer writer;
  uint32_t border_value;
  bool border(size_t at) const { return shared_get(writer.data[at]) == border_value; }
  void paint(size_t at, int32_t) const { writer.put(at); }
};

// Alpha 0 blended: the region is examined, nothing changes.
struct keep_writer {
  uint32_t* data;
  void put(size_t) const {}
};

// A tile of up to 64 rows of up to 8 pixels, repeated over the image.
struct tile_pattern {
  uint8_t colour[64][8];
  int32_t rows, width;
  uint8_t at(int32_t x, int32_t y) const { return colour[y % rows][x % width]; }
};

struct tile_pixels {
  uint8_t* data;
  uint8_t mask, border_value;
  int32_t image_width;
  const tile_pattern* tile;
  bool border(size_t at) const { return (shared_get(data[at]) & mask) == border_value; }
  void paint(size_t at, int32_t x) const {
    shared_put(data + at, tile->at(x, static_cast<int32_t>(at / static_cast<size_t>(image_width))));
  }
};

// The fill from (x, y), which lies inside the port and is not a border pixel,
// a row run at a time: each run is widened to its ends, then the rows above
// and below it are scanned for the runs they add. Every pixel is examined
// once (the visited map), so each is painted once and the count of examined
// pixels is that of any 4-way walk. Returns that count. Clears what it marked
// in the visited map before it returns. The run stack and the map are worked
// on through locals: the one-byte stores into pixels and map could alias
// anything else.
template <typename Pixels>
int64_t fill_walk(const image_record* img, const pixel_port& port, int32_t x, int32_t y, const Pixels pixels) {
  const note_write_at_exit mark;
  const uint32_t width = img->width;
  uint8_t* const visited = work.visited;
  const int32_t left_edge = port.x1, right_edge = port.x2;
  const uint32_t start = static_cast<uint32_t>(y) * width + static_cast<uint32_t>(x);
  // The lowest and highest pixel looked at bound the rows marked.
  uint32_t lowest = start, highest = start;
  int64_t examined = 1;

  visited[start] = 1;
  pixels.paint(start, x);
  front stack = work.runs;
  stack.items[0] = make_entry(x, x, y, from_none);
  stack.count = 1;
  fill_entry* items = stack.items;
  size_t count = 1;
  uint32_t until_check = 64;
  // Scans columns l..r of row ry, painting the pixels not yet examined up to
  // a border and pushing each run of them.
  const auto scan_row = [&](int32_t ry, uint32_t from, int32_t l, int32_t r) {
    const uint32_t row_at = static_cast<uint32_t>(ry) * width;
    int32_t run = -1;
    for (int32_t cx = l; cx <= r; ++cx) {
      const uint32_t at = row_at + static_cast<uint32_t>(cx);
      bool open = false;
      if (!visited[at]) {
        visited[at] = 1;
        ++examined;
        if (!pixels.border(at)) {
          pixels.paint(at, cx);
          open = true;
        }
      }
      if (open) {
        if (run < 0) run = cx;
      } else if (run >= 0) {
        items[count++] = make_entry(run, cx - 1, ry, from);
        run = -1;
      }
    }
    if (run >= 0) items[count++] = make_entry(run, r, ry, from);
  };
  while (count) {
    if (--until_check == 0) {
      until_check = 64;
      if (statement_stopping()) break;
    }
    const fill_entry e = items[--count];
    const int32_t x1 = static_cast<uint16_t>(e), x2 = static_cast<uint16_t>(e >> 16);
    const int32_t row = static_cast<uint16_t>(e >> 32);
    const uint32_t from = static_cast<uint32_t>(e >> 48);
    const uint32_t row_at = static_cast<uint32_t>(row) * width;
    int32_t l = x1, r = x2;
    while (l > left_edge) {
      const uint32_t at = row_at + static_cast<uint32_t>(l - 1);
      if (visited[at]) break;
      visited[at] = 1;
      ++examined;
      if (pixels.border(at)) break;
      pixels.paint(at, --l);
    }
    while (r < right_edge) {
      const uint32_t at = row_at + static_cast<uint32_t>(r + 1);
      if (visited[at]) break;
      visited[at] = 1;
      ++examined;
      if (pixels.border(at)) break;
      pixels.paint(at, ++r);
    }
    // Each row adds at most one run per two columns: room for both first.
    const size_t most = count + static_cast<size_t>(r - l) + 2;
    if (stack.capacity < most) {
      stack.items = items;
      stack.count = count;
      if (!front_reserve(stack, std::max(most, stack.capacity * 2))) {
        raise_error(err_out_of_memory);
        break;
      }
      items = stack.items;
    }
    // Toward the row the run was found from, only past its old ends.
    const auto scan_next = [&](int32_t ry, bool back, uint32_t child_from) {
      if (back) {
        scan_row(ry, child_from, l, x1 - 1);
        scan_row(ry, child_from, x2 + 1, r);
      } else {
        scan_row(ry, child_from, l, r);
      }
    };
    if (row > port.y1) {
      scan_next(row - 1, from == from_above, from_below);
      lowest = std::min(lowest, row_at - width + static_cast<uint32_t>(l));
    }
    if (row < port.y2) {
      scan_next(row + 1, from == from_below, from_above);
      highest = std::max(highest, row_at + width + static_cast<uint32_t>(r));
    }
  }
  stack.items = items;
  stack.count = 0;
  work.runs = stack;

  const size_t first_row = lowest / width, last_row = highest / width;
  std::memset(visited + first_row * width, 0, (last_row - first_row + 1) * width);
  return examined;
}

// The start of a fill: the last graphics point set or moved, and mapped to a
// pixel. False when the fill goes no further (the point maps outside the port).
bool fill_start(image_record* img, float x, float y, int32_t flags, int32_t* px, int32_t* py) {
  set_graphics_point(img, x, y, flags & paint_relative);
  return map_point(img, img->gfx_x, img->gfx_y, px, py) && in_port(port_of(img), *px, *py) &&
         work_areas_ready(static_cast<size_t>(img->width) * img->height);
}

// Reads a tile string into a pattern by the image's bits per pixel.
void decode_tile(const str_desc* tile, int32_t bits, tile_pattern* out) {
  const uint8_t* b = tile->chars;
  const int32_t n = tile->len;
  switch (bits) {
    case 1:
    case 2: {
      const int32_t per_byte = 8 / bits;
      out->rows = n;
      out->width = per_byte;
      for (int32_t r = 0; r < n; ++r)
        for (int32_t c = 0; c < per_byte; ++c)
          out->colour[r][c] = static_cast<uint8_t>((b[r] >> (8 - bits * (c + 1))) & ((1 << bits) - 1));
      break;
    }
    case 4:
      // Four plane bytes a row; a last row that is cut short has 0 in its missing planes.
      out->rows = (n + 3) / 4;
      out->width = 8;
      for (int32_t r = 0; r < out->rows; ++r)
        for (int32_t c = 0; c < 8; ++c) {
          uint8_t colour = 0;
          for (int32_t plane = 0; plane < 4 && 4 * r + plane < n; ++plane)
            colour |= static_cast<uint8_t>(((b[4 * r + plane] >> (7 - c)) & 1) << plane);
          out->colour[r][c] = colour;
        }
      break;
    default:
      out->rows = n;
      out->width = 1;
      for (int32_t r = 0; r < n; ++r) out->colour[r][0] = b[r];
      break;
  }
}

// The colour a background string stands for, or -1 when it names none.
int32_t background_value(const str_desc* background, int32_t bits) {
  if (!background) return 0;
  const uint8_t* b = background->chars;
  switch (bits) {
    case 1:
      return b[0] == 255 ? 1 : b[0] == 0 ? 0 : -1;
    case 2: {
      const int32_t pair = b[0] & 3;
      return b[0] == pair * 0x55 ? pair : -1;
    }
    case 4: {
      int32_t value = 0;
      for (int32_t plane = 0; plane < 4 && plane < background->len; ++plane) {
        if (b[plane] == 255)
          value |= 1 << plane;
        else if (b[plane] != 0)
          return -1;
      }
      return value;
    }
    default:
      return b[0];
  }
}

}  // namespace

int64_t paint_fill_counted(float x, float y, uint32_t fill, uint32_t border, int32_t flags) {
  image_record* img = graphics_statement_image();
  if (!img) return 0;
  if (flags & paint_background_given) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  const bool one_byte = img->bytes_per_pixel != 4;
  if (!(flags & paint_colour_given)) fill = img->colour;
  if (!(flags & paint_border_given)) border = fill;
  if (one_byte) {
    fill &= img->mask;
    border &= img->mask;
  }
  img->draw_colour = fill;
  int32_t px, py;
  if (!fill_start(img, x, y, flags, &px, &py)) return 0;
  const size_t at = static_cast<size_t>(py) * img->width + static_cast<size_t>(px);
  const auto walk = [&](const auto& region) { return region.border(at) ? 0 : fill_walk(img, port_of(img), px, py, region); };
  if (one_byte)
    return walk(byte_region<byte_writer>{{img->data, static_cast<uint8_t>(fill)}, static_cast<uint8_t>(img->mask),
                                         static_cast<uint8_t>(border)});
  auto* data = reinterpret_cast<uint32_t*>(img->data);
  const uint32_t alpha = fill >> 24;
  if (img->blend_off || alpha == 0xFF) return walk(word_region<word_writer>{{data, fill}, border});
  if (alpha == 0) return walk(word_region<keep_writer>{{data}, border});
  return walk(word_region<blend_writer>{{data, fill}, border});
}

void paint_fill(float x, float y, uint32_t fill, uint32_t border, int32_t flags) {
  paint_fill_counted(x, y, fill, border, flags);
}

void paint_tile(float x, float y, const str_desc* tile, uint32_t border, const str_desc* background, int32_t flags) {
  image_record* img = graphics_statement_image();
  if (!img) return;
  const int32_t bits = img->bits_per_pixel;
  const int32_t tile_max = bits == 4 ? 256 : 64;
  const bool bad_tile = !(flags & paint_colour_given) || !tile || tile->len <= 0 || tile->len > tile_max;
  const bool bad_background =
      (flags & paint_background_given) && (!background || background->len <= 0 || background->len > 255);
  // Tiles are rows of palette indexes: 32-bit images have none.
  if (bad_tile || bad_background || img->bytes_per_pixel != 1) {
    raise_error(err_illegal_function_call);
    return;
  }
  static tile_pattern pattern;
  decode_tile(tile, bits, &pattern);
  const int32_t back = background_value((flags & paint_background_given) ? background : nullptr, bits);
  const uint8_t border_value = static_cast<uint8_t>(((flags & paint_border_given) ? border : img->colour) & img->mask);
  int32_t px, py;
  if (!fill_start(img, x, y, flags, &px, &py)) return;
  const tile_pixels pixels{img->data, static_cast<uint8_t>(img->mask), border_value, img->width, &pattern};
  const size_t at = static_cast<size_t>(py) * img->width + static_cast<size_t>(px);
  if (pixels.border(at)) return;
  // A start pixel that already shows its tile colour is taken as filled, unless that is the background.
  const uint8_t own = pattern.at(px, py);
  if ((shared_get(img->data[at]) & img->mask) == own && own != back) return;
  fill_walk(img, port_of(img), px, py, pixels);
}

size_t fill_front_capacity() { return work.runs.capacity; }
