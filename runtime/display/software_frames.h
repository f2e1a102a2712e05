#pragma once
// The three software frames that carry pictures of the visible page from the
// frame builder to the display callback, and the order numbers that tag them.
#include <atomic>
#include <cstdint>

constexpr int32_t sf_free = 1;
constexpr int32_t sf_filling = 2;
constexpr int32_t sf_ready = 3;
constexpr int32_t sf_shown = 4;

struct software_frame {
  std::atomic<int32_t> state{sf_free};
  std::atomic<uint64_t> order{0};
  uint32_t* pixels = nullptr;  // 0xAARRGGBB, rows top to bottom
  int32_t width = 0, height = 0;
  int32_t capacity = 0;  // bytes; the buffer only grows
};

extern software_frame software_frames[3];
extern std::atomic<uint64_t> order_counter;   // handed to each frame taken; larger is newer
extern std::atomic<uint64_t> latest_order;    // last frame published or discarded
extern std::atomic<uint64_t> rendered_order;  // latest_order at the last render

// Start-up: every frame free, order 0, no buffer.
void software_frames_init();

// The display's choice (window thread): the newest ready frame newer than the
// one shown, which becomes shown while every older ready or shown frame is
// freed unseen; without one, the frame already shown. Null when no frame is
// ready or shown. *is_new tells whether a newer frame was taken.
software_frame* take_frame_for_display(bool* is_new);
