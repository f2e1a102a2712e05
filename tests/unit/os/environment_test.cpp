// The pieces of the program's environment that start-up makes: the command
// line and the executable's folder.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
