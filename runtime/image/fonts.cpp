#include "runtime/image/image.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "runtime/core/core.h"
#include "runtime/platform/font_files.h"
#include "runtime/image/detail/font_engine.h"

void set_image_font(int64_t font, int64_t page_or_handle, int32_t given) {
  if (error_report.pending.load()) return;
  const int32_t index = resolve_target(page_or_handle, given & 1);
  if (!index) return;
  if (!font_is_builtin(font) && !font_is_loaded(font)) {
    raise_error(err_invalid_handle);
    return;
  }
  image_record* img = image_at(index);
  if (img->text && !(font_table.flags[font] & font_monospace)) {
    raise_error(err_illegal_function_call);
    return;
  }
  // A text surface shows a loaded font through its cells, made here before
  // any page takes the font; a font without a cell width, or with cells too
  // large to keep, cannot serve one.
  if (img->text && font >= first_loaded_font && !font_engine_prepare_text_cells(font_table.handle[font])) {
    raise_error(err_illegal_function_call);
    return;
  }
  if (img->text && (img->flags & image_is_page)) {
    // The frame builder reads the font of every text page: change them all
    // while it stands still. Cursors and print regions stay.
    display_freeze_wait();
    for (int32_t p = 0; p < screen_pages.count; ++p)
      if (screen_pages.table[p]) image_at(screen_pages.table[p])->font = static_cast<uint32_t>(font);
    display_link.prev_valid.store(0);
    display_unfreeze();
    return;
  }
  set_font(static_cast<int32_t>(font), img);
}

namespace {

int32_t font_metric_query(const std::atomic<int32_t>* table, int64_t font, int32_t given) {
  if (error_report.pending.load()) return 0;
  if (!(given & 1)) return write_image->font < font_slots_max ? table[write_image->font].load() : 0;
  if (font != 8 && font != 14 && font != 16 && !font_is_loaded(font)) {
    raise_error(err_invalid_handle);
    return 0;
  }
  return table[font];
}

}  // namespace

int32_t font_width_query(int64_t font, int32_t given) { return font_metric_query(font_table.width, font, given); }
int32_t font_height_query(int64_t font, int32_t given) { return font_metric_query(font_table.height, font, given); }

int32_t image_font_query(int64_t page_or_handle, int32_t given) {
  if (error_report.pending.load()) return 0;
  const int32_t index = resolve_target(page_or_handle, given & 1);
  return index ? static_cast<int32_t>(image_at(index)->font) : 0;
}

void free_font(int64_t font) {
  if (error_report.pending.load()) return;
  if (!font_is_loaded(font)) {
    raise_error(err_invalid_handle);
    return;
  }
  for (int32_t i = 2; i < image_slots_used(); ++i) {
    const image_record* img = image_at(i);
    if (img->valid && img->font == font) {
      raise_error(err_illegal_function_call);
      return;
    }
  }
  font_engine_release(font_table.handle[font].exchange(0));
}

namespace {

struct keyword {
  std::string_view name;
  int32_t flag;
};
constexpr keyword keywords[] = {
    {"BOLD", font_bold},           {"ITALIC", font_italic},       {"UNDERLINE", font_underline},
    {"DONTBLEND", font_dontblend}, {"MONOSPACE", font_monospace}, {"UNICODE", font_unicode},
};
constexpr int32_t font_flag_bits = 63;

// Reads a whole regular file of at most font_file_bytes_max bytes; false when
// it is missing, not a regular file (a folder, a device, a pipe), too large or
// unreadable.
bool read_file(const std::string& path, std::string* bytes) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return false;
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  bytes->clear();
  char buffer[65536];
  size_t n;
  bool fits = true;
  while (fits && (n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    fits = bytes->size() + n <= font_file_bytes_max;
    if (fits) bytes->append(buffer, n);
  }
  const bool ok = fits && !std::ferror(f);
  std::fclose(f);
  return ok;
}

// The name as a path; names with a zero byte stand for no file.
bool path_of(const str_desc* file_name, std::string* path) {
  if (!file_name || file_name->len <= 0) return false;
  path->assign(reinterpret_cast<const char*>(file_name->chars), static_cast<size_t>(file_name->len));
  return path->find('\0') == std::string::npos;
}

// The lowest free loaded-font slot, growing the tables by one when all are
// taken; 0 when they are full. The new entry is clear before font_table.slots counts it.
int32_t font_slot() {
  const int32_t slots = font_table.slots.load();
  for (int32_t f = first_loaded_font; f < slots; ++f)
    if (!font_table.handle[f]) return f;
  if (slots >= font_slots_max) return 0;
  font_table.slots = slots + 1;
  return slots;
}

}  // namespace

int32_t load_font_bytes(const uint8_t* file, size_t size, int32_t height, int32_t flags) {
  if (height <= 0 || height > font_height_max) return -1;
  flags &= font_flag_bits;
  const uintptr_t handle = font_engine_make(file, size, height, flags);
  if (!handle) return -1;
  const int32_t slot = font_slot();
  if (!slot) {
    font_engine_release(handle);
    return -1;
  }
  font_table.height[slot] = height;
  font_table.width[slot] = font_engine_fixed_advance(handle);
  font_table.flags[slot] = flags;
  font_table.handle[slot] = handle;
  return slot;
}

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
  if (error_report.pending.load()) return 0;
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
  std::string name;
  if (!path_of(file_name, &name)) return -1;
  // As named; then the file name alone in the current directory (a program
  // may name a folder of another system); then among the installed fonts.
  std::string bytes;
  bool found = read_file(name, &bytes);
  if (!found) {
    const size_t cut = name.find_last_of("/\\");
    if (cut != std::string::npos && cut + 1 < name.size()) found = read_file(name.substr(cut + 1), &bytes);
  }
  if (!found) {
    // A family's own bold and italic faces, where it has them; the font engine
    // makes the styles a face lacks.
    const std::string installed = platform_find_font(name, (flags & font_bold) != 0, (flags & font_italic) != 0);
    found = !installed.empty() && read_file(installed, &bytes);
  }
  if (!found) return -1;
  return load_font_bytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), height, flags);
}

int32_t load_font_plain(const str_desc* file_name, int32_t height, int32_t flags) {
  std::string name, bytes;
  if (height <= 0 || height > font_height_max || !path_of(file_name, &name) || !read_file(name, &bytes)) return -1;
  return load_font_bytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), height, flags);
}
