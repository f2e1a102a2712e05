#include "runtime/gpu/gpu.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include <GL/glew.h>
#include <GL/glu.h>

#include "runtime/core/core.h"
#include "runtime/gpu/detail/drawing.h"

render_layers_record render_layers;

void render_layers_reset() {
  const render_layers_record start;
  for (int32_t kind = 0; kind < 5; ++kind) render_layers.pass[kind].store(start.pass[kind].load());
  render_layers.overlay.store(0);
  render_layers.view = view_mapping{};
}

namespace {
// The records, made once by hardware_images_init and kept for the process.
list* hardware_img_list = nullptr;

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

namespace {
std::vector<uint32_t> scratch;  // used by the window thread's texture uploads only
}

const uint32_t* pad_to_power_of_two(int32_t* width, int32_t* height, const uint32_t* pixels) {
  const int32_t w = *width, h = *height;
  const int32_t w2 = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(w)));
  const int32_t h2 = static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(h)));
  if (w2 == w && h2 == h) return pixels;

  const size_t needed = static_cast<size_t>(w2) * static_cast<size_t>(h2);
  if (scratch.size() < needed) scratch.resize(needed);
  uint32_t* out = scratch.data();
  for (int32_t y = 0; y < h; ++y) {
    uint32_t* row = out + static_cast<size_t>(y) * w2;
    std::memcpy(row, pixels + static_cast<size_t>(y) * w, static_cast<size_t>(w) * 4);
    if (w2 != w) row[w] = row[w - 1];
  }
  if (h2 != h) {
    const size_t copy = static_cast<size_t>(w2 != w ? w + 1 : w);
    std::memcpy(out + static_cast<size_t>(h) * w2, out + static_cast<size_t>(h - 1) * w2, copy * 4);
  }
  *width = w2;
  *height = h2;
  return out;
}

namespace {

// The window's size, given by the render that draws onto it.
int32_t window_w = 640, window_h = 400;

// Cached state; -1 means unknown, so the next setter call sets it.
int32_t cached_target = -1;
int32_t cached_projection = -1;
int32_t cached_blend = -1;
int32_t cached_depth = -1;
int32_t cached_cull = -1;
int32_t bound_image = -1;

std::vector<float> vertices;   // 2 or 3 floats per vertex
std::vector<float> texcoords;  // 2 floats per vertex
int32_t batch_dims = 2;

void start_batch(int32_t dims) {
  if (batch_dims != dims) flush_batch();
  batch_dims = dims;
}

void set_filters(hardware_img* img, bool smooth) {
  // Mipmapped textures always filter linearly.
  const GLint mag = smooth || img->size_mode == texture_mipmapped ? GL_LINEAR : GL_NEAREST;
  const GLint min = mag;
  if (img->mag_filter != mag) {
    flush_batch();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
    img->mag_filter = mag;
  }
  if (img->min_filter != min) {
    flush_batch();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, min);
    img->min_filter = min;
  }
}

void set_wrap(hardware_img* img, int32_t repeat) {
  if (img->wrap == repeat) return;
  flush_batch();
  const GLint mode = repeat ? GL_REPEAT : GL_CLAMP_TO_EDGE;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, mode);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, mode);
  img->wrap = repeat;
}

// Binds a source image's texture (made first if its upload was deferred).
hardware_img* bind_source(int32_t index) {
  hardware_img* img = hardware_img_get(index);
  if (!img) return nullptr;
  if (img->texture == 0) upload_deferred(index);
  if (bound_image != index) {
    flush_batch();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, img->texture);
    bound_image = index;
    if (!window_facts.fbo_supported.load()) img->mag_filter = img->min_filter = -1;
  }
  return img;
}

void attach_depth(hardware_img* img) {
  if (img->depth_texture) return;
  GLuint depth = 0;
  glGenTextures(1, &depth);
  glBindTexture(GL_TEXTURE_2D, depth);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, img->texture_width, img->texture_height, 0,
               GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_R_TO_TEXTURE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
  glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_TEXTURE_2D, depth, 0);
  img->depth_texture = depth;
  forget_bound_texture();
}

void push_vertex(float x, float y, float u, float v) {
  vertices.push_back(x);
  vertices.push_back(y);
  texcoords.push_back(u);
  texcoords.push_back(v);
}

}  // namespace

void flush_batch() {
  if (vertices.empty()) return;
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glVertexPointer(batch_dims, GL_FLOAT, 0, vertices.data());
  glTexCoordPointer(2, GL_FLOAT, 0, texcoords.data());
  glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(texcoords.size() / 2));
  vertices.clear();
  texcoords.clear();
}

void set_blend(int32_t on) {
  if (cached_blend == on) return;
  flush_batch();
  if (on) {
    glEnable(GL_BLEND);
    if (window_facts.fbo_supported.load())
      glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE, GL_ONE);
    else
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  } else {
    glDisable(GL_BLEND);
  }
  cached_blend = on;
}

void set_depth_mode(int32_t mode) {
  if (cached_depth == mode) return;
  flush_batch();
  if (mode == 0) {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_ALPHA_TEST);
    glAlphaFunc(GL_ALWAYS, 0.0f);
  } else {
    glEnable(GL_DEPTH_TEST);
    glDepthMask(mode == 1 ? GL_TRUE : GL_FALSE);
    glEnable(GL_ALPHA_TEST);
    if (mode == 1)
      glAlphaFunc(GL_GREATER, 0.001f);
    else
      glAlphaFunc(GL_ALWAYS, 0.0f);
  }
  cached_depth = mode;
}

void set_cull(int32_t mode) {
  if (cached_cull == mode) return;
  flush_batch();
  if (mode == 0) {
    glDisable(GL_CULL_FACE);
  } else {
    glFrontFace(mode == 1 ? GL_CW : GL_CCW);
    glEnable(GL_CULL_FACE);
  }
  cached_cull = mode;
}

void forget_bound_texture() { bound_image = -1; }

void forget_image_state(int32_t index) {
  flush_batch();
  if (bound_image == index) bound_image = -1;
  if (cached_target == index) {
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    cached_target = -1;
    cached_projection = -1;
  }
}

void set_target(int32_t index) {
  if (index < 0) index = 0;
  if (cached_target == index) return;
  flush_batch();
  if (index == 0) {
    if (window_facts.fbo_supported.load()) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
  } else {
    hardware_img* img = hardware_img_get(index);
    if (!img || !window_facts.fbo_supported.load()) return;
    if (img->texture == 0) upload_deferred(index);
    if (img->framebuffer == 0) {
      GLuint fb = 0;
      glGenFramebuffersEXT(1, &fb);
      glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, fb);
      glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, img->texture, 0);
      img->framebuffer = fb;
    } else {
      glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, img->framebuffer);
    }
  }
  cached_target = index;
  cached_projection = -1;
}

void clear_target() {
  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

int32_t max_viewport_side() {
  GLint dims[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, dims);
  const GLint smaller = std::min(dims[0], dims[1]);
  return smaller > 0 ? static_cast<int32_t>(smaller) : 0;
}

void set_window_size(int32_t width, int32_t height) {
  window_w = width;
  window_h = height;
}

void set_projection(int32_t mode) {
  if (mode != projection_reset && cached_projection == mode) return;
  flush_batch();
  int32_t w = window_w, h = window_h;
  hardware_img* img = cached_target > 0 ? hardware_img_get(cached_target) : nullptr;
  if (img) {
    w = img->width;
    h = img->height;
  }
  if (mode == projection_reset) {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_COLOR_MATERIAL);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    if (window_facts.fbo_supported.load()) glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    glClear(GL_DEPTH_BUFFER_BIT);
    glColor4f(1, 1, 1, 1);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    cached_target = cached_projection = cached_blend = cached_depth = cached_cull = bound_image = -1;
    return;
  }
  glViewport(0, 0, w, h);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (mode == projection_2d) {
    if (img)
      gluOrtho2D(0, w, 0, h);
    else
      gluOrtho2D(0, w, h, 0);  // y grows downward on the window
  } else {
    if (!img) glScalef(1, -1, 1);
    float aspect = static_cast<float>(w) / static_cast<float>(h);
    if (!img) {
      const view_mapping& v = render_layers.view;
      aspect = static_cast<float>(v.x1 - v.x0 + 1) / static_cast<float>(v.y1 - v.y0 + 1);
    }
    gluPerspective(90.0, aspect, 0.1, 10000.0);
    if (aspect > 1.0f) glScalef(1.0f / aspect, 1.0f, 1.0f);
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glColor4f(1, 1, 1, 1);
  cached_projection = mode;
}

namespace {
void append_rect(float dx1, float dy1, float dx2, float dy2, int32_t source, int32_t target, float sx1, float sy1,
                 float sx2, float sy2, int32_t blend, int32_t smooth, bool through_view) {
  if (target < 0) target = 0;
  set_target(target);
  set_projection(projection_2d);
  hardware_img* img = bind_source(source);
  if (!img) return;
  set_filters(img, smooth != 0);
  set_blend(blend);
  set_depth_mode(0);
  set_cull(0);
  set_wrap(img, 0);
  start_batch(2);
  const rect_vertices r = rect_geometry(dx1, dy1, dx2, dy2, sx1, sy1, sx2, sy2, img->texture_width,
                                        img->texture_height, through_view && target == 0, render_layers.view);
  for (int i = 0; i < 6; ++i) push_vertex(r.xy[i * 2], r.xy[i * 2 + 1], r.uv[i * 2], r.uv[i * 2 + 1]);
}
}  // namespace

void draw_rect(float dx1, float dy1, float dx2, float dy2, int32_t source, int32_t target, float sx1,
               float sy1, float sx2, float sy2, int32_t blend, int32_t smooth) {
  append_rect(dx1, dy1, dx2, dy2, source, target, sx1, sy1, sx2, sy2, blend, smooth, true);
}

void draw_window_rect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t source) {
  append_rect(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2), static_cast<float>(y2),
              source, 0, 0, 0, 0, 0, 0, 0, false);
}

void draw_triangle(const float dest[9], bool with_depth, int32_t source, int32_t target, const float src[6],
                   int32_t blend, int32_t smooth, int32_t depth_mode, int32_t cull) {
  if (target < 0) target = 0;
  set_target(target);
  set_projection(with_depth ? projection_3d : projection_2d);
  hardware_img* img = bind_source(source);
  if (!img) return;
  set_filters(img, smooth != 0);
  set_blend(blend);
  set_depth_mode(with_depth ? depth_mode : 0);
  set_cull(with_depth ? cull : 0);
  set_wrap(img, 0);
  start_batch(with_depth ? 3 : 2);
  for (int i = 0; i < 3; ++i) {
    float x = dest[i * 3], y = dest[i * 3 + 1];
    if (target == 0 && !with_depth) {
      x = render_layers.view.x0 + x * render_layers.view.scale_x;
      y = render_layers.view.y0 + y * render_layers.view.scale_y;
    }
    vertices.push_back(x);
    vertices.push_back(y);
    if (with_depth) vertices.push_back(dest[i * 3 + 2]);
    texcoords.push_back((src[i * 2] + 0.5f) / static_cast<float>(img->texture_width));
    texcoords.push_back((src[i * 2 + 1] + 0.5f) / static_cast<float>(img->texture_height));
  }
}

void clear_depth(int32_t target) {
  if (target < 0) target = 0;
  set_target(target);
  if (target > 0) {
    hardware_img* img = hardware_img_get(target);
    if (!img || !window_facts.fbo_supported.load()) return;
    attach_depth(img);
  }
  flush_batch();
  glDepthMask(GL_TRUE);
  cached_depth = -1;
  glClear(GL_DEPTH_BUFFER_BIT);
}

namespace {
// Texture coordinates of a source span: the whole first and last pixels, over the texture's size.
std::pair<float, float> span(float a, float b, int32_t size) {
  const float lo = (std::min(a, b) + 0.01f) / static_cast<float>(size);
  const float hi = (std::max(a, b) + 0.99f) / static_cast<float>(size);
  return a <= b ? std::pair{lo, hi} : std::pair{hi, lo};
}
}  // namespace

rect_vertices rect_geometry(float dx1, float dy1, float dx2, float dy2, float sx1, float sy1, float sx2,
                            float sy2, int32_t tw, int32_t th, bool to_window, const view_mapping& view) {
  // Order the destination corners, taking the source coordinates along so that mirroring stays.
  if (dx1 > dx2) {
    std::swap(dx1, dx2);
    std::swap(sx1, sx2);
  }
  if (dy1 > dy2) {
    std::swap(dy1, dy2);
    std::swap(sy1, sy2);
  }
  float x1 = dx1, y1 = dy1, x2 = dx2 + 1, y2 = dy2 + 1;
  if (to_window) {
    const window_rect r = map_to_window(view, dx1, dy1, dx2, dy2);
    x1 = static_cast<float>(r.left);
    y1 = static_cast<float>(r.top);
    x2 = static_cast<float>(r.right + 1);
    y2 = static_cast<float>(r.bottom + 1);
  }
  const auto [u1, u2] = span(sx1, sx2, tw);
  const auto [v1, v2] = span(sy1, sy2, th);
  return rect_vertices{{x1, y1, x2, y1, x1, y2, x1, y2, x2, y1, x2, y2},
                       {u1, v1, u2, v1, u1, v2, u1, v2, u2, v1, u2, v2}};
}


view_mapping compute_view(int32_t sw, int32_t sh, int32_t ww, int32_t wh, full_screen_kind full_screen_mode,
                          int32_t full_screen_smooth, resize_scaling resize_mode) {
  view_mapping v;
  if (sw == ww && sh == wh) {
    v.x1 = sw - 1;
    v.y1 = sh - 1;
    return v;
  }
  const bool scaling = full_screen_mode >= full_screen_stretched || resize_mode > resize_unscaled;
  const bool keep_aspect = full_screen_mode == full_screen_keep_aspect;
  v.smooth = full_screen_mode >= full_screen_stretched ? full_screen_smooth != 0 : resize_mode == resize_scaled_smooth;
  const float wa = static_cast<float>(ww) / static_cast<float>(wh);
  const float sa = static_cast<float>(sw) / static_cast<float>(sh);
  if (!scaling) {
    v.x1 = sw - 1;
    v.y1 = sh - 1;
  } else if (keep_aspect && sa != wa) {
    if (sa < wa) {
      const int32_t dw = static_cast<int32_t>(static_cast<float>(wh) * sa);
      v.x0 = ww / 2 - dw / 2;
      v.x1 = v.x0 + dw - 1;
      v.y1 = wh - 1;
      v.letterbox = 1;
    } else {
      const int32_t dh = static_cast<int32_t>(static_cast<float>(ww) / sa);
      v.y0 = wh / 2 - dh / 2;
      v.y1 = v.y0 + dh - 1;
      v.x1 = ww - 1;
      v.letterbox = 2;
    }
  } else {
    v.x1 = ww - 1;
    v.y1 = wh - 1;
  }
  v.scale_x = static_cast<float>(v.x1 - v.x0 + 1) / static_cast<float>(sw);
  v.scale_y = static_cast<float>(v.y1 - v.y0 + 1) / static_cast<float>(sh);
  return v;
}

window_rect map_to_window(const view_mapping& v, float a, float b, float c, float d) {
  window_rect r;
  r.left = v.x0 + static_cast<int32_t>(a * v.scale_x);
  r.top = v.y0 + static_cast<int32_t>(b * v.scale_y);
  const int32_t width = static_cast<int32_t>((std::fabs(c - a) + 1) * v.scale_x + 0.99f);
  const int32_t height = static_cast<int32_t>((std::fabs(d - b) + 1) * v.scale_y + 0.99f);
  r.right = r.left + width - 1;
  r.bottom = r.top + height - 1;
  return r;
}
