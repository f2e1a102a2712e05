#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/os/detail/os_internals.h"
#include "runtime/os/os.h"
#include "runtime/platform/file_system.h"
#include "runtime/platform/platform.h"
#include "runtime/screen/screen.h"

namespace {

bool error_pending() { return error_report.pending.load() != 0; }

void print_line_text(const std::string& text, int32_t newline) {
  print_chars(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int32_t>(text.size()), newline);
}

// The entries of the pattern's folder whose names match; false when the folder
// cannot be read.
bool matching_entries(const pattern_parts& parts, std::vector<directory_entry>* found) {
  std::vector<directory_entry> all;
  if (read_directory(parts.folder.empty() ? "." : parts.folder, &all) != 0) return false;
  for (directory_entry& e : all)
    if (pattern_matches(parts.mask, e.name)) found->push_back(std::move(e));
  return true;
}

}  // namespace

int32_t kill_files(const str_desc* pattern) {
  if (error_pending()) return 0;
  std::string text;
  if (!name_argument(pattern, &text)) return 0;
  const pattern_parts parts = split_pattern(text);
  std::vector<directory_entry> found;
  matching_entries(parts, &found);
  // Names are gathered first and deleted after, so deleting never disturbs the
  // directory reading.
  int32_t deleted = 0;
  for (const directory_entry& e : found) {
    if (!e.removable) continue;
    const int error = remove_file(parts.folder + e.name);
    if (error != 0)
      raise_error(kill_error(error));
    else
      ++deleted;
  }
  if (deleted == 0) raise_error(err_file_not_found);
  return deleted;
}

void name_file(const str_desc* old_name, const str_desc* new_name) {
  if (error_pending()) return;
  std::string from, to;
  if (!name_argument(old_name, &from) || !name_argument(new_name, &to)) return;
  const int error = rename_no_replace(from, to);
  if (error != 0) raise_error(name_error(error));
}

void files_list(const str_desc* pattern, int32_t passed) {
  if (error_pending()) return;
  std::string text;
  if ((passed & 1) && !name_argument(pattern, &text)) return;
  pattern_parts parts = split_pattern(text);
  if (parts.mask.empty()) parts.mask.push_back('*');  // = "*" draws a false -Wrestrict from GCC 12

  const std::string here = current_directory();
  if (here.empty()) {
    raise_error(err_illegal_function_call);
    return;
  }
  print_line_text(here, 1);

  std::vector<directory_entry> found;
  matching_entries(parts, &found);
  if (found.empty()) {
    raise_error(err_file_not_found);
    return;
  }
  std::sort(found.begin(), found.end(),
            [](const directory_entry& a, const directory_entry& b) { return a.name < b.name; });
  for (const directory_entry& e : found) {
    if (error_pending()) return;
    const std::string entry = files_entry_text(e.name, e.directory);
    str_desc* item = str_from_text(entry.data(), static_cast<uint32_t>(entry.size()));
    make_fit(item);
    print_text(item, 0);
    str_free(item);
  }

  const int64_t free = std::max<int64_t>(free_bytes(parts.folder.empty() ? "." : parts.folder), 0);
  const image_record* img = write_image;
  if (img && (img->console || img->line_held || cursor_col_of(write_image) != 1)) print_text(data_segment.empty_string, 1);
  char line[48];
  const int n = std::snprintf(line, sizeof line, "%s%" PRId64 " Bytes free", free > 0 ? " " : "", free);
  print_chars(reinterpret_cast<const uint8_t*>(line), n, 1);
}
