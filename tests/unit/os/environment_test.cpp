// The program's environment: the command line and the executable's folder
// that start-up makes, ENVIRON$ by index and by name, and the ENVIRON statement.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/os/os.h"
#include "tests/unit/os/os_test_support.h"

extern char** environ;

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
      {"/x/my:prog", "/x"},      // ":" and a backslash are parts of names
      {"/x/sub\\prog", "/x"},
      {"/a/b:c/d", "/a/b:c"},
      {"/quintaro", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(executable_folder(c.path), c.folder) << c.path;
}

using Environment = ScratchFolderTest;

TEST_F(Environment, ByIndexByNameAndSetting) {
  set_env("QUINTARO_TEST_A", "one=two");
  saved.emplace("QUINTARO_TEST_C", std::nullopt);  // removed again after the test
  int32_t count = 0;
  while (environ[count]) ++count;
  const struct {
    int32_t n;
    std::string entry;
    int32_t error;
  } by_index[] = {
      {1, environ[0], 0}, {count, environ[count - 1], 0}, {count + 1, "", 0}, {1 << 30, "", 0}, {0, "", 5}, {-3, "", 5},
  };
  for (const auto& c : by_index) {
    EXPECT_EQ(text(environ_by_index(c.n)), c.entry) << c.n;
    EXPECT_EQ(take_error(), c.error) << c.n;
  }
  EXPECT_EQ(text(environ_by_name(arg("QUINTARO_TEST_A"))), "one=two");
  EXPECT_EQ(text(environ_by_name(arg(std::string("QUINTARO_TEST_A\0X", 17)))), "");

  // A new variable is listed at the index past the old end; an empty value removes it.
  environment_init();
  const int32_t entries = invocation.environment_entries;
  environ_set(arg("QUINTARO_TEST_C=a b=c"));
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(text(environ_by_name(arg("QUINTARO_TEST_C"))), "a b=c");
  EXPECT_EQ(invocation.environment_entries, entries + 1);
  EXPECT_EQ(text(environ_by_index(entries)), "QUINTARO_TEST_C=a b=c");
  environ_set(arg("QUINTARO_TEST_C="));
  EXPECT_EQ(getenv("QUINTARO_TEST_C"), nullptr);
  EXPECT_EQ(text(environ_by_index(entries)), "");

  for (const std::string& bad : {std::string("NO_EQUALS"), std::string("=value"), std::string("A\0B=1", 5)}) {
    environ_set(arg(bad));
    EXPECT_EQ(take_error(), 5) << bad;
  }
  EXPECT_EQ(getenv("A"), nullptr);
}

}  // namespace
