#include "runtime/platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace {

// The four sharing bytes sit here, far past any file's data.
constexpr off_t lock_base = 0x7fffffff00000000;
enum lock_byte : int { someone_reads = 0, someone_writes = 1, forbids_reading = 2, forbids_writing = 3 };

struct flock lock_of(short type, int which) {
  struct flock l {};
  l.l_type = type;
  l.l_whence = SEEK_SET;
  l.l_start = lock_base + which;
  l.l_len = 1;
  return l;
}

// Whether another open holds a lock on the byte (an exclusive lock there would conflict).
bool held_by_others(int fd, int which) {
  struct flock l = lock_of(F_WRLCK, which);
  if (fcntl(fd, F_OFD_GETLK, &l) != 0) return false;
  return l.l_type != F_UNLCK;
}

int take_shared(int fd, int which) {
  struct flock l = lock_of(F_RDLCK, which);
  return fcntl(fd, F_OFD_SETLK, &l) == 0 ? 0 : errno;
}

// How long an open tries for the gate. Opens of this runtime hold it for a few
// system calls only; a gate held longer belongs to another program's lock on
// the whole file, which is a sharing conflict, not something to wait out.
constexpr int gate_tries = 20;  // about 20 ms

// Takes the gate without ever blocking: 0, sharing_conflict_errno when another
// holds it, or -1 when the file system has no such locks.
int take_gate(int lock_fd) {
  for (int tries = 0;; ++tries) {
    if (flock(lock_fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return -1;
    if (tries + 1 >= gate_tries) return sharing_conflict_errno;
    usleep(1000);
  }
}

// Checks the request against the opens that exist and records its own access
// and denials. The whole-file flock serves as a gate so that two opens cannot
// check at the same moment and both pass.
int apply_sharing(int lock_fd, const file_open_request& r) {
  const int gate = take_gate(lock_fd);
  if (gate < 0) return 0;  // no gate on this file system: sharing is not enforced
  if (gate != 0) return gate;
  int result = 0;
  if ((r.read && held_by_others(lock_fd, forbids_reading)) || (r.write && held_by_others(lock_fd, forbids_writing)) ||
      (r.deny_read && held_by_others(lock_fd, someone_reads)) ||
      (r.deny_write && held_by_others(lock_fd, someone_writes))) {
    result = sharing_conflict_errno;
  } else {
    const int bytes[4] = {r.read ? someone_reads : -1, r.write ? someone_writes : -1,
                          r.deny_read ? forbids_reading : -1, r.deny_write ? forbids_writing : -1};
    for (int b : bytes) {
      if (b < 0) continue;
      const int e = take_shared(lock_fd, b);
      // File systems without these locks leave the file unshared-checked, not unusable.
      if (e != 0 && e != EINVAL && e != ENOLCK && e != EOPNOTSUPP) {
        result = e;
        break;
      }
    }
  }
  flock(lock_fd, LOCK_UN);
  return result;
}

// Never waits: a named pipe without a reader at the other end, or a device
// waiting for its carrier, would otherwise hold the open indefinitely. Only
// the open itself is non-blocking.
int open_retrying(const char* path, int flags, mode_t mode) {
  for (;;) {
    const int fd = open(path, flags | O_CLOEXEC | O_NONBLOCK, mode);
    if (fd >= 0) {
      const int status = fcntl(fd, F_GETFL);
      if (status != -1) fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
      return fd;
    }
    if (errno != EINTR) return fd;
  }
}

}  // namespace

int platform_open_file(const file_open_request& r, platform_file* file) {
  // A write past the process's file-size limit is an error (EFBIG) the caller
  // reports, not a signal that ends the process. Programs started later get
  // the default back (spawn.h resets ignored signals).
  static const bool size_limit_is_an_error = signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
  (void)size_limit_is_an_error;
  *file = platform_file{};
  const int access = r.read && r.write ? O_RDWR : r.write ? O_WRONLY : O_RDONLY;
  bool created = false;
  int fd = -1;
  if (r.rule == open_rule::existing) {
    fd = open_retrying(r.path, access, 0);
  } else {
    fd = open_retrying(r.path, access | O_CREAT | O_EXCL, 0666);
    created = fd >= 0;
    if (fd < 0 && errno == EEXIST) fd = open_retrying(r.path, access, 0);
  }
  if (fd < 0) return errno;

  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    const int e = S_ISDIR(st.st_mode) ? EISDIR : errno;
    close(fd);
    return e;
  }

  int lock_fd = fd;
  if (!r.read) {
    // The sharing locks need a descriptor that can read; reopen the same file for it.
    const std::string again = "/proc/self/fd/" + std::to_string(fd);
    lock_fd = open_retrying(again.c_str(), O_RDONLY, 0);
  }
  int e = lock_fd >= 0 ? apply_sharing(lock_fd, r) : 0;
  if (e == 0 && r.rule == open_rule::truncate && st.st_size > 0) {
    while (ftruncate(fd, 0) != 0) {
      if (errno != EINTR) {
        e = errno;
        break;
      }
    }
  }
  if (e != 0) {
    if (lock_fd >= 0 && lock_fd != fd) close(lock_fd);
    close(fd);
    if (created && e != sharing_conflict_errno) unlink(r.path);
    return e;
  }
  file->fd = fd;
  file->lock_fd = lock_fd;
  return 0;
}

bool platform_parent_exists(const char* path) {
  const std::string p(path);
  const size_t slash = p.find_last_of('/');
  if (slash == std::string::npos) return true;
  const std::string dir = slash == 0 ? "/" : p.substr(0, slash);
  struct stat st {};
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int platform_read_at(int fd, uint64_t offset, void* buffer, size_t n, size_t* done) {
  *done = 0;
  auto* out = static_cast<uint8_t*>(buffer);
  while (*done < n) {
    if (offset + *done > static_cast<uint64_t>(LLONG_MAX)) return EINVAL;
    const ssize_t got = pread(fd, out + *done, n - *done, static_cast<off_t>(offset + *done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (got == 0) break;
    *done += static_cast<size_t>(got);
  }
  return 0;
}

int platform_write_at(int fd, uint64_t offset, const void* data, size_t n, size_t* done) {
  *done = 0;
  const auto* in = static_cast<const uint8_t*>(data);
  while (*done < n) {
    if (offset + *done > static_cast<uint64_t>(LLONG_MAX)) return EFBIG;
    const ssize_t put = pwrite(fd, in + *done, n - *done, static_cast<off_t>(offset + *done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (put == 0) return EIO;
    *done += static_cast<size_t>(put);
  }
  return 0;
}

int platform_file_size(int fd, uint64_t* size) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return errno;
  *size = static_cast<uint64_t>(st.st_size);
  return 0;
}

int platform_file_identity(int fd, uint64_t* device, uint64_t* inode) {
  struct stat st {};
  if (fstat(fd, &st) != 0) return errno;
  *device = static_cast<uint64_t>(st.st_dev);
  *inode = static_cast<uint64_t>(st.st_ino);
  return 0;
}

int platform_path_identity(const char* path, uint64_t* device, uint64_t* inode) {
  struct stat st {};
  if (stat(path, &st) != 0) return errno;
  *device = static_cast<uint64_t>(st.st_dev);
  *inode = static_cast<uint64_t>(st.st_ino);
  return 0;
}

int platform_create_new_file(const char* path, platform_file* file) {
  *file = platform_file{};
  const int fd = open_retrying(path, O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return errno;
  file->fd = fd;
  return 0;
}

int platform_close_file(platform_file* file) {
  int e = 0;
  if (file->lock_fd >= 0 && file->lock_fd != file->fd) close(file->lock_fd);
  if (file->fd >= 0 && close(file->fd) != 0 && errno != EINTR) e = errno;
  *file = platform_file{};
  return e;
}
