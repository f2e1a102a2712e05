// KILL, NAME, the directory statements and FILES without a match, on a
// scratch folder. FILES output is read back from the window end to end.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "runtime/gpu/gpu.h"
#include "runtime/os/os.h"
#include "runtime/screen/screen.h"
#include "tests/unit/os/os_test_support.h"

namespace fs = std::filesystem;

namespace {

class FileStatements : public ScratchFolderTest {
 protected:
  std::vector<std::string> names_in(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path(folder))) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(FileStatements, KillDeletesMatchingFilesOnly) {
  for (const char* f : {"k/a.tmp", "k/b.tmp", "k/c.TMP", "k/keep", "k/sub.tmp/inner", "target.tmp"}) write_file(f);
  fs::create_symlink(path("target.tmp"), path("k/link.tmp"));

  EXPECT_EQ(kill_files(arg(path("k/*.tmp"))), 3);  // a, b and the link itself; not the folder sub.tmp
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(names_in("k"), (std::vector<std::string>{"c.TMP", "keep", "sub.tmp"}));
  EXPECT_TRUE(fs::exists(path("target.tmp")));

  const struct {
    std::string pattern;
    int32_t error;
  } failures[] = {
      {path("k/*.tmp"), 53},          // only a folder matches now
      {path("k/"), 53},               // no name at all
      {path("missing/*"), 53},
      {std::string("k/\0*", 4), 64},  // a zero byte would widen the pattern to "k/"
      {std::string(4096, '*'), 64},    // longer than any path
  };
  for (const auto& f : failures) {
    EXPECT_EQ(kill_files(arg(f.pattern)), 0) << f.pattern;
    EXPECT_EQ(take_error(), f.error) << f.pattern;
  }
  fs::current_path(path("k"));
  EXPECT_EQ(kill_files(arg("*.*")), 2);  // in the current folder, names with and without a dot
  EXPECT_EQ(names_in("k"), (std::vector<std::string>{"sub.tmp"}));
}

TEST_F(FileStatements, NameRenamesButNeverReplaces) {
  write_file("old.txt", "old");
  write_file("taken.txt", "keep me");
  const struct {
    std::string from, to;
    int32_t error;
  } cases[] = {
      {path("old.txt"), path("taken.txt"), 58},
      {path("none.txt"), path("x.txt"), 53},
      {path("old.txt"), path("no/such/folder/x"), 53},
      {path("old.txt"), std::string(300, 'n'), 64},
      {path("old.txt"), path("new.txt"), 0},
  };
  for (const auto& c : cases) {
    name_file(arg(c.from), arg(c.to));
    EXPECT_EQ(take_error(), c.error) << c.to;
  }
  EXPECT_EQ(names_in(""), (std::vector<std::string>{"new.txt", "taken.txt"}));
  std::ifstream taken(path("taken.txt"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(taken), {}), "keep me");
}

TEST_F(FileStatements, DirectoryStatementsAndFilesWithoutAMatch) {
  write_file("file");
  const struct {
    void (*statement)(const str_desc*);
    std::string target;
    int32_t error;
  } cases[] = {
      {mkdir_statement, "made", 0},    {mkdir_statement, "made", 75},    {mkdir_statement, "no/such", 76},
      {chdir_statement, "file", 76},   {chdir_statement, "missing", 76}, {rmdir_statement, "missing", 76},
      {mkdir_statement, "made/in", 0}, {rmdir_statement, "made", 75},    {rmdir_statement, "made/in", 0},
      {mkdir_statement, std::string("x\0y", 3), 64}, {chdir_statement, "made", 0},
  };
  for (const auto& c : cases) {
    c.statement(arg(path(c.target)));
    EXPECT_EQ(take_error(), c.error) << c.target;
  }
  EXPECT_EQ(fs::current_path(), fs::path(path("made")));

  display_link.ready.store(0);
  hardware_images_init();
  screen_tables_init();
  screen_first_mode();
  files_list(arg("*.none"), 1);
  EXPECT_EQ(take_error(), 53);
}

TEST_F(FileStatements, EveryPathStatementTakesTheBackslashAsSeparator) {
  fs::current_path(scratch);
  fs::create_directory(path("DATA"));
  const struct {
    const char* what;
    void (*run)();
    int32_t error;
    const char* present;  // a path that must exist afterwards, or null
    const char* absent;   // a path that must not, or null
  } cases[] = {
      {"MKDIR", [] { mkdir_statement(arg("DATA\\SUB")); }, 0, "DATA/SUB", "DATA\\SUB"},
      {"OPEN", [] { file_open(arg("DATA\\X.TMP"), 4, 0, 0, 1, 0, 0), file_close(1, 1); }, 0, "DATA/X.TMP", nullptr},
      {"NAME", [] { name_file(arg("DATA\\X.TMP"), arg("DATA\\Y.TMP")); }, 0, "DATA/Y.TMP", "DATA/X.TMP"},
      {"FILES", [] { files_list(arg("DATA\\*.TMP"), 1); }, 0, "DATA/Y.TMP", nullptr},
      {"KILL", [] { kill_files(arg("DATA\\Y.TMP")); }, 0, nullptr, "DATA/Y.TMP"},
      {"RMDIR", [] { rmdir_statement(arg("DATA\\SUB")); }, 0, nullptr, "DATA/SUB"},
      {"CHDIR", [] { chdir_statement(arg("DATA\\..\\DATA")); }, 0, nullptr, nullptr},
  };
  display_link.ready.store(0);
  hardware_images_init();
  screen_tables_init();
  screen_first_mode();
  for (const auto& c : cases) {
    c.run();
    EXPECT_EQ(take_error(), c.error) << c.what;
    if (c.present) {
      EXPECT_TRUE(fs::exists(path(c.present))) << c.what;
    }
    if (c.absent) {
      EXPECT_FALSE(fs::exists(path(c.absent))) << c.what;
    }
  }
  EXPECT_EQ(fs::current_path(), fs::path(path("DATA")));
}

}  // namespace
