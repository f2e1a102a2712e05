#include "runtime/screen/font_loading.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string_view>

#include "runtime/core/errors.h"
#include "runtime/core/runtime_flags.h"
#include "runtime/screen/font_engine.h"
#include "runtime/screen/font_tables.h"

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
    raise_error(5);
    return 0;
  }
  if (height > font_height_max) return -1;
  int32_t flags = 0;
  if ((options_given & 1) && options && options->len > 0) {
    flags = parse_font_options(reinterpret_cast<const char*>(options->chars), options->len);
    if (flags < 0) {
      raise_error(5);
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
