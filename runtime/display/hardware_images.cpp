#include "runtime/display/hardware_images.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "runtime/core/errors.h"
#include "runtime/core/pad_to_power_of_two.h"
#include "runtime/display/render_state.h"
#include "runtime/display/texture_upload.h"

list* hardware_img_list = nullptr;

namespace {
// Set once a non-power-of-two upload has failed: later textures are padded at once.
bool npot_fails = false;

void create_texture(hardware_img* img, const uint32_t* pixels) {
  GLuint name = 0;
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  img->texture = name;
  while (glGetError() != GL_NO_ERROR) {
  }
  const texture_shape shape = upload_texture(
      img->width, img->height, npot_fails,
      [&] {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, img->width, img->height, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
        return glGetError() == GL_NO_ERROR;
      },
      [&](int32_t* w, int32_t* h) {
        const uint32_t* padded = pad_to_power_of_two(w, h, pixels);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, *w, *h, 0, GL_BGRA, GL_UNSIGNED_BYTE, padded);
        return glGetError() == GL_NO_ERROR;
      },
      [&] {
        return gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, img->width, img->height, GL_BGRA, GL_UNSIGNED_BYTE, pixels);
      },
      [] { return static_cast<int32_t>(glGetError()); });
  img->size_mode = shape.size_mode;
  img->texture_width = shape.width;
  img->texture_height = shape.height;
  forget_bound_texture();
}
}  // namespace

void hardware_images_init() {
  if (!hardware_img_list) hardware_img_list = list_new_locked(sizeof(hardware_img));
}

int32_t make_hardware_img(int32_t width, int32_t height, uint32_t* pixels, int32_t flags) {
  const int32_t index = list_add(hardware_img_list);
  if (index == 0) return 0;
  auto* img = new (list_get(hardware_img_list, index)) hardware_img;
  img->width = width;
  img->height = height;
  if (flags & hw_defer_upload) {
    if (flags & hw_copy_pixels) {
      const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
      img->pixels = static_cast<uint32_t*>(std::malloc(bytes));
      if (img->pixels) std::memcpy(img->pixels, pixels, bytes);
    } else {
      img->pixels = pixels;
    }
  } else {
    create_texture(img, pixels);
  }
  img->valid.store(1);
  return index;
}

hardware_img* hardware_img_get(int32_t index) {
  auto* img = static_cast<hardware_img*>(list_get(hardware_img_list, index));
  return img && img->valid.load() ? img : nullptr;
}

void upload_deferred(int32_t index) {
  hardware_img* img = hardware_img_get(index);
  if (!img || img->texture != 0 || !img->pixels) return;
  create_texture(img, img->pixels);
  std::free(img->pixels);
  img->pixels = nullptr;
}

void free_hardware_img(int32_t index) {
  hardware_img* img = hardware_img_get(index);
  if (!img) {
    alert("free_hardware_img: image does not exist");
    return;
  }
  forget_image_state(index);
  if (img->framebuffer) {
    GLuint fb = img->framebuffer;
    glDeleteFramebuffersEXT(1, &fb);
  }
  if (img->depth_texture) {
    GLuint t = img->depth_texture;
    glDeleteTextures(1, &t);
  }
  if (img->texture) {
    GLuint t = img->texture;
    glDeleteTextures(1, &t);
  }
  std::free(img->pixels);
  img->pixels = nullptr;
  img->valid.store(0);
  list_remove(hardware_img_list, index);
}

int32_t hardware_handle_of(int32_t index) { return index - hardware_handle_base; }

int32_t hardware_index_of(int64_t handle) {
  if (handle < -hardware_handle_base || handle >= -8388608) return 0;
  const int32_t index = static_cast<int32_t>(handle + hardware_handle_base);
  const hardware_img* img = hardware_img_get(index);
  return img && !img->released.load() ? index : 0;
}

int32_t hardware_release_handle(int64_t handle) {
  const int32_t index = hardware_index_of(handle);
  if (!index) return 0;
  // A second release of the same handle finds it gone instead of freeing the image twice.
  int32_t held = 0;
  return hardware_img_get(index)->released.compare_exchange_strong(held, 1) ? index : 0;
}
