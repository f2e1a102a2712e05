#pragma once
// Images held as OpenGL textures. The records live in a locked handle list; the
// textures are made, drawn and deleted on the window thread only.
#include <atomic>
#include <cstdint>

#include "runtime/core/handle_list.h"

struct hardware_img {
  int32_t width = 0, height = 0;
  uint32_t texture = 0;        // 0 while the upload is deferred
  uint32_t framebuffer = 0;    // 0 until first used as a render target
  uint32_t depth_texture = 0;  // 0 until a depth clear needs it
  uint32_t* pixels = nullptr;  // pixels waiting for a deferred upload
  int32_t blend_off = 0;
  std::atomic<int32_t> valid{0};
  std::atomic<int32_t> released{0};  // the program let go of its handle; freed once its commands ran
  int32_t mag_filter = -1, min_filter = -1, wrap = -1;  // cached texture parameters
  int32_t size_mode = 0;  // 0 image size, 1 padded to powers of two, 2 mipmapped
  int32_t texture_width = 0, texture_height = 0;
  int32_t target_projection = -1;  // cached projection while this image is the target
};

extern list* hardware_img_list;

constexpr int32_t hardware_handle_base = 16777216;

// Flags of make_hardware_img.
constexpr int32_t hw_defer_upload = 1;  // keep the pixels; the texture is made when first used
constexpr int32_t hw_copy_pixels = 2;   // with deferring: take a private copy, else take over the buffer

void hardware_images_init();

// A new record; without deferring the texture is made at once (window thread).
int32_t make_hardware_img(int32_t width, int32_t height, uint32_t* pixels, int32_t flags);
hardware_img* hardware_img_get(int32_t index);
void upload_deferred(int32_t index);
void free_hardware_img(int32_t index);

// Program handles: index - 16777216, valid from -16777216 up to -8388608 (exclusive).
int32_t hardware_handle_of(int32_t index);
// The record's index for a live handle the program still holds, else 0.
int32_t hardware_index_of(int64_t handle);
// Program side: marks a held handle released (0 when it named no held image, else the index).
int32_t hardware_release_handle(int64_t handle);
