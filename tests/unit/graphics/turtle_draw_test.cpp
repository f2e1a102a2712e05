#include <cstring>
#include <string>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

using TurtleDrawTest = GraphicsTest;

// "=" or "X" followed by a type code and a 16-bit offset.
std::string reference(uint8_t type, uint16_t offset) {
  return {static_cast<char>(type), static_cast<char>(offset & 0xFF), static_cast<char>(offset >> 8)};
}

// A 4-byte string record at offset naming length bytes at chars.
void segment_record(uint16_t offset, uint16_t length, uint16_t chars) {
  const uint16_t fields[2] = {length, chars};
  std::memcpy(data_segment + offset, fields, 4);
}

class TurtleFromCentre : public TurtleDrawTest {
 public:
  // A 40 x 40 image of the mode with the pen at (20, 20); DRAW of commands.
  static void draw(int32_t mode, const std::string& commands) {
    image_record* img = use_image(40, 40, mode);
    img->gfx_x = img->gfx_y = 20;
    img->colour = img->draw_colour = 1;
    turtle_draw(text(commands));
  }
};

TEST_F(TurtleFromCentre, MovesAndTheGraphicsPointAfterThem) {
  struct {
    int32_t mode;
    const char* commands;
    points pixels;
    point after;
  } cases[] = {
      {12, "U", column(20, 19, 20), {20, 19}},
      {12, "BM+10,0", {}, {30, 20}},
      {12, "NU5", column(20, 15, 20), {20, 20}},
      {12, "r 1 0", row(20, 30, 20), {30, 20}},  // lower case; spaces inside the number
      {12, "U-3", column(20, 20, 23), {20, 23}},
      {12, "S8R5", row(20, 30, 20), {30, 20}},   // scale 8 / 4
      {12, "E2", {{20, 20}, {21, 19}, {22, 18}}, {22, 18}},
      {12, "G2", {{20, 20}, {19, 21}, {18, 22}}, {18, 22}},
      {12, "M25,22", {{20, 20}, {21, 20}, {22, 21}, {23, 21}, {24, 22}, {25, 22}}, {25, 22}},
      {12, "A1U5", row(15, 20, 20), {15, 20}},   // up turned a quarter: left
      // Turned moves are stretched across by 1/aspect: 12 pixels in mode 13, 10 in mode 12.
      {13, "TA90U10", row(8, 20, 20), {8, 20}},
      {12, "T A 90U10", row(10, 20, 20), {10, 20}},
      {13, "M+6,0", row(20, 26, 20), {26, 20}},  // unturned relative moves are not stretched
      {12, "BR5;C4;L", {{24, 20}, {25, 20}}, {24, 20}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.commands);
    draw(c.mode, c.commands);
    EXPECT_EQ(take_error(), 0);
    EXPECT_EQ(drawn(), c.pixels);
    EXPECT_EQ(graphics_point(), c.after);
  }
}

TEST_F(TurtleFromCentre, StateKeptInTheImage) {
  draw(12, "TA45S12C3");
  EXPECT_EQ(write_image->draw_angle, 45);
  EXPECT_EQ(write_image->draw_scale, 3);
  EXPECT_EQ(write_image->draw_colour, 3u);
  // The next statement starts from them: scale 3, angle 45, colour 3.
  turtle_draw(text("TA0R2"));
  EXPECT_EQ(drawn(), row(20, 26, 20));
  EXPECT_EQ(pixel(26, 20), 3u);
}

TEST_F(TurtleFromCentre, FillsAndLogicalCoordinates) {
  use_image(40, 40, 12);
  line_draw(10, 10, 30, 30, 4, line_kind_box, 0, line_first_given | line_colour_given);
  write_image->gfx_x = write_image->gfx_y = 20;
  turtle_draw(text("P2,4BM5,5R2"));
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(pixel(15, 25), 2u);
  EXPECT_EQ(pixel(30, 20), 4u);
  EXPECT_EQ(pixel(7, 5), 2u);  // the colour became the fill's
  // Through a view port and a window of scale 2: pixels in, logical coordinates out.
  image_record* img = use_image(40, 40, 12);
  view(10, 10, 29, 29, 0, 0, 1);
  window(0, 0, 9.5f, 9.5f, 1 | 2);
  img->gfx_x = img->gfx_y = 2;
  turtle_draw(text("R6"));
  EXPECT_EQ(drawn(), row(14, 20, 14));
  EXPECT_EQ(img->gfx_x, 5.0f);
  EXPECT_EQ(img->gfx_y, 2.0f);
}

TEST_F(TurtleFromCentre, BadCommandsStopWithErrorFive) {
  const char* cases[] = {"A4",  "S-1", "C1.5", "TB",  "T",  "=",    "R-",  "R5.", "R5.X", "M5",   "M5,",
                         "M,5", "C",   "Z",    "P1",  "P1,", "P1.5,2", "R1=", "R+5-", "R--", "\x80", "C9999999999"};
  for (const char* commands : cases) {
    SCOPED_TRACE(commands);
    draw(12, std::string("R3;") + commands);
    EXPECT_EQ(take_error(), 5);
    EXPECT_EQ(drawn(), row(20, 23, 20));       // what was drawn stays
    EXPECT_EQ(graphics_point(), (point{20, 20}));  // the point is not updated
  }
}

TEST_F(TurtleFromCentre, VariableReferencesAndSubStrings) {
  ASSERT_NE(data_segment, nullptr);
  const int16_t seven = 7;
  const double three = 3.0;
  const uint8_t extended_four[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x40};
  const float half = 1.5f;
  std::memcpy(data_segment + 40000, &seven, 2);
  std::memcpy(data_segment + 40008, &three, 8);
  std::memcpy(data_segment + 40016, extended_four, 10);
  std::memcpy(data_segment + 40032, &half, 4);
  std::memcpy(data_segment + 41100, "R10", 3);
  segment_record(41000, 3, 41100);
  segment_record(41004, 10, 65530);  // characters past the segment's end
  segment_record(42000, 4, 42100);   // a string that runs itself
  std::memcpy(data_segment + 42100, ("X" + reference(3, 42000)).data(), 4);
  struct {
    std::string commands;
    int32_t error;
    points pixels;
  } cases[] = {
      {"R=" + reference(2, 40000), 0, row(20, 27, 20)},
      {"R=" + reference(8, 40008), 0, row(20, 23, 20)},
      {"R=" + reference(6, 40016), 0, row(20, 24, 20)},
      {"X" + reference(3, 41000) + "D1", 0, [] {
         auto p = row(20, 30, 20);
         p.insert({30, 21});
         return p;
       }()},
      {"C=" + reference(4, 40032), 5, {}},                // 1.5 is no colour
      {"R=" + reference(20, 65534), 5, {}},               // the variable runs past the segment
      {"R=" + reference(7, 40000), 5, {}},                // no such type
      {"R=" + reference(3, 40000), 5, {}},                // a string is no number
      {"R=" + reference(2, 40000).substr(0, 2), 5, {}},  // bytes missing
      {"X" + reference(2, 41000), 5, {}},
      {"X" + reference(3, 41004), 5, {}},
      {"X" + reference(3, 65534), 5, {}},
      {"X" + reference(3, 42000), 6, {}},                 // deeper than 8,192 levels
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.commands));
    draw(12, c.commands);
    EXPECT_EQ(take_error(), c.error);
    EXPECT_EQ(drawn(), c.pixels);
  }
}

TEST_F(TurtleFromCentre, SubStringsThatMultiplyTheirWorkAreStopped) {
  // String k runs string k-1 twice: 2^39 lines across the image from 40 short strings.
  for (uint16_t k = 0; k < 40; ++k) {
    const uint16_t record = static_cast<uint16_t>(43000 + 4 * k), chars = static_cast<uint16_t>(44000 + 12 * k);
    const std::string body = k == 0 ? std::string("R2047L2047") : "X" + reference(3, record - 4) + "X" + reference(3, record - 4);
    segment_record(record, static_cast<uint16_t>(body.size()), chars);
    std::memcpy(data_segment + chars, body.data(), body.size());
  }
  image_record* img = use_image(2048, 2, 256);
  img->gfx_x = img->gfx_y = 0;
  turtle_draw(text("X" + reference(3, 43000 + 4 * 39)));
  EXPECT_EQ(take_error(), 6);
  EXPECT_EQ(drawn(), row(0, 2047, 0));
}

}  // namespace
