// The fallbacks of texture creation, with the OpenGL calls played by the test.
#include "runtime/gpu/detail/drawing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/platform/platform.h"

namespace {

std::vector<std::string> notices;

int32_t record_notice(const char* text, const char* caption, uint32_t) {
  notices.push_back(std::string(caption) + ": " + text);
  return mb_answer_ok;
}

TEST(TextureUpload, EachFallbackInTurnAndTheNoticeWhenAllFail) {
  set_message_box_stand_in(record_notice);
  const struct {
    bool padding_before, as_is_ok, padded_ok;
    int32_t mipmap_status;
    int32_t mode, width, height;
    bool padding_after;
    std::string calls;
    std::vector<std::string> notices;
  } cases[] = {
      {false, true, true, 0, 0, 100, 60, false, "a", {}},
      {false, false, true, 0, 1, 128, 64, true, "ap", {}},
      {true, true, true, 0, 1, 128, 64, true, "p", {}},  // after one failure, padding comes first
      {false, false, false, 0, 2, 100, 60, true, "apm", {}},
      {true, true, false, 100902, 2, 100, 60, true, "pm", {"Alert: gluBuild2DMipmaps failed", "Alert: 1285"}},
  };
  for (const auto& c : cases) {
    notices.clear();
    std::string calls;
    bool padding = c.padding_before;
    const texture_shape shape = upload_texture(
        100, 60, padding,
        [&] {
          calls += 'a';
          return c.as_is_ok;
        },
        [&](int32_t* w, int32_t* h) {
          calls += 'p';
          *w = 128;
          *h = 64;
          return c.padded_ok;
        },
        [&] {
          calls += 'm';
          return c.mipmap_status;
        },
        [] { return 1285; });  // out of memory
    SCOPED_TRACE(c.calls);
    EXPECT_EQ(calls, c.calls);
    EXPECT_EQ(shape.size_mode, c.mode);
    EXPECT_EQ(shape.width, c.width);
    EXPECT_EQ(shape.height, c.height);
    EXPECT_EQ(padding, c.padding_after);
    EXPECT_EQ(notices, c.notices);
  }
  set_message_box_stand_in(nullptr);
}

}  // namespace
