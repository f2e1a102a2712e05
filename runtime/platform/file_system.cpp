#include "runtime/platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

namespace {

int result_of(int r) { return r == 0 ? 0 : errno; }

// Kind of an entry whose d_type did not say (some file systems leave it out),
// and where a symbolic link leads.
void fill_kind(int folder_fd, const dirent* d, directory_entry* e) {
  unsigned char type = d->d_type;
  struct stat st;
  if (type == DT_UNKNOWN && fstatat(folder_fd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
    type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
  e->directory = type == DT_DIR;
  e->removable = type == DT_REG || type == DT_LNK;
  if (type == DT_LNK && fstatat(folder_fd, d->d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)) {
    e->directory = true;
    e->removable = false;
  }
}

}  // namespace

int read_directory(const std::string& folder, std::vector<directory_entry>* entries) {
  DIR* dir = opendir(folder.c_str());  // close-on-exec
  if (!dir) return errno;
  const int fd = dirfd(dir);
  for (;;) {
    errno = 0;
    const dirent* d = readdir(dir);
    if (!d) break;
    directory_entry e;
    e.name = d->d_name;
    fill_kind(fd, d, &e);
    entries->push_back(std::move(e));
  }
  const int error = errno;
  closedir(dir);
  return error;
}

int remove_file(const std::string& path) { return result_of(unlink(path.c_str())); }

int rename_no_replace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  const int error = errno;
  if (error != EINVAL && error != ENOSYS) return error;
  // File systems without the no-replace flag: look first, then rename. EINVAL
  // may also mean a directory into itself, which rename reports again.
  struct stat st;
  if (lstat(to.c_str(), &st) == 0) return EEXIST;
  return result_of(rename(from.c_str(), to.c_str()));
}

int make_folder(const std::string& path) { return result_of(mkdir(path.c_str(), 0777)); }
int remove_folder(const std::string& path) { return result_of(rmdir(path.c_str())); }
int enter_folder(const std::string& path) { return result_of(chdir(path.c_str())); }

int64_t free_bytes(const std::string& path) {
  struct statvfs fs;
  if (statvfs(path.c_str(), &fs) != 0) return -1;
  const unsigned __int128 bytes = static_cast<unsigned __int128>(fs.f_bavail) * fs.f_frsize;
  return bytes > static_cast<unsigned __int128>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(bytes);
}

path_kind classify_path(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0) return path_kind::missing;
  if (S_ISDIR(st.st_mode)) return path_kind::directory;
  if (!S_ISREG(st.st_mode)) return path_kind::other;
  return access(path.c_str(), X_OK) == 0 ? path_kind::executable : path_kind::document;
}

int open_regular_file(const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
  if (fd < 0) return errno == ELOOP ? -EINVAL : -errno;  // ELOOP: the name is a symbolic link
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return -EINVAL;
  }
  // Reads of a regular file never wait; the flag is cleared all the same so
  // that the descriptor behaves as an ordinary one.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

void close_descriptor(int fd) { close(fd); }

std::string descriptor_path(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

std::string resolved_path(const std::string& path) {
  char* resolved = realpath(path.c_str(), nullptr);
  if (!resolved) return {};
  std::string result(resolved);
  free(resolved);
  return result;
}

bool read_file_start(const std::string& path, size_t limit, std::string* text) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  text->clear();
  char buffer[4096];
  bool ok = true;
  while (text->size() < limit) {
    const size_t want = std::min(sizeof buffer, limit - text->size());
    const ssize_t n = read(fd, buffer, want);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    text->append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return ok;
}
