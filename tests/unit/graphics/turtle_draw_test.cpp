#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <string>

#include "tests/unit/graphics/graphics_fixture.h"

namespace {

// "=" or "X" followed by a type code and a 16-bit offset.
std::string reference(uint8_t type, uint16_t offset) {
  return {static_cast<char>(type), static_cast<char>(offset & 0xFF), static_cast<char>(offset >> 8)};
}

// A 4-byte string record at offset naming length bytes at chars.
void segment_record(uint16_t offset, uint16_t length, uint16_t chars) {
  const uint16_t fields[2] = {length, chars};
  std::memcpy(data_segment.bytes + offset, fields, 4);
}

class TurtleDrawTest : public GraphicsTest {
 public:
  // A 40 x 40 image of the mode with the pen at (20, 20); DRAW of commands.
  static void draw(int32_t mode, const std::string& commands) {
    image_record* img = use_image(40, 40, mode);
    img->gfx_x = img->gfx_y = 20;
    img->colour = img->draw_colour = 1;
    turtle_draw(text(commands));
  }
};

TEST_F(TurtleDrawTest, CommandsReferencesAndTheGraphicsPoint) {
  const int16_t seven = 7;
  const double three = 3.0;
  const uint8_t extended_four[10] = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x40};
  const float half = 1.5f;
  std::memcpy(data_segment.bytes + 40000, &seven, 2);
  std::memcpy(data_segment.bytes + 40008, &three, 8);
  std::memcpy(data_segment.bytes + 40016, extended_four, 10);
  std::memcpy(data_segment.bytes + 40032, &half, 4);
  std::memcpy(data_segment.bytes + 41100, "R10", 3);
  segment_record(41000, 3, 41100);
  segment_record(41004, 10, 65530);  // characters past the segment's end
  segment_record(42000, 4, 42100);   // a string that runs itself
  std::memcpy(data_segment.bytes + 42100, ("X" + reference(3, 42000)).data(), 4);
  points sub = run(20, 20, 30, 20);
  sub.insert({30, 21});
  const struct {
    std::string commands;
    points pixels;
    point after;
    int32_t error = 0;
    int32_t mode = 12;
  } cases[] = {
      {"U", run(20, 19, 20, 20), {20, 19}},
      {"BM+10,0", {}, {30, 20}},
      {"NU5", run(20, 15, 20, 20), {20, 20}},
      {"E2", {{20, 20}, {21, 19}, {22, 18}}, {22, 18}},
      // Turned moves are stretched across by 1/aspect: 12 pixels in mode 13, 10 in mode 12.
      {"TA90U10", run(8, 20, 20, 20), {8, 20}, 0, 13},
      {"T A 90U10", run(10, 20, 20, 20), {10, 20}},
      {"M+6,0", run(20, 20, 26, 20), {26, 20}, 0, 13},  // unturned relative moves are not stretched
      {"BR5;C4;l", {{24, 20}, {25, 20}}, {24, 20}},
      {"R=" + reference(2, 40000), run(20, 20, 27, 20), {27, 20}},
      {"R=" + reference(8, 40008), run(20, 20, 23, 20), {23, 20}},
      {"R=" + reference(6, 40016), run(20, 20, 24, 20), {24, 20}},
      {"X" + reference(3, 41000) + "D1", sub, {30, 21}},
      {"C=" + reference(4, 40032), {}, {20, 20}, 5},                // 1.5 is no colour
      {"R=" + reference(20, 65534), {}, {20, 20}, 5},               // the variable runs past the segment
      {"R=" + reference(7, 40000), {}, {20, 20}, 5},                // no such type
      {"R=" + reference(2, 40000).substr(0, 2), {}, {20, 20}, 5},  // bytes missing
      {"X" + reference(2, 41000), {}, {20, 20}, 5},                 // not a string
      {"X" + reference(3, 41004), {}, {20, 20}, 5},
      {"X" + reference(3, 65534), {}, {20, 20}, 5},
      {"X" + reference(3, 42000), {}, {20, 20}, 6},  // deeper than 8,192 levels
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.commands));
    draw(c.mode, c.commands);
    EXPECT_EQ(take_error(), c.error);
    EXPECT_EQ(drawn(), c.pixels);
    EXPECT_EQ(graphics_point(), c.after);
  }
  // Angle, scale and colour stay with the image for the next statement: up is left, 2 steps of 3.
  draw(12, "TA90S12C3");
  turtle_draw(text("U2"));
  EXPECT_EQ(drawn(), run(14, 20, 20, 20));
  EXPECT_EQ(pixel(14, 20), 3u);
}

TEST_F(TurtleDrawTest, PixelsInLogicalCoordinatesOut) {
  // Through a view port and a window of scale 2: pixels in, logical coordinates out.
  image_record* img = use_image(40, 40, 12);
  view(10, 10, 29, 29, 0, 0, 1);
  window(0, 0, 9.5f, 9.5f, 1 | 2);
  img->gfx_x = img->gfx_y = 2;
  turtle_draw(text("R6"));
  EXPECT_EQ(drawn(), run(14, 14, 20, 14));
  EXPECT_EQ(img->gfx_x, 5.0f);
  EXPECT_EQ(img->gfx_y, 2.0f);
}

TEST_F(TurtleDrawTest, BadCommandsStopWithErrorFive) {
  for (const char* commands : {"A4", "S-1", "C1.5", "TB", "=", "Z", "R5.", "M5,", "P1,", "C9999999999"}) {
    SCOPED_TRACE(commands);
    draw(12, std::string("R3;") + commands);
    EXPECT_EQ(take_error(), 5);
    EXPECT_EQ(drawn(), run(20, 20, 23, 20));       // what was drawn stays
    EXPECT_EQ(graphics_point(), (point{20, 20}));  // the point is not updated
  }
}

TEST_F(TurtleDrawTest, LongFiniteWorkIsDone) {
  // 120 calls of a sub-string that fills the whole screen twice.
  const std::string body = "P1,15P2,15";
  segment_record(43000, static_cast<uint16_t>(body.size()), 43100);
  std::memcpy(data_segment.bytes + 43100, body.data(), body.size());
  std::string calls;
  for (int k = 0; k < 120; ++k) calls += "X" + reference(3, 43000);
  image_record* img = use_image(640, 480, 12);
  img->gfx_x = img->gfx_y = 5;
  turtle_draw(text(calls));
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(pixel(0, 0), 2u);
  EXPECT_EQ(pixel(639, 479), 2u);
}

TEST_F(TurtleDrawTest, SubStringsThatMultiplyTheirWorkStopWithTheProgram) {
  // String k runs string k-1 twice: 2^39 lines across the image from 40 short
  // strings, hours of work, ended by the stop within a command.
  for (uint16_t k = 0; k < 40; ++k) {
    const uint16_t record = static_cast<uint16_t>(43000 + 4 * k), chars = static_cast<uint16_t>(44000 + 12 * k);
    const std::string body = k == 0 ? "R2047L2047" : "X" + reference(3, record - 4) + "X" + reference(3, record - 4);
    segment_record(record, static_cast<uint16_t>(body.size()), chars);
    std::memcpy(data_segment.bytes + chars, body.data(), body.size());
  }
  image_record* img = use_image(2048, 2, 256);
  img->gfx_x = img->gfx_y = 0;
  std::atomic<int64_t> stop_at{0};
  std::thread stopper([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    stop_at = std::chrono::steady_clock::now().time_since_epoch().count();
    run_flags.shutdown_started.store(1);
  });
  turtle_draw(text("X" + reference(3, 43000 + 4 * 39)));
  const auto returned = std::chrono::steady_clock::now().time_since_epoch();
  stopper.join();
  run_flags.shutdown_started.store(0);
  EXPECT_EQ(take_error(), 0);
  EXPECT_LT(returned - std::chrono::steady_clock::duration(stop_at.load()), std::chrono::milliseconds(2000));
  EXPECT_EQ(drawn(), run(0, 0, 2047, 0));
}

}  // namespace
