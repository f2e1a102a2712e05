#include "runtime/screen/screen.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "runtime/core/core.h"
#include "runtime/screen/detail/screen_internals.h"

std::vector<int32_t> font_height;
std::vector<int32_t> font_width;
std::vector<int32_t> font_flags;
std::vector<uintptr_t> font_handle;

namespace {
constexpr int32_t font_slots_at_start = 49;
}

void font_tables_init() {
  for (uintptr_t handle : font_handle)
    if (handle) font_engine_release(handle);
  font_height.assign(font_slots_at_start, 0);
  font_width.assign(font_slots_at_start, 0);
  font_flags.assign(font_slots_at_start, 0);
  font_handle.assign(font_slots_at_start, 0);
  for (int32_t f : {8, 14, 16}) {
    font_width[f] = 8;
    font_width[f + 1] = 16;
    font_height[f] = font_height[f + 1] = f == 8 ? 8 : f;
    font_flags[f] = font_flags[f + 1] = font_monospace;
  }
}

bool font_is_builtin(int64_t font) {
  return font == 8 || font == 9 || font == 14 || font == 15 || font == 16 || font == 17;
}

bool font_is_loaded(int64_t font) {
  return font >= first_loaded_font && font < static_cast<int64_t>(font_handle.size()) && font_handle[font] != 0;
}

int32_t image_rows(const image_record* img) {
  if (img->text) return img->height;
  const int32_t h = img->font < font_height.size() ? font_height[img->font] : 0;
  return h > 0 ? img->height / h : img->height;
}

int32_t image_columns(const image_record* img) {
  if (img->text) return img->width;
  const int32_t w = img->font < font_width.size() ? font_width[img->font] : 0;
  return w > 0 ? img->width / w : img->width;
}

void set_image_font(int64_t font, int64_t page_or_handle, int32_t given) {
  if (pending_error.load()) return;
  const int32_t index = resolve_target(page_or_handle, given & 1);
  if (!index) return;
  if (!font_is_builtin(font) && !font_is_loaded(font)) {
    raise_error(err_invalid_handle);
    return;
  }
  image_record* img = image_at(index);
  if (img->text && !(font_flags[font] & font_monospace)) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (img->text && (img->flags & image_is_page)) {
    // The frame builder reads the font of every text page: change them all
    // while it stands still. Cursors and print regions stay.
    display_freeze_wait();
    for (int32_t p = 0; p < page_count; ++p)
      if (page_table[p]) image_at(page_table[p])->font = static_cast<uint32_t>(font);
    prev_valid.store(0);
    display_unfreeze();
    return;
  }
  set_font(static_cast<int32_t>(font), img);
}

namespace {

int32_t font_metric_query(const std::vector<int32_t>& table, int64_t font, int32_t given) {
  if (pending_error.load()) return 0;
  if (!(given & 1)) return table[write_image->font];
  if (font != 8 && font != 14 && font != 16 && !font_is_loaded(font)) {
    raise_error(err_invalid_handle);
    return 0;
  }
  return table[font];
}

}  // namespace

int32_t font_width_query(int64_t font, int32_t given) { return font_metric_query(font_width, font, given); }
int32_t font_height_query(int64_t font, int32_t given) { return font_metric_query(font_height, font, given); }

int32_t image_font_query(int64_t page_or_handle, int32_t given) {
  if (pending_error.load()) return 0;
  const int32_t index = resolve_target(page_or_handle, given & 1);
  return index ? static_cast<int32_t>(image_at(index)->font) : 0;
}

void free_font(int64_t font) {
  if (pending_error.load()) return;
  if (!font_is_loaded(font)) {
    raise_error(err_invalid_handle);
    return;
  }
  for (int32_t i = 2; i < image_slots_used; ++i) {
    const image_record* img = image_at(i);
    if (img->valid && img->font == font) {
      raise_error(err_illegal_function_call);
      return;
    }
  }
  font_engine_release(font_handle[font]);
  font_handle[font] = 0;
}

uintptr_t font_engine_make(const uint8_t*, size_t, int32_t, int32_t) { return 0; }

bool font_engine_render_char(uintptr_t, uint32_t, glyph_coverage* out) {
  *out = glyph_coverage{};
  return false;
}

bool font_engine_render_code_point(uintptr_t, uint32_t, glyph_coverage* out) {
  *out = glyph_coverage{};
  return false;
}

int32_t font_engine_fixed_advance(uintptr_t) { return 0; }

void font_engine_free_glyph(glyph_coverage* glyph) {
  std::free(glyph->pixels);
  glyph->pixels = nullptr;
}

void font_engine_release(uintptr_t) {}

std::string font_fallback_folder = "/usr/share/fonts/";

namespace {

constexpr int32_t font_height_max = 2048;

struct keyword {
  std::string_view name;
  int32_t flag;
};
constexpr keyword keywords[] = {
    {"BOLD", font_bold},           {"ITALIC", font_italic},       {"UNDERLINE", font_underline},
    {"DONTBLEND", font_dontblend}, {"MONOSPACE", font_monospace}, {"UNICODE", font_unicode},
};

// Reads a whole file; false when it cannot be opened or read.
bool read_file(const std::string& path, std::string* bytes) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes->append(buffer, n);
  const bool ok = !std::ferror(f);
  std::fclose(f);
  return ok;
}

// Finds a file of the given name below the fallback folder; empty when none.
std::string find_in_fallback(const std::string& name) {
  namespace fs = std::filesystem;
  const fs::path wanted = fs::path(name).filename();
  if (wanted.empty()) return {};
  std::error_code ec;
  fs::recursive_directory_iterator it(font_fallback_folder, fs::directory_options::skip_permission_denied, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->path().filename() == wanted && it->is_regular_file(ec)) return it->path().string();
  }
  return {};
}

// The lowest free loaded-font slot, growing the tables by one when all are taken.
int32_t font_slot() {
  for (size_t f = first_loaded_font; f < font_handle.size(); ++f)
    if (!font_handle[f]) return static_cast<int32_t>(f);
  font_height.push_back(0);
  font_width.push_back(0);
  font_flags.push_back(0);
  font_handle.push_back(0);
  return static_cast<int32_t>(font_handle.size() - 1);
}

int32_t make_font(const std::string& bytes, int32_t height, int32_t flags) {
  const int32_t slot = font_slot();
  const uintptr_t handle =
      font_engine_make(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), height, flags);
  if (!handle) return -1;
  font_handle[slot] = handle;
  font_height[slot] = height;
  font_width[slot] = font_engine_fixed_advance(handle);
  font_flags[slot] = flags;
  return slot;
}

}  // namespace

int32_t parse_font_options(const char* text, int32_t length) {
  int32_t flags = 0;
  std::string_view rest(text, length > 0 ? static_cast<size_t>(length) : 0);
  while (true) {
    const size_t comma = rest.find(',');
    std::string_view item = rest.substr(0, comma);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    int32_t flag = 0;
    for (const keyword& k : keywords) {
      if (k.name.size() != item.size()) continue;
      bool same = true;
      for (size_t i = 0; i < item.size() && same; ++i)
        same = std::toupper(static_cast<unsigned char>(item[i])) == k.name[i];
      if (same) flag = k.flag;
    }
    if (!flag || (flags & flag)) return -1;
    flags |= flag;
    if (comma == std::string_view::npos) return flags;
    rest.remove_prefix(comma + 1);
  }
}

int32_t load_font(const str_desc* file_name, int32_t height, const str_desc* options, int32_t options_given) {
  if (pending_error.load()) return 0;
  if (height <= 0) {
    raise_error(err_illegal_function_call);
    return 0;
  }
  if (height > font_height_max) return -1;
  int32_t flags = 0;
  if ((options_given & 1) && options && options->len > 0) {
    flags = parse_font_options(reinterpret_cast<const char*>(options->chars), options->len);
    if (flags < 0) {
      raise_error(err_illegal_function_call);
      return 0;
    }
  }
  if (!file_name || file_name->len <= 0) return -1;
  const std::string name(reinterpret_cast<const char*>(file_name->chars), static_cast<size_t>(file_name->len));
  std::string bytes;
  if (!read_file(name, &bytes)) {
    const std::string found = find_in_fallback(name);
    if (found.empty() || !read_file(found, &bytes)) return -1;
  }
  return make_font(bytes, height, flags);
}

int32_t load_font_plain(const str_desc* file_name, int32_t height, int32_t flags) {
  if (height <= 0 || height > font_height_max || !file_name || file_name->len <= 0) return -1;
  std::string bytes;
  const std::string name(reinterpret_cast<const char*>(file_name->chars), static_cast<size_t>(file_name->len));
  if (!read_file(name, &bytes)) return -1;
  return make_font(bytes, height, flags);
}

uint8_t glyph_8x8[256 * 64];
uint8_t glyph_8x16[256 * 128];

namespace {

void expand(const uint8_t* rows, int32_t row_count, uint8_t* out) {
  for (int32_t r = 0; r < row_count; ++r)
    for (int32_t c = 0; c < 8; ++c) out[r * 8 + c] = (rows[r] >> (7 - c)) & 1 ? 255 : 0;
}

}  // namespace

void glyphs_init() {
  for (int32_t c = 0; c < 256; ++c) {
    expand(glyph_rows_8x8[c], 8, glyph_8x8 + c * 64);
    expand(glyph_rows_8x16[c], 16, glyph_8x16 + c * 128);
  }
}
