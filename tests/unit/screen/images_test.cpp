#include "runtime/gpu/gpu.h"
#include "runtime/image/pixels.h"
#include "runtime/screen/screen.h"
#include "tests/unit/screen/screen_fixture.h"

namespace {

TEST_F(ScreenTest, FirstProgramImageTakesTheSlotAfterThePages) {
  const int32_t a = new_image(10, 10, 13, 1);
  EXPECT_EQ(a, -10);  // 0 and 1 reserved, 2-9 the text pages
  const int32_t b = new_image(10, 10, 13, 1);
  free_image(a, 1);
  EXPECT_EQ(new_image(4, 4, 32, 1), a);  // a freed slot is used again
  EXPECT_EQ(b, -11);
}

TEST_F(ScreenTest, NewImageRefusesBadSizesAndModes) {
  struct {
    int32_t width, height, mode, given;
    int32_t result, error;
  } cases[] = {
      {0, 10, 13, 1, 0, 5},       {10, -1, 13, 1, 0, 5},       {70000, 10, 13, 1, 0, 5},
      {10, 65536, 32, 1, 0, 5},   {10, 10, 3, 1, 0, 5},        {10, 10, 14, 1, 0, 5},
      {10, 10, 33, 1, 0, 5},      {10, 10, -2, 1, 0, 5},       {65535, 65535, 32, 1, -1, 0},  // too large to hold
  };
  for (const auto& c : cases) {
    EXPECT_EQ(new_image(c.width, c.height, c.mode, c.given), c.result) << c.width << "x" << c.height << " " << c.mode;
    EXPECT_EQ(take_error(), c.error) << c.width << "x" << c.height << " " << c.mode;
  }
}

TEST_F(ScreenTest, NewImageWithoutModeOnTextScreenFollowsTheDestination) {
  write_image->colour = 14;
  write_image->background = 1;
  palette_put(write_image->palette, 3, 0xFF123456);
  set_image_font(8, 0, 0);
  const int32_t handle = new_image(40, 10, 0, 0);
  image_record* img = image_at(-handle);
  EXPECT_EQ(img->text, 1);
  EXPECT_EQ(img->mode, 0);
  EXPECT_EQ(img->font, 8u);
  EXPECT_EQ(img->colour, 14u);
  EXPECT_EQ(img->background, 1u);
  EXPECT_EQ(palette_get(img->palette, 3), 0xFF123456u);
  EXPECT_NE(img->palette, write_image->palette);
  EXPECT_EQ(img->data[0], 32);
  EXPECT_EQ(img->data[1], 7);
}

TEST_F(ScreenTest, FreeingTheDestinationFallsBackToTheDisplayImage) {
  const int32_t handle = new_image(32, 32, 13, 1);
  set_dest(handle);
  set_source(handle);
  EXPECT_EQ(dest_query(), handle);
  free_image(0, 0);  // no handle: the write image
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(write_image, display_link.shown_image.load());
  EXPECT_EQ(read_image, display_link.shown_image.load());
  EXPECT_EQ(dest_query(), display_query());
}

TEST_F(ScreenTest, FreeImageRefusesPagesAndUnknownHandles) {
  struct {
    int64_t handle;
    int32_t error;
  } cases[] = {{0, 5}, {3, 5}, {-2, 5}, {-1, 258}, {-5000, 258}, {-16777000, 258}, {INT64_MIN, 258}};
  for (const auto& c : cases) {
    free_image(c.handle, 1);
    EXPECT_EQ(take_error(), c.error) << c.handle;
  }
}

TEST_F(ScreenTest, CopiesOwnTheirPixelsAndPalette) {
  screen_set(13, 0, 0, 0, 0, 1);
  shared_store8(write_image->data + 10, 44);
  const int32_t copy = copy_image(0, 0, 0);
  ASSERT_LT(copy, -1);
  image_record* img = image_at(-copy);
  EXPECT_FALSE(img->flags & image_is_page);
  EXPECT_EQ(img->flags & (image_owns_pixels | image_owns_palette), image_owns_pixels | image_owns_palette);
  EXPECT_EQ(img->data[10], 44);
  palette_entry_set(1, 0xFF010203, copy, 1);
  EXPECT_NE(palette_entry_get(1, 0, 1), 0xFF010203u);
  EXPECT_EQ(palette_entry_get(1, copy, 1), 0xFF010203u);
  shared_store8(img->data + 10, 1);
  EXPECT_EQ(write_image->data[10], 44);
  EXPECT_EQ(copy_image(0, 12, 1), -1);  // another mode
  EXPECT_EQ(take_error(), 5);
  EXPECT_EQ(copy_image(-1, 0, 0), -1);
  EXPECT_EQ(take_error(), 258);
}

TEST_F(ScreenTest, CopyToMode33MakesAHardwareImage) {
  hardware_images_init();
  const int32_t source = new_image(20, 10, 32, 1);
  const int32_t hw = copy_image(source, 33, 1);
  EXPECT_TRUE(is_hardware_handle(hw));
  EXPECT_EQ(image_width_query(hw, 1), 20);
  EXPECT_EQ(image_height_query(hw, 1), 10);
  copy_image(0, 33, 1);  // only 32-bit images
  EXPECT_EQ(take_error(), 5);
  EXPECT_EQ(image_width_query(-9000000, 1), 0);
  EXPECT_EQ(take_error(), 258);
}

TEST_F(ScreenTest, FreeProgramImagesKeepsThePagesTheIconsAndThePrinterPage) {
  screen_icons_init();
  lprint_text(text("x"), 0);
  const int32_t paper = printer_page_index();
  ASSERT_NE(paper, 0);
  const int32_t a = new_image(5, 5, 13, 1);
  const int32_t b = new_image(5, 5, 32, 1);
  set_dest(b);
  free_program_images();
  EXPECT_FALSE(image_index_valid(-a));
  EXPECT_FALSE(image_index_valid(-b));
  for (int32_t p = 0; p < 8; ++p) EXPECT_TRUE(image_index_valid(screen_pages.table[p]));
  EXPECT_EQ(write_image, display_link.shown_image.load());
  for (int32_t kept : {icon_images.small_index, icon_images.large_index, paper}) EXPECT_TRUE(image_index_valid(kept)) << kept;
  printer_reset();
}

TEST_F(ScreenTest, ColourValuesMatchThePalette) {
  screen_set(12, 0, 0, 0, 0, 1);
  struct {
    int32_t r, g, b;
    uint32_t index;
  } cases[] = {{255, 255, 255, 15}, {0, 0, 1, 0}, {0, 0, 170, 1}, {300, -5, 300, 13}, {85, 85, 85, 8}, {0, 0, 128, 1}};
  for (const auto& c : cases) EXPECT_EQ(colour_rgb(c.r, c.g, c.b, 0, 0), c.index) << c.r << "," << c.g << "," << c.b;
  EXPECT_EQ(colour_rgb(255, 255, 255, 0, 0), 15u);
  const int32_t image32 = new_image(4, 4, 32, 1);
  EXPECT_EQ(colour_rgb(1, 2, 3, image32, 1), 0xFF010203u);
  EXPECT_EQ(colour_rgba(1, 2, 3, 400, image32, 1), 0xFF010203u);
  EXPECT_EQ(colour_rgba(1, 2, 3, 16, image32, 1), 0x10010203u);
  // Alpha 0 on a palette image names its transparent colour when it has one.
  EXPECT_EQ(colour_rgba(255, 255, 255, 0, 0, 0), 15u);
  clear_colour_set(4, 0, 1);
  EXPECT_EQ(colour_rgba(255, 255, 255, 0, 0, 0), 4u);
  EXPECT_EQ(colour_alpha(4, 0, 0), 0);
  EXPECT_EQ(colour_alpha(5, 0, 0), 255);
  EXPECT_EQ(colour_red(4, 0, 0), 0xAA);
  EXPECT_EQ(colour_green(6, 0, 0), 0x55);
  EXPECT_EQ(colour_blue(0x11223344, image32, 1), 0x44);
  EXPECT_EQ(colour_alpha(0x11223344, image32, 1), 0x11);
  colour_red(16, 0, 0);  // above the 4-bit mask
  EXPECT_EQ(take_error(), 5);
}

TEST_F(ScreenTest, TextScreenColourValuesUseSixteenEntries) {
  EXPECT_EQ(colour_rgb(0x20, 0x20, 0x20, 0, 0), 0u);  // entry 18 of the full palette would be nearer
  colour_blue(300, 0, 0);  // the text mask is wide, the palette is not
  EXPECT_EQ(take_error(), 5);
}

TEST_F(ScreenTest, ImageProperties) {
  const int32_t image32 = new_image(3, 2, 32, 1);
  const int32_t image8 = new_image(7, 5, 256, 1);
  EXPECT_EQ(image_width_query(image8, 1), 7);
  EXPECT_EQ(image_height_query(image8, 1), 5);
  EXPECT_EQ(image_pixel_size(0, 0), 0);
  EXPECT_EQ(image_pixel_size(image32, 1), 4);
  EXPECT_EQ(image_pixel_size(image8, 1), 1);
  EXPECT_EQ(image_blend_query(image32, 1), -1);
  image_blend_off(image32, 1);
  EXPECT_EQ(image_blend_query(image32, 1), 0);
  image_blend_on(image32, 1);
  EXPECT_EQ(image_blend_query(image32, 1), -1);
  image_blend_on(image8, 1);
  EXPECT_EQ(take_error(), 5);
  EXPECT_EQ(clear_colour_query(0, 0), -1);
  EXPECT_EQ(clear_colour_query(image32, 1), 0);
  EXPECT_EQ(clear_colour_query(image8, 1), -1);
  clear_colour_set(200, image8, 3);
  EXPECT_EQ(clear_colour_query(image8, 1), 200);
  clear_colour_set(0, image8, 2);  // no colour: none transparent
  EXPECT_EQ(clear_colour_query(image8, 1), -1);
  clear_colour_set(256, image8, 3);
  EXPECT_EQ(take_error(), 5);
  clear_colour_set(0, 0, 0);  // a text surface takes only a colour
  EXPECT_EQ(take_error(), 5);
  palette_entry_get(256, image8, 1);
  EXPECT_EQ(take_error(), 5);
  palette_entry_set(0, 1, image32, 1);
  EXPECT_EQ(take_error(), 5);
  image_width_query(-3000, 1);
  EXPECT_EQ(take_error(), 258);
}

TEST_F(ScreenTest, ClearColourAndAlphaOn32BitPixels) {
  const int32_t handle = new_image(4, 1, 32, 1);
  auto* p = reinterpret_cast<uint32_t*>(image_at(-handle)->data);
  const uint32_t start[4] = {0xFF102030, 0x80102030, 0xFF405060, 0xFF000000};
  auto reset = [&] {
    for (int32_t i = 0; i < 4; ++i) p[i] = start[i];
  };
  reset();
  clear_colour_set(0x00102030, handle, 3);
  EXPECT_EQ(p[0], 0x00102030u);
  EXPECT_EQ(p[1], 0x00102030u);
  EXPECT_EQ(p[2], 0xFF405060u);
  reset();
  set_alpha(7, 0, 0, handle, 4);
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(p[i], (start[i] & 0xFFFFFF) | 0x07000000u);
  reset();
  set_alpha(7, 0xFF102030, 0, handle, 4 | 1);
  EXPECT_EQ(p[0] >> 24, 7u);
  EXPECT_EQ(p[1] >> 24, 0x80u);
  reset();
  // Bounds are ordered per channel: alpha 80-FF, red 10-50, green 10-60, blue 10-70.
  set_alpha(9, 0xFF106070, 0x80501010, handle, 4 | 2 | 1);
  EXPECT_EQ(p[0] >> 24, 9u);
  EXPECT_EQ(p[1] >> 24, 9u);
  EXPECT_EQ(p[2] >> 24, 9u);
  EXPECT_EQ(p[3] >> 24, 0xFFu);
  set_alpha(256, 0, 0, handle, 4);
  EXPECT_EQ(take_error(), 5);
  set_alpha(1, 0, 0, 0, 0);  // not a 32-bit image
  EXPECT_EQ(take_error(), 5);
}

TEST_F(ScreenTest, PrintModeStatement) {
  const int32_t handle = new_image(8, 8, 13, 1);
  struct {
    int32_t how;
    int32_t mode, error;
  } cases[] = {{2, 1, 0}, {3, 2, 0}, {1, 3, 0}, {0, 3, 5}, {4, 3, 5}};
  for (const auto& c : cases) {
    print_mode_set(c.how, handle, 1);
    EXPECT_EQ(take_error(), c.error) << c.how;
    EXPECT_EQ(print_mode_query(handle, 1), c.mode) << c.how;
  }
  print_mode_set(2, 0, 0);  // text surface
  EXPECT_EQ(take_error(), 5);
  print_mode_set(1, 0, 0);
  EXPECT_EQ(take_error(), 0);
}

TEST_F(ScreenTest, OperationsWaitWhileAnErrorIsPending) {
  error_report.pending.store(5);
  EXPECT_EQ(new_image(8, 8, 13, 1), 0);
  const int32_t used = image_slots_used();
  screen_set(12, 0, 0, 0, 0, 1);
  EXPECT_EQ(page(0)->mode, 0);
  EXPECT_EQ(image_slots_used(), used);
}

}  // namespace
