#include <cstring>

#include "runtime/core/core.h"
#include "runtime/os/detail/os_internals.h"
#include "runtime/os/os.h"
#include "runtime/platform/file_system.h"
#include "runtime/platform/user_dirs.h"

namespace {

enum class folder { documents, music, pictures, videos, downloads, desktop, config, data };

struct folder_name {
  const char* name;  // upper case
  folder kind;
};

// In the order the names are looked up.
constexpr folder_name folder_names[] = {
    {"TEXT", folder::documents},          {"DOCUMENT", folder::documents},
    {"DOCUMENTS", folder::documents},     {"MY DOCUMENTS", folder::documents},
    {"MUSIC", folder::music},             {"AUDIO", folder::music},
    {"SOUND", folder::music},             {"SOUNDS", folder::music},
    {"MY MUSIC", folder::music},          {"PICTURE", folder::pictures},
    {"PICTURES", folder::pictures},       {"IMAGE", folder::pictures},
    {"IMAGES", folder::pictures},         {"MY PICTURES", folder::pictures},
    {"DCIM", folder::pictures},           {"CAMERA", folder::pictures},
    {"CAMERA ROLL", folder::pictures},    {"PHOTO", folder::pictures},
    {"PHOTOS", folder::pictures},         {"MOVIE", folder::videos},
    {"MOVIES", folder::videos},           {"VIDEO", folder::videos},
    {"VIDEOS", folder::videos},           {"MY VIDEOS", folder::videos},
    {"DOWNLOAD", folder::downloads},      {"DOWNLOADS", folder::downloads},
    {"DESKTOP", folder::desktop},         {"APPDATA", folder::config},
    {"APPLICATION DATA", folder::config}, {"PROGRAM DATA", folder::config},
    {"DATA", folder::config},             {"LOCALAPPDATA", folder::data},
    {"LOCAL APPLICATION DATA", folder::data}, {"LOCAL PROGRAM DATA", folder::data},
    {"LOCAL DATA", folder::data},
};

struct user_folder {
  const char* key;       // in user-dirs.dirs
  const char* fallback;  // under the home folder
};

user_folder user_folder_of(folder kind) {
  switch (kind) {
    case folder::documents: return {"XDG_DOCUMENTS_DIR", "Documents"};
    case folder::music: return {"XDG_MUSIC_DIR", "Music"};
    case folder::pictures: return {"XDG_PICTURES_DIR", "Pictures"};
    case folder::videos: return {"XDG_VIDEOS_DIR", "Videos"};
    case folder::downloads: return {"XDG_DOWNLOAD_DIR", "Downloads"};
    default: return {"XDG_DESKTOP_DIR", "Desktop"};
  }
}

std::string under_home(const char* relative) {
  const std::string home = home_directory();
  return home.empty() ? std::string() : home + "/" + relative;
}

// The folder of a kind; "" when it cannot be found.
std::string folder_path(folder kind) {
  if (kind == folder::config) {
    const std::string dir = xdg_base_dir("XDG_CONFIG_HOME");
    return dir.empty() ? under_home(".config") : dir;
  }
  if (kind == folder::data) {
    const std::string dir = xdg_base_dir("XDG_DATA_HOME");
    return dir.empty() ? under_home(".local/share") : dir;
  }
  const user_folder f = user_folder_of(kind);
  std::string dir = user_dir(f.key);
  if (dir.empty()) dir = under_home(f.fallback);
  if (kind == folder::downloads && !dir.empty()) make_folder(dir);  // an existing one stays as it is
  return dir;
}

std::string upper_case(std::string_view name) {
  std::string upper(name);
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return upper;
}

}  // namespace

std::string known_folder_path(std::string_view name) {
  const std::string upper = upper_case(name);
  std::string dir;
  for (const folder_name& f : folder_names) {
    if (upper != f.name) continue;
    dir = folder_path(f.kind);
    break;
  }
  if (dir.empty()) dir = folder_path(folder::desktop);
  if (dir.empty()) return "./";
  if (dir.back() != '/') dir += '/';
  return dir;
}

str_desc* known_folder(const str_desc* name) {
  if (error_report.pending.load() != 0) return str_new(0, true);
  const std::string_view text =
      name && name->len > 0 ? std::string_view(reinterpret_cast<const char*>(name->chars), static_cast<size_t>(name->len))
                            : std::string_view();
  const std::string dir = known_folder_path(text);
  str_desc* s = str_new(static_cast<uint32_t>(dir.size()), true);
  std::memcpy(s->chars, dir.data(), dir.size());
  return s;
}
