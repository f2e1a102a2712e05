#include "runtime/platform/user_dirs.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "runtime/platform/file_system.h"
#include "runtime/platform/platform.h"

namespace {

// A real user-dirs.dirs is well under 1 KiB; more than this is not read.
constexpr size_t user_dirs_read_limit = 65536;

void skip_blanks(std::string_view line, size_t* i) {
  while (*i < line.size() && (line[*i] == ' ' || line[*i] == '\t')) ++*i;
}

// The folder one line records for key; false when the line is about another
// key or is not in the file's form.
bool parse_line(std::string_view line, std::string_view key, const std::string& home, std::string* folder) {
  size_t i = 0;
  skip_blanks(line, &i);
  if (line.substr(i, key.size()) != key) return false;
  i += key.size();
  skip_blanks(line, &i);
  if (i >= line.size() || line[i] != '=') return false;
  ++i;
  skip_blanks(line, &i);
  if (i >= line.size() || line[i] != '"') return false;
  ++i;
  bool relative = false;
  if (line.substr(i, 5) == "$HOME") {
    i += 5;
    if (i < line.size() && line[i] == '/')
      ++i;
    else if (i >= line.size() || line[i] != '"')
      return false;  // "$HOMEX": some other variable
    relative = true;
    if (home.empty()) return false;
  } else if (i >= line.size() || line[i] != '/') {
    return false;
  }
  std::string value;
  for (; i < line.size() && line[i] != '"'; ++i) {
    if (line[i] == '\\' && i + 1 < line.size()) ++i;
    value += line[i];
  }
  if (i >= line.size()) return false;  // no closing quote
  if (!relative)
    *folder = value;
  else
    *folder = value.empty() ? home : home + "/" + value;
  return true;
}

}  // namespace

std::string home_directory() {
  std::string home = environment_value("HOME");
  if (!home.empty()) return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
    home = found->pw_dir;
  return home;
}

std::string user_dir_from_text(std::string_view text, std::string_view key, const std::string& home) {
  std::string folder;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    std::string found;
    if (parse_line(line, key, home, &found)) folder = found;
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return folder;
}

std::string xdg_base_dir(const char* name) {
  std::string dir = environment_value(name);
  return !dir.empty() && dir[0] == '/' ? dir : std::string();
}

std::string user_dir(std::string_view key) {
  const std::string home = home_directory();
  std::string config = xdg_base_dir("XDG_CONFIG_HOME");
  if (config.empty()) {
    if (home.empty()) return {};
    config = home + "/.config";
  }
  std::string text;
  if (!read_file_start(config + "/user-dirs.dirs", user_dirs_read_limit, &text)) return {};
  return user_dir_from_text(text, key, home);
}
