// ENVIRON$ by index and by name, and the ENVIRON statement.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "runtime/os/environment.h"
#include "runtime/strings/string_engine.h"
#include "tests/unit/os/os_test_support.h"

extern char** environ;

namespace {

class Environment : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    if (!permanent_empty_string) strings_init();
    mark = str_temp_mark();
  }
  void TearDown() override {
    str_cleanup(mark);
    ScratchFolderTest::TearDown();
  }
  static std::string text(const str_desc* s) { return std::string(reinterpret_cast<const char*>(s->chars), s->len); }
  static str_desc* arg(const std::string& t) { return str_from_text(t.data(), static_cast<uint32_t>(t.size())); }
  uint32_t mark = 0;
};

TEST_F(Environment, ByIndexGivesEachEntryAsStored) {
  set_env("QUINTARO_TEST_A", "one=two");
  int32_t count = 0;
  while (environ[count]) ++count;
  const struct {
    int32_t n;
    std::string entry;
    int32_t error;
  } cases[] = {
      {1, environ[0], 0},
      {count, environ[count - 1], 0},
      {count + 1, "", 0},  // past the end
      {1 << 30, "", 0},
      {0, "", 5},
      {-3, "", 5},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(text(environ_by_index(c.n)), c.entry) << c.n;
    EXPECT_EQ(take_error(), c.error) << c.n;
  }
}

TEST_F(Environment, ByNameAndSetting) {
  set_env("QUINTARO_TEST_B", "first");
  EXPECT_EQ(text(environ_by_name(arg("QUINTARO_TEST_B"))), "first");
  EXPECT_EQ(text(environ_by_name(arg("QUINTARO_TEST_NONE"))), "");

  environment_init();
  const int32_t before = environment_entries;
  environ_set(arg("QUINTARO_TEST_C=a b=c"));  // the value runs to the end, "=" included
  EXPECT_EQ(take_error(), 0);
  saved.emplace("QUINTARO_TEST_C", std::nullopt);  // removed again after the test
  EXPECT_STREQ(getenv("QUINTARO_TEST_C"), "a b=c");
  EXPECT_EQ(environment_entries, before + 1);
  bool listed = false;
  for (int32_t n = 1; n < environment_entries; ++n) listed |= text(environ_by_index(n)) == "QUINTARO_TEST_C=a b=c";
  EXPECT_TRUE(listed);

  environ_set(arg("QUINTARO_TEST_C="));  // an empty value removes the variable
  EXPECT_EQ(getenv("QUINTARO_TEST_C"), nullptr);
  EXPECT_EQ(environment_entries, before);

  for (const std::string& bad : {std::string("NO_EQUALS"), std::string("=value"), std::string("A\0B=1", 5)}) {
    environ_set(arg(bad));
    EXPECT_EQ(take_error(), 5) << bad;
  }
  EXPECT_EQ(getenv("A"), nullptr);
  EXPECT_EQ(text(environ_by_name(arg(std::string("QUINTARO_TEST_B\0X", 17)))), "");
}

}  // namespace
