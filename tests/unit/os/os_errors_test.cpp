// The run-time errors the name-based file operations raise for each of the
// system's reasons.
#include <gtest/gtest.h>

#include <cerrno>

#include "runtime/os/detail/os_internals.h"

namespace {

TEST(OsErrors, EachOperationMapsTheSystemsReasons) {
  const struct {
    int system_error;
    int32_t kill, name, folder;
  } cases[] = {
      {ENOENT, 53, 53, 76},   {EACCES, 55, 75, 75},  {EPERM, 55, 75, 75},   {EROFS, 55, 75, 75},
      {EBUSY, 55, 75, 75},    {ETXTBSY, 55, 5, 5},   {EINVAL, 53, 64, 75},  {ENAMETOOLONG, 53, 64, 64},
      {EEXIST, 53, 58, 75},   {ENOTEMPTY, 53, 58, 75}, {EXDEV, 53, 74, 5},  {ENOTDIR, 53, 76, 76},
      {ELOOP, 53, 76, 76},    {ENOSPC, 53, 5, 61},   {EIO, 53, 5, 5},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(kill_error(c.system_error), c.kill) << c.system_error;
    EXPECT_EQ(name_error(c.system_error), c.name) << c.system_error;
    EXPECT_EQ(folder_error(c.system_error), c.folder) << c.system_error;
  }
}

}  // namespace
