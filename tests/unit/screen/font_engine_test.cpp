// Loaded fonts on the installed DejaVu faces: finding the files, what each
// option does to the glyphs, the baseline, measuring, drawing on each pixel
// depth against the glyph's own coverage, and files that are no fonts.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "screen_fixture.h"

namespace {

const std::string dejavu = "/usr/share/fonts/truetype/dejavu/";

class LoadedFontTest : public ScreenTest {
 protected:
  int32_t load(const std::string& name, int32_t height, const char* options = nullptr) {
    return load_font(text(name), height, options ? text(options) : nullptr, options ? 1 : 0);
  }
  static const glyph_coverage& glyph(int32_t font, uint32_t code) {
    const glyph_coverage* g = loaded_glyph(static_cast<uint32_t>(font), code);
    EXPECT_NE(g, nullptr);
    static const glyph_coverage none{};
    return g ? *g : none;
  }
  static uint8_t at(const glyph_coverage& g, int32_t x, int32_t y) { return g.pixels[y * g.width + x]; }
  static int64_t ink(const glyph_coverage& g) {
    int64_t sum = 0;
    for (int32_t i = 0; i < g.width * g.height; ++i) sum += g.pixels[i];
    return sum;
  }
  // First and last rows with any coverage.
  static std::pair<int32_t, int32_t> ink_rows(const glyph_coverage& g) {
    int32_t top = -1, bottom = -1;
    for (int32_t y = 0; y < g.height; ++y)
      for (int32_t x = 0; x < g.width; ++x)
        if (at(g, x, y)) {
          if (top < 0) top = y;
          bottom = y;
        }
    return {top, bottom};
  }
};

TEST_F(LoadedFontTest, FindsFilesByPathFileNameAndFamily) {
  struct {
    std::string name;
    bool fixed_width;
  } found[] = {
      {dejavu + "DejaVuSans.ttf", false}, {"DejaVu Sans", false}, {"DejaVu Sans Mono", true},
      {"dejavusansmono.ttf", true},       {"DejaVuSansMono", true},
  };
  const int32_t by_path = load(dejavu + "DejaVuSansMono.ttf", 20, "underline");
  for (const auto& c : found) {
    const int32_t font = load(c.name, 20, "underline");
    ASSERT_GE(font, first_loaded_font) << c.name;
    EXPECT_EQ(font_table.height[font], 20);
    EXPECT_EQ(font_table.flags[font], font_underline);
    EXPECT_EQ(font_table.width[font] > 0, c.fixed_width) << c.name;
    if (c.fixed_width) {
      // The family's regular face, the same file as by its path.
      const glyph_coverage &a = glyph(font, 'A'), &b = glyph(by_path, 'A');
      ASSERT_EQ(a.width, b.width);
      EXPECT_EQ(std::memcmp(a.pixels, b.pixels, a.width * a.height), 0) << c.name;
    }
  }
  for (const char* missing : {"No Such Font Anywhere", "dejavu", "DejaVu Sans Mon", "C:/Windows/Fonts/nothing.ttf"}) {
    EXPECT_EQ(load(missing, 20), -1) << missing;
    EXPECT_EQ(take_error(), 0);
  }
}

TEST_F(LoadedFontTest, AFamilysOwnBoldAndItalicFacesAreUsed) {
  struct {
    const char* family;
    const char* options;
    const char* face_file;  // the family's face for the style
  } cases[] = {
      {"DejaVu Sans", "bold", "DejaVuSans-Bold.ttf"},
      {"DejaVu Sans Mono", "bold", "DejaVuSansMono-Bold.ttf"},
      {"DejaVu Sans", "italic", "DejaVuSans-Oblique.ttf"},
      {"DejaVu Sans", "bold, italic", "DejaVuSans-BoldOblique.ttf"},
      {"DejaVu Serif", "bold,italic", "DejaVuSerif-BoldItalic.ttf"},
  };
  const auto same = [](const glyph_coverage& a, const glyph_coverage& b) {
    return a.width == b.width && a.height == b.height && a.left == b.left && a.advance == b.advance &&
           std::memcmp(a.pixels, b.pixels, static_cast<size_t>(a.width) * a.height) == 0;
  };
  int32_t checked = 0;
  for (const auto& c : cases) {
    if (!std::ifstream(dejavu + c.face_file)) continue;  // not every DejaVu package has every face
    const int32_t by_family = load(c.family, 24, c.options);
    const int32_t face = load(dejavu + c.face_file, 24);
    ASSERT_GE(by_family, first_loaded_font) << c.family << " " << c.options;
    for (const int code : {int{'H'}, int{'g'}, int{'f'}})
      EXPECT_TRUE(same(glyph(by_family, code), glyph(face, code))) << c.face_file << " " << char(code);
    ++checked;
  }
  EXPECT_GE(checked, 2);  // at least the bold faces of the core package
  // A family without a bold face of its own gets the made one: here a file, which is one face.
  const glyph_coverage &made = glyph(load(dejavu + "DejaVuSans.ttf", 24, "bold"), 'H'),
                       &real = glyph(load(dejavu + "DejaVuSans-Bold.ttf", 24), 'H');
  EXPECT_FALSE(same(made, real));
}

TEST_F(LoadedFontTest, OptionsShowInTheGlyphs) {
  const int32_t plain = load(dejavu + "DejaVuSans.ttf", 24);
  const glyph_coverage& h = glyph(plain, 'H');
  const int64_t plain_ink = ink(h);
  const int32_t plain_advance = h.advance;
  bool grey = false;
  for (int32_t i = 0; i < h.width * h.height; ++i) grey |= h.pixels[i] > 0 && h.pixels[i] < 255;
  EXPECT_TRUE(grey);

  const int32_t bold = load(dejavu + "DejaVuSans.ttf", 24, "bold");
  EXPECT_GT(ink(glyph(bold, 'H')), plain_ink * 11 / 10);
  EXPECT_GT(glyph(bold, 'H').advance, plain_advance);

  // Slanted: the top of the stem of 'l' stands further right than its foot.
  const int32_t italic = load(dejavu + "DejaVuSans.ttf", 24, "italic");
  const auto first_column = [](const glyph_coverage& g, int32_t y) {
    for (int32_t x = 0; x < g.width; ++x)
      if (g.pixels[y * g.width + x] >= 128) return x + g.left;
    return -1000;
  };
  const glyph_coverage &l = glyph(plain, 'l'), &l_slanted = glyph(italic, 'l');
  const auto [top, bottom] = ink_rows(l);
  EXPECT_EQ(first_column(l, top), first_column(l, bottom));
  EXPECT_GT(first_column(l_slanted, top + 1) - first_column(l_slanted, bottom - 1), 2);

  // Underline: whole rows set below the baseline, across the advance.
  const int32_t underline = load(dejavu + "DejaVuSans.ttf", 24, "underline");
  const glyph_coverage& u = glyph(underline, 'o');
  int32_t full_rows = 0;
  for (int32_t y = ink_rows(glyph(plain, 'o')).second + 1; y < u.height; ++y) {
    bool full = true;
    for (int32_t x = -u.left; x < -u.left + u.advance; ++x) full &= at(u, x, y) == 255;
    full_rows += full;
  }
  EXPECT_GE(full_rows, 1);

  // Monospace: every character takes the widest advance.
  const int32_t mono = load(dejavu + "DejaVuSans.ttf", 24, "monospace");
  ASSERT_GT(font_table.width[mono], 0);
  for (const int c : {int{'i'}, int{'W'}, int{'m'}, int{'.'}, 219}) EXPECT_EQ(glyph(mono, c).advance, font_table.width[mono]) << c;
  EXPECT_GE(font_table.width[mono], glyph(plain, 'W').advance);

  // DONTBLEND: two levels only.
  const glyph_coverage& two = glyph(load(dejavu + "DejaVuSans.ttf", 24, "dontblend"), 'H');
  EXPECT_GT(ink(two), 0);
  for (int32_t i = 0; i < two.width * two.height; ++i) ASSERT_TRUE(two.pixels[i] == 0 || two.pixels[i] == 255);
}

TEST_F(LoadedFontTest, MixedLettersShareOneBaselineInsideTheCell) {
  for (const int32_t height : {9, 16, 24, 57}) {
    const int32_t font = load(dejavu + "DejaVuSans.ttf", height);
    const int32_t base = ink_rows(glyph(font, 'H')).second;
    for (const uint8_t c : {'x', 'm', 'E', '1'}) EXPECT_EQ(ink_rows(glyph(font, c)).second, base) << c << " at " << height;
    for (const uint8_t c : {'g', 'y', 'j'}) EXPECT_GT(ink_rows(glyph(font, c)).second, base) << c << " at " << height;
    for (const int c : {int{'H'}, int{'g'}, 143, 219}) EXPECT_EQ(glyph(font, c).height, height);
    EXPECT_GE(ink_rows(glyph(font, 219)).first, 0);  // the full block spans the cell
  }
}

TEST_F(LoadedFontTest, TextWidthIsWherePrintingLeavesThePen) {
  const int32_t font = load("DejaVu Sans", 24);
  const int32_t handle = new_image(400, 48, 32, 1);
  set_dest(handle);
  set_image_font(font, 0, 0);
  const std::string line = "Wavy lines, 44100 Hz";
  int32_t advances = 0;
  for (const char c : line) advances += glyph(font, static_cast<uint8_t>(c)).advance;
  EXPECT_EQ(text_width(text(line), 0, 0), advances);
  print_text(text(line), 0);
  EXPECT_EQ(cursor_col_of(write_image) - 1, advances);
  EXPECT_GT(text_width(text("WWW"), 0, 0), 2 * text_width(text("iii"), 0, 0));

  // A UNICODE font measures four-byte code points.
  const int32_t wide = load("DejaVu Sans", 24, "unicode");
  set_image_font(wide, 0, 0);
  const uint32_t code_points[] = {0x263A, 'a', 0x20AC};
  const std::string bytes(reinterpret_cast<const char*>(code_points), sizeof code_points);
  EXPECT_EQ(text_width(text(bytes + "xy"), 0, 0),
            glyph(wide, 0x263A).advance + glyph(wide, 'a').advance + glyph(wide, 0x20AC).advance);
}

TEST_F(LoadedFontTest, DrawingByDepthAndBlending) {
  const int32_t smooth = load("DejaVu Sans", 20), two_level = load("DejaVu Sans", 20, "dontblend");
  const int32_t slanted = load("DejaVu Sans", 20, "italic");
  constexpr uint32_t old32 = 0xFF204060;
  // 'T' and 'j' hang a column left of the pen, a slanted 'f' four columns past its advance.
  struct {
    int32_t mode;
    uint8_t blend_off;
    int32_t font;
    uint8_t code;
    uint32_t colour, background;
  } cases[] = {
      {13, 0, smooth, 'T', 14, 1},          {32, 1, slanted, 'f', 0x80FF0000, 0x4000FF00},
      {32, 0, two_level, 'j', 0x80FF0000, 0xFF0000FF}, {32, 0, slanted, 'f', 0xFFFFFF00, 0xFF000080},
      {32, 0, smooth, '&', 0x80FF8000, 0x40008000},
  };
  for (const auto& c : cases) {
    for (const uint8_t print_mode : {1, 2, 3}) {
      const int32_t handle = new_image(40, 24, c.mode, 1);
      image_record* img = image_at(-handle);
      auto* p32 = reinterpret_cast<uint32_t*>(img->data);
      for (int32_t i = 0; i < 40 * 24; ++i) c.mode == 32 ? void(p32[i] = old32) : void(img->data[i] = 9);
      set_dest(handle);
      set_image_font(c.font, 0, 0);
      img->colour = c.colour;
      img->background = c.background;
      img->blend_off = c.blend_off;
      img->print_mode = print_mode;
      set_cursor(img, 11, 1);  // pen at x = 10
      put_char(c.code);
      const glyph_coverage& g = glyph(c.font, c.code);
      const bool set_clear = c.mode == 13 || c.blend_off || c.font == two_level;
      for (int32_t y = 0; y < 24; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
          const int32_t gx = x - 10 - g.left;
          const bool in_cell = x >= 10 && x < 10 + g.advance && y < g.height;
          const uint32_t cover = gx >= 0 && gx < g.width && y < g.height ? at(g, gx, y) : 0;
          const uint32_t old = c.mode == 32 ? old32 : 9;
          uint32_t want = old;
          if (set_clear) {
            const bool set = cover >= 128;
            const uint32_t value = set ? c.colour : c.background;
            if (set ? print_mode != 2 : print_mode != 1 && in_cell)
              want = c.mode == 13 ? value & 0xFF : c.blend_off ? value : blend_over(old, value);
          } else if (in_cell || (print_mode != 2 && cover)) {
            const uint8_t m = in_cell ? print_mode : 1;  // ink over a neighbour never brings background
            const uint32_t fa = c.colour >> 24, ba = c.background >> 24;
            uint32_t value = m == 1 ? (c.colour & 0xFFFFFF) | ((cover * (fa + 1)) >> 8) << 24
                                    : (c.background & 0xFFFFFF) | (((255 - cover) * (ba + 1)) >> 8) << 24;
            if (m == 3) {
              value = 0;
              for (int32_t s = 0; s < 32; s += 8)
                value |= ((((c.colour >> s) & 0xFF) * cover + ((c.background >> s) & 0xFF) * (255 - cover) + 127) / 255) << s;
            }
            want = blend_over(old, value);
          }
          const uint32_t got = c.mode == 32 ? p32[y * 40 + x] : img->data[y * 40 + x];
          ASSERT_EQ(got, want) << "mode " << c.mode << " blend_off " << int(c.blend_off) << " font " << c.font
                               << " print mode " << int(print_mode) << " at " << x << "," << y;
        }
      }
      free_image(handle, 1);
    }
  }
}

TEST_F(LoadedFontTest, WithABackgroundTheOverhangOfAGlyphSurvivesTheNextCell) {
  // Made slanted, an 'f' hangs past its advance over the next letter's cell.
  const int32_t font = load(dejavu + "DejaVuSans.ttf", 24, "italic");
  const glyph_coverage& f = glyph(font, 'f');
  ASSERT_GT(f.left + f.width, f.advance);
  constexpr uint32_t ink = 0xFFFFFFFF, paper = 0xFF0000FF;  // paper has no red
  for (const char* text : {"fj", "fl", "f "}) {
    const int32_t handle = new_image(60, 30, 32, 1);
    image_record* img = image_at(-handle);
    set_dest(handle);
    set_image_font(font, 0, 0);
    img->colour = ink;
    img->background = paper;
    img->print_mode = 3;
    print_at(10, 0, str_from_cstr(text), 0, 0);
    const auto* p32 = reinterpret_cast<const uint32_t*>(img->data);
    int32_t hook = 0;
    for (int32_t y = 0; y < f.height; ++y)
      for (int32_t x = 10 + f.advance; x < 10 + f.left + f.width; ++x)
        if (const int32_t cover = at(f, x - 10 - f.left, y); cover >= 128) {
          // At least the hook's own share of white over whatever the cell holds.
          EXPECT_GE(static_cast<int32_t>((p32[y * 60 + x] >> 16) & 0xFF), cover - 2)
              << text << " at " << x << "," << y;
          ++hook;
        }
    EXPECT_GT(hook, 0) << text;
    free_image(handle, 1);
  }
}

TEST_F(LoadedFontTest, PrintDrawingOneGlyphAtATimeKeepsTheOverhangAsADrawnRunDoes) {
  const int32_t font = load(dejavu + "DejaVuSans.ttf", 24, "italic");
  const int32_t f_advance = glyph(font, 'f').advance;
  struct {
    const char* name;
    int32_t mode;
    void (*print)(image_record* img, int32_t f_advance);
    const char* reference;  // drawn as one run where the "f" started; "j" alone after its advance
  } cases[] = {
      {"one PRINT", 32, [](image_record*, int32_t) { print_text(text("fj"), 0); }, "fj"},
      {"two PRINTs", 32, [](image_record*, int32_t) { for (const char* s : {"f", "j"}) print_text(text(s), 0); }, "fj"},
      {"two PRINTs, 8-bit", 13, [](image_record*, int32_t) { for (const char* s : {"f", "j"}) print_text(text(s), 0); }, "fj"},
      {"f ff f", 32, [](image_record*, int32_t) { for (const char* s : {"f", " ", "f", "f", " ", "f"}) print_text(text(s), 0); },
       "f ff f"},
      {"CLS between", 32,
       [](image_record* img, int32_t advance) {
         print_text(text("f"), 0);
         cls(0, 0, 0);
         set_cursor(img, 11 + advance, 1);
         print_text(text("j"), 0);
       },
       "j"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> pixels[2];
    for (int32_t way = 0; way < 2; ++way) {
      const int32_t handle = new_image(90, 30, c.mode, 1);
      image_record* img = image_at(-handle);
      set_dest(handle);
      set_image_font(font, 0, 0);
      img->colour = c.mode == 32 ? 0xFFFFFFFF : 15;
      img->background = c.mode == 32 ? 0xFF0000FF : 1;
      img->print_mode = 3;
      cls(0, 0, 0);
      if (way == 0) {
        set_cursor(img, 11, 1);  // pen at x = 10
        c.print(img, f_advance);
      } else {
        print_at(c.reference[0] == 'j' ? static_cast<float>(10 + f_advance) : 10, 0, text(c.reference), 0, 0);
      }
      pixels[way].assign(img->data, img->data + size_t{90} * 30 * img->bytes_per_pixel);
      free_image(handle, 1);
    }
    const size_t bytes = c.mode == 32 ? 4 : 1;
    const auto diff = std::mismatch(pixels[0].begin(), pixels[0].end(), pixels[1].begin());
    const size_t at = static_cast<size_t>(diff.first - pixels[0].begin()) / bytes;
    EXPECT_TRUE(diff.first == pixels[0].end()) << c.name << ": first different pixel at " << at % 90 << "," << at / 90;
  }
}

TEST_F(LoadedFontTest, AGlyphCutByTheLeftEdgeDrawsWhatIsInsideAsWhole) {
  // The same text with its pen 3 pixels left of the image and 7 right of its
  // edge: the image columns from 0 hold what the whole one holds from 10.
  const int32_t font = load(dejavu + "DejaVuSans.ttf", 24, "italic");
  std::vector<uint32_t> pixels[2];
  for (const float pen : {-3.0f, 7.0f}) {
    const int32_t handle = new_image(60, 30, 32, 1);
    image_record* img = image_at(-handle);
    set_dest(handle);
    set_image_font(font, 0, 0);
    img->background = 0xFF0000FF;
    img->print_mode = 3;
    cls(0, 0xFF00FF00, 2);  // neither ink nor paper
    print_at(pen, 0, text("fl"), 0, 0);
    const auto* p32 = reinterpret_cast<const uint32_t*>(img->data);
    for (int32_t y = 0; y < 30; ++y)
      for (int32_t x = pen < 0 ? 0 : 10; x < (pen < 0 ? 50 : 60); ++x) pixels[pen < 0 ? 0 : 1].push_back(p32[y * 60 + x]);
    free_image(handle, 1);
  }
  EXPECT_EQ(pixels[0], pixels[1]);
}

TEST_F(LoadedFontTest, FreeingAFontInUse) {
  const int32_t font = load("DejaVu Sans", 16);
  const int32_t handle = new_image(64, 32, 32, 1);
  set_image_font(font, handle, 1);
  free_font(font);
  EXPECT_EQ(take_error(), 5);
  EXPECT_TRUE(font_is_loaded(font));
  print_at(0, 0, text("still drawn"), handle, 2);
  set_image_font(16, handle, 1);
  free_font(font);
  EXPECT_EQ(take_error(), 0);
  EXPECT_FALSE(font_is_loaded(font));
  set_image_font(font, handle, 1);
  EXPECT_EQ(take_error(), 258);
  free_font(font);
  EXPECT_EQ(take_error(), 258);
  EXPECT_EQ(load("DejaVu Sans", 16), font);  // the slot is taken again
}

TEST_F(LoadedFontTest, FilesThatAreNoFontsAndHeightsAtTheLimits) {
  std::ifstream in(dejavu + "DejaVuSans.ttf", std::ios::binary);
  const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string path = testing::TempDir() + "cut_font.ttf";
  for (const size_t keep : {size_t{0}, size_t{12}, size_t{2000}, whole.size() / 2, whole.size() - 1}) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(whole.data(), static_cast<std::streamsize>(keep));
    const int32_t font = load(path, 20, "monospace");
    if (font > 0) {  // FreeType may read what is there: every glyph still draws inside the cell
      const int32_t handle = new_image(200, 20, 32, 1);
      set_image_font(font, handle, 1);
      for (int32_t c = 0; c < 256; ++c) print_at(static_cast<float>(c % 10) * 20, 0, text(std::string(1, char(c))), handle, 2);
      EXPECT_GE(text_width(text("abc"), handle, 1), 0);
      free_image(handle, 1);
    } else {
      EXPECT_EQ(font, -1) << keep;
    }
    EXPECT_EQ(take_error(), 0) << keep;
  }
  std::remove(path.c_str());
  EXPECT_EQ(load("/dev/zero", 16), -1);  // endless: not a regular file
  EXPECT_EQ(load(std::string("DejaVu Sans\0.ttf", 16), 16), -1);
  EXPECT_EQ(load("DejaVu Sans", 0), 0);
  EXPECT_EQ(take_error(), 5);
  EXPECT_EQ(load("DejaVu Sans", font_height_max + 1), -1);
  const int32_t tall = load("DejaVu Sans", font_height_max);
  ASSERT_GE(tall, first_loaded_font);
  const int32_t handle = new_image(600, 300, 32, 1);
  set_image_font(tall, handle, 1);
  EXPECT_EQ(glyph(tall, 'W').height, font_height_max);
  EXPECT_GT(text_width(text("Wi"), handle, 1), font_height_max);
  print_at(-500, -1000, text("Wi"), handle, 2);
  EXPECT_EQ(take_error(), 0);
}

}  // namespace
