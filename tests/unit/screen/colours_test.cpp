#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "tests/unit/screen/screen_fixture.h"

namespace {

TEST_F(ScreenTest, DefaultTablesCarryFullAlpha) {
  struct {
    const uint32_t* table;
    int32_t entry;
    uint32_t colour;
  } cases[] = {
      {vga_palette.data(), 0, 0xFF000000}, {vga_palette.data(), 6, 0xFFAA5500}, {vga_palette.data(), 15, 0xFFFFFFFF},
      {vga_palette.data(), 40, 0xFFFF0000}, {vga_palette.data(), 247, 0xFF2D3141}, {vga_palette.data(), 255, 0xFF000000},
      {ega_palette.data(), 20, 0xFFAA5500}, {ega_palette.data(), 63, 0xFFFFFFFF}, {ega_palette.data(), 56, 0xFF555555},
      {ega_palette.data(), 9, 0xFF0000FF},
  };
  for (const auto& c : cases) EXPECT_EQ(c.table[c.entry], c.colour) << c.entry;
  EXPECT_EQ(mono_attribute_table[1][2], 0xFFFFFFu);
  EXPECT_EQ(mono_attribute_table[0][3], 0x808080u);
}

TEST_F(ScreenTest, DefaultPaletteByMode) {
  struct {
    int32_t mode;
    int32_t entry;
    uint32_t colour;
  } cases[] = {
      {1, 1, 0xFF00AAAA},  {1, 2, 0xFFAA00AA}, {1, 3, 0xFFAAAAAA}, {2, 1, 0x00FFFFFF}, {11, 0, 0x00000000},
      {9, 6, 0xFFAA5500},  {9, 8, 0xFF555555}, {9, 15, 0xFFFFFFFF}, {10, 4, 0},        {10, 7, 8},
      {10, 0, 0},          {13, 200, 0xFF202041}, {256, 100, 0xFFB6FFFF}, {12, 9, 0xFF5555FF}, {12, 16, 0},
      {0, 7, 0xFFAAAAAA},
  };
  for (const auto& c : cases) {
    const int32_t handle = new_image(8, 8, c.mode, 1);
    ASSERT_LT(handle, -1);
    EXPECT_EQ(palette_get(image_at(-handle)->palette, c.entry), c.colour) << "mode " << c.mode << " entry " << c.entry;
    free_image(handle, 1);
  }
  EXPECT_EQ(image_at(-new_image(8, 8, 32, 1))->palette, nullptr);
}

TEST_F(ScreenTest, PalettePortsWriteSixBitLevels) {
  screen_set(13, 0, 0, 0, 0, 1);
  port_out(0x3C8, 5);
  for (const int32_t level : {63, 0, 32, 1}) port_out(0x3C9, level);
  const auto* palette = write_image->palette;
  // 32 * 4.0635 - 0.5 = 129.53 -> 130; 1 -> 3.56 -> 4.
  EXPECT_EQ(palette_get(palette, 5), 0xFFFF0082u);
  EXPECT_EQ(palette_get(palette, 6) & 0xFF0000, 0x040000u);  // the index moved on after blue
  EXPECT_EQ(vga_ports.palette_write_index, 6);
  EXPECT_EQ(vga_ports.palette_write_component, 1);
  port_out(0x3C8, 255);
  for (const int32_t level : {127, 64 + 31, 31}) port_out(0x3C9, level);  // only the low six bits count
  EXPECT_EQ(palette_get(palette, 255) & 0xFFFFFF, 0xFF7D7Du);
  EXPECT_EQ(vga_ports.palette_write_index, 0);
}

TEST_F(ScreenTest, BlinkPortAndOtherPorts) {
  port_out(0x3C0, 0);
  EXPECT_EQ(display_link.blink_enabled.load(), 0);
  EXPECT_EQ(blink_query(), 0);
  port_out(0x3C0, 8);
  EXPECT_EQ(display_link.blink_enabled.load(), 1);
  EXPECT_EQ(blink_query(), -1);
  blink_set(2);
  EXPECT_EQ(display_link.blink_enabled.load(), 0);
  blink_set(1);
  EXPECT_EQ(display_link.blink_enabled.load(), 1);
  vga_ports.unhandled_used = false;
  port_out(0x60, 1);
  EXPECT_TRUE(vga_ports.unhandled_used);
}

}  // namespace
