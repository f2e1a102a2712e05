#pragma once
// A fresh start-up screen and an empty frame ring for every frame-builder test.
#include "../screen/screen_fixture.h"
#include "runtime/display/display.h"
#include "runtime/image/pixels.h"

class FrameTest : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    frame_ring_reset();
    frame_builder_reset();
    full_screen_reset();
    window_presence_reset();
  }
  void TearDown() override {
    display_link.blink_enabled = 1;
    ScreenTest::TearDown();
  }
  // The frame published by the last build, or null when it was discarded.
  static software_frame* published() {
    for (auto& f : frame_ring.frames)
      if (f.state.load() == sf_ready && f.order.load() == frame_ring.latest_order.load()) return &f;
    return nullptr;
  }
  // A frame built from scratch, as after a screen change.
  static software_frame* build_whole() {
    display_link.prev_valid = 0;
    build_software_frame();
    return published();
  }
  // The display takes the newest ready frame, as the display callback does.
  static void show(software_frame* f) {
    for (auto& other : frame_ring.frames)
      if (&other != f && other.state.load() == sf_shown) other.state = sf_free;
    f->state = sf_shown;
  }
  static void put_cell(image_record* page, int col, int row, uint8_t c, uint8_t attr) {
    uint8_t* cell = page->data + (static_cast<size_t>(row) * page->width + col) * 2;
    shared_store8(cell, c);
    shared_store8(cell + 1, attr);
  }
};
