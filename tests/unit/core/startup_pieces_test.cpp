// Pieces of start-up that can be checked without a window: the command line,
// the executable's folder and the BIOS tick arithmetic.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/core/core.h"
#include "runtime/os/os.h"

namespace {

TEST(CommandLine, JoinsArgumentsAfterTheProgramNameWithSingleSpaces) {
  const struct {
    std::vector<std::string> argv;
    std::string joined;
  } cases[] = {
      {{"prog"}, ""},
      {{"prog", "a", "bc"}, "a bc"},
      {{"prog", "a", "b c"}, "a b c"},  // quotes are not restored: five characters
      {{"prog", "", "x"}, " x"},
      {{"prog", "one"}, "one"},
  };
  for (const auto& c : cases) {
    std::vector<char*> argv;
    for (const auto& a : c.argv) argv.push_back(const_cast<char*>(a.c_str()));
    EXPECT_EQ(join_arguments(static_cast<int>(argv.size()), argv.data()), c.joined);
  }
  EXPECT_EQ(join_arguments(0, nullptr), "");
}

TEST(ExecutableFolder, CutsAtTheLastSeparator) {
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {
      {"/usr/local/bin/quintaro", "/usr/local/bin"},
      {"quintaro", "quintaro"},  // no separator: the path stays whole
      {"C:quintaro", "C:"},      // a drive prefix keeps its colon
      {"C:\\games\\q.exe", "C:\\games"},
      {"/a/b:c/d", "/a/b:c"},
      {"/quintaro", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(executable_folder(c.path), c.folder) << c.path;
}

TEST(BiosTicks, CountEighteenPointTwoASecondSinceMidnight) {
  const struct {
    uint32_t counter;
    int32_t base, day_ms;
    uint32_t ticks;
  } cases[] = {
      {5000, 5000, 10000, 182},                  // 00:00:10.000
      {0, 0, 0, 0},                              // midnight
      {1000, 0, 0, 18},                          // trunc(18.2)
      {100, 0, 86399900, 0},                     // wraps at midnight
      {99, 0, 86399900, 1572479},                // 23:59:59.999
      {5, -16, 0, 0},                            // counter wrapped past 2^32: 21 ms
      {3600000u, 0, 12 * 3600000, 851760},       // one hour after noon
  };
  for (const auto& c : cases)
    EXPECT_EQ(bios_ticks_at(c.counter, c.base, c.day_ms), c.ticks)
        << c.counter << " " << c.base << " " << c.day_ms;
}

}  // namespace
