#pragma once
// Disk files by system descriptor: opening under sharing rules, positioned
// reads and writes, size and closing. Every call reports the system's reason
// as an errno value (0 = success) and leaves the mapping to run-time errors to
// the caller. Any thread; a descriptor is used by one thread at a time.
//
// Sharing rules are advisory locks on four bytes far beyond any real data,
// held by each open (open file description locks, so they also separate two
// opens inside one process): one byte says "someone reads", one "someone
// writes", one "someone forbids reading", one "someone forbids writing". An
// open is refused when it wants what someone forbids, or forbids what someone
// has. Every process built with this runtime follows the same rules; other
// programs are not held back by them.
#include <cerrno>
#include <cstddef>
#include <cstdint>

enum class open_rule : uint8_t {
  existing,        // the file must exist
  open_or_create,  // created when missing
  truncate,        // created when missing, emptied when it has bytes
};

struct file_open_request {
  const char* path;
  bool read;           // access wanted
  bool write;
  open_rule rule;
  bool deny_read;      // others may not read while this open lasts
  bool deny_write;     // others may not write while this open lasts
};

// The errno a sharing conflict is reported with.
constexpr int sharing_conflict_errno = EAGAIN;

// An open file: the descriptor for reading and writing, and the one that holds
// the sharing locks (the same one when it has read access, else a second,
// read-only descriptor; -1 when the file cannot be read at all and so carries
// no sharing locks).
struct platform_file {
  int fd = -1;
  int lock_fd = -1;
};

// Opens a file. A file this call created is removed again when a later step of
// the same call fails, and a file is only emptied after its sharing rules were
// checked.
int platform_open_file(const file_open_request& request, platform_file* file);

// Creates a file that must not exist yet (EEXIST when it does), for writing
// only and readable by its owner only; it carries no sharing locks.
int platform_create_new_file(const char* path, platform_file* file);

// Whether the directory part of path exists (true for a name without one).
bool platform_parent_exists(const char* path);

// Reads or writes up to n bytes at offset; *done receives the count moved.
// Reads stop early only at the end of the file; writes retry short pieces.
int platform_read_at(int fd, uint64_t offset, void* buffer, size_t n, size_t* done);
int platform_write_at(int fd, uint64_t offset, const void* data, size_t n, size_t* done);

// The file's size in bytes.
int platform_file_size(int fd, uint64_t* size);

// Device and inode, to tell whether two descriptors name the same file.
int platform_file_identity(int fd, uint64_t* device, uint64_t* inode);

// Device and inode of the file a path names (following links).
int platform_path_identity(const char* path, uint64_t* device, uint64_t* inode);

// Closes the file (its sharing locks go with it).
int platform_close_file(platform_file* file);
