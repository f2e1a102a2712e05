#pragma once
// File-system services by name: reading a directory, deleting and renaming
// files, making, removing and entering directories, and the free space of a
// file system. Program thread. Operations that can fail return 0 or the
// system's errno value; names are used as given (relative to the current
// directory), never through a shell.
#include <cstdint>
#include <string>
#include <vector>

struct directory_entry {
  std::string name;
  bool directory;  // a directory, or a symbolic link to one
  bool removable;  // a regular file or a symbolic link: KILL may delete it
};

// Every entry of folder ("." and ".." included, in the order the system gives).
int read_directory(const std::string& folder, std::vector<directory_entry>* entries);

// Deletes a file (a symbolic link itself, never what it points to).
int remove_file(const std::string& path);

// Renames, never replacing an existing destination (EEXIST instead).
int rename_no_replace(const std::string& from, const std::string& to);

int make_folder(const std::string& path);  // mode 0777 less the umask
int remove_folder(const std::string& path);
int enter_folder(const std::string& path);

// Bytes available to this user on the file system holding path (blocks
// available to unprivileged users times the fragment size); -1 on failure.
int64_t free_bytes(const std::string& path);

// What a path names, following symbolic links. A document is a regular file
// this process may not execute.
enum class path_kind { missing, directory, executable, document, other };
path_kind classify_path(const std::string& path);

// Reads at most limit bytes of a regular file; false when it cannot be opened
// or read, or is no regular file (a FIFO would wait for a writer).
bool read_file_start(const std::string& path, size_t limit, std::string* text);

// Opens path for reading only when it is a regular file itself: a symbolic
// link is not followed, and a FIFO or device is never waited on. The
// descriptor (close on exec; the caller closes it), or -errno: -ENOENT when
// nothing is there, -EINVAL for anything that is not a regular file.
int open_regular_file(const std::string& path);

void close_descriptor(int fd);

// The name under which the system reopens what descriptor fd is open on,
// whatever has since been put at its old path.
std::string descriptor_path(int fd);

// The absolute path with every symbolic link, "." and ".." resolved; "" when
// some part of it does not exist or cannot be read.
std::string resolved_path(const std::string& path);

// The longest path the system accepts, terminating zero excluded.
constexpr size_t path_length_limit = 4095;
