#include "runtime/text/text.h"

#include <algorithm>
#include <array>
#include <utility>

#include "runtime/core/shared_memory.h"

// Reading a page's text back: the characters of a text surface's cells, or the
// built-in glyphs a pixel surface shows in its font's grid.

namespace {

// A glyph or a cell as one byte per pixel row, bit 7 the leftmost pixel.
using cell_bits = std::array<uint8_t, 16>;
using glyph_entry = std::pair<cell_bits, uint8_t>;

// Every glyph of one built-in height, sorted by shape. Where two codes draw the
// same shape the printable code is kept (codes from 32 up before the control codes).
std::vector<glyph_entry> make_glyph_index(int32_t rows) {
  std::vector<glyph_entry> index;
  index.reserve(256);
  auto add = [&](int32_t code) {
    cell_bits bits{};
    // The fonts 8, 14 and 16 have the glyphs of 8, 14 and 16 rows.
    const builtin_glyph glyph = builtin_glyph_of(static_cast<uint32_t>(rows), static_cast<uint8_t>(code));
    for (int32_t y = 0; y < glyph.rows; ++y)
      for (int32_t x = 0; x < 8; ++x)
        if (glyph.pixels[y * 8 + x]) bits[static_cast<size_t>(y)] |= static_cast<uint8_t>(0x80 >> x);
    index.emplace_back(bits, static_cast<uint8_t>(code));
  };
  for (int32_t code = 32; code < 256; ++code) add(code);
  for (int32_t code = 1; code < 32; ++code) add(code);
  std::stable_sort(index.begin(), index.end(),
                   [](const glyph_entry& a, const glyph_entry& b) { return a.first < b.first; });
  index.erase(std::unique(index.begin(), index.end(),
                          [](const glyph_entry& a, const glyph_entry& b) { return a.first == b.first; }),
              index.end());
  return index;
}

const std::vector<glyph_entry>& glyph_index(int32_t rows) {
  static const std::vector<glyph_entry> index_8 = make_glyph_index(8);
  static const std::vector<glyph_entry> index_14 = make_glyph_index(14);
  static const std::vector<glyph_entry> index_16 = make_glyph_index(16);
  return rows == 8 ? index_8 : rows == 14 ? index_14 : index_16;
}

// The code whose glyph is exactly bits; 0 when none is.
uint8_t glyph_code(const std::vector<glyph_entry>& index, const cell_bits& bits) {
  const auto it = std::lower_bound(index.begin(), index.end(), bits,
                                   [](const glyph_entry& e, const cell_bits& b) { return e.first < b; });
  return it != index.end() && it->first == bits ? it->second : 0;
}

uint32_t pixel_at(const image_record* img, int32_t x, int32_t y) {
  const size_t at = static_cast<size_t>(y) * img->width + static_cast<size_t>(x);
  if (img->bytes_per_pixel == 4) return shared_get(reinterpret_cast<const uint32_t*>(img->data)[at]);
  return shared_get(img->data[at]) & img->mask;
}

// The character of the pixel cell whose top-left pixel is (x0, y0): the first
// of its colours (not the page's background first, then the fewest pixels)
// whose pixels form a glyph exactly; 0 when the cell has one colour or none does.
uint8_t read_pixel_cell(const image_record* img, int32_t x0, int32_t y0, int32_t rows, bool doubled,
                        const std::vector<glyph_entry>& index) {
  std::array<std::array<uint32_t, 8>, 16> cell;
  for (int32_t y = 0; y < rows; ++y)
    for (int32_t x = 0; x < 8; ++x) {
      const uint32_t p = pixel_at(img, x0 + x * (doubled ? 2 : 1), y0 + y);
      // A double-width font draws every glyph column twice.
      if (doubled && pixel_at(img, x0 + x * 2 + 1, y0 + y) != p) return 0;
      cell[static_cast<size_t>(y)][static_cast<size_t>(x)] = p;
    }

  struct colour_count {
    uint32_t colour;
    int32_t pixels;
  };
  std::vector<colour_count> colours;
  for (int32_t y = 0; y < rows; ++y)
    for (const uint32_t p : cell[static_cast<size_t>(y)]) {
      auto it = std::find_if(colours.begin(), colours.end(), [p](const colour_count& c) { return c.colour == p; });
      if (it == colours.end())
        colours.push_back({p, 1});
      else
        ++it->pixels;
    }
  if (colours.size() < 2) return 0;
  const uint32_t background = img->bytes_per_pixel == 4 ? img->background : img->background & img->mask;
  std::stable_sort(colours.begin(), colours.end(), [background](const colour_count& a, const colour_count& b) {
    const bool a_back = a.colour == background, b_back = b.colour == background;
    return a_back != b_back ? b_back : a.pixels < b.pixels;
  });
  for (const colour_count& c : colours) {
    cell_bits bits{};
    for (int32_t y = 0; y < rows; ++y)
      for (int32_t x = 0; x < 8; ++x)
        if (cell[static_cast<size_t>(y)][static_cast<size_t>(x)] == c.colour)
          bits[static_cast<size_t>(y)] |= static_cast<uint8_t>(0x80 >> x);
    if (const uint8_t code = glyph_code(index, bits)) return code;
  }
  return 0;
}

}  // namespace

std::vector<std::string> image_text_rows(const image_record* img) {
  std::vector<std::string> rows;
  if (!img || !img->valid || !img->data) return rows;
  const int32_t font = static_cast<int32_t>(img->font);
  if (!img->text && !font_is_builtin(font)) return rows;
  const int32_t row_count = image_rows(img), col_count = image_columns(img);
  const int32_t cell_h = img->text ? 1 : font_height_of(static_cast<uint32_t>(font));
  const bool doubled = !img->text && font_width_of(static_cast<uint32_t>(font)) == 16;
  const std::vector<glyph_entry>* index = img->text ? nullptr : &glyph_index(cell_h);
  rows.reserve(static_cast<size_t>(std::max(row_count, 0)));
  for (int32_t r = 0; r < row_count; ++r) {
    std::string line(static_cast<size_t>(std::max(col_count, 0)), ' ');
    for (int32_t c = 0; c < col_count; ++c) {
      uint8_t code;
      if (img->text) {
        const auto* cells = reinterpret_cast<const uint16_t*>(img->data);
        code = static_cast<uint8_t>(shared_get(cells[static_cast<size_t>(r) * img->width + c]) & 0xFF);
      } else {
        code = read_pixel_cell(img, c * (doubled ? 16 : 8), r * cell_h, cell_h, doubled, *index);
      }
      line[static_cast<size_t>(c)] = code == 0 ? ' ' : static_cast<char>(code);
    }
    line.erase(line.find_last_not_of(' ') + 1);
    rows.push_back(std::move(line));
  }
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  return rows;
}
