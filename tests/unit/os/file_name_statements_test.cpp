// KILL, NAME, FILES and the directory statements on a scratch folder, with
// FILES printing onto the 80x25 text screen.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/display/hardware_images.h"
#include "runtime/os/directories.h"
#include "runtime/os/file_name_statements.h"
#include "runtime/screen/display_sync.h"
#include "runtime/screen/image_table.h"
#include "runtime/screen/screen_startup.h"
#include "tests/unit/os/os_test_support.h"

namespace fs = std::filesystem;

namespace {

class FileStatements : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    display_ready.store(0);
    if (!hardware_img_list) hardware_images_init();
    if (!permanent_empty_string) strings_init();
    mark = str_temp_mark();
    fresh_screen();
    start_dir = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(start_dir);
    str_cleanup(mark);
    ScratchFolderTest::TearDown();
  }
  static void fresh_screen() {
    screen_tables_init();
    screen_palettes_init();
    screen_first_mode();
  }
  static str_desc* arg(const std::string& t) { return str_from_text(t.data(), static_cast<uint32_t>(t.size())); }

  // Row r (1-based) of the text screen, trailing spaces removed.
  static std::string screen_row(int32_t r) {
    std::string row;
    for (int32_t c = 0; c < write_image->width; ++c) row += static_cast<char>(write_image->data[((r - 1) * write_image->width + c) * 2]);
    return row.substr(0, row.find_last_not_of(' ') + 1);
  }

  std::vector<std::string> names_in(const std::string& folder) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path(folder))) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  uint32_t mark = 0;
  fs::path start_dir;
};

TEST_F(FileStatements, KillDeletesMatchingFilesOnly) {
  for (const char* f : {"k/a.tmp", "k/b.tmp", "k/c.TMP", "k/keep.txt", "k/sub.tmp/inner", "target.tmp"}) write_file(f);
  fs::create_symlink(path("target.tmp"), path("k/link.tmp"));

  EXPECT_EQ(kill_files(arg(path("k/*.tmp"))), 3);  // a, b and the link itself; not the folder sub.tmp
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(names_in("k"), (std::vector<std::string>{"c.TMP", "keep.txt", "sub.tmp"}));
  EXPECT_TRUE(fs::exists(path("target.tmp")));

  const struct {
    std::string pattern;
    int32_t error;
  } failures[] = {
      {path("k/*.tmp"), 53},          // only a folder matches now
      {path("k/"), 53},               // no name at all
      {path("missing/*"), 53},
      {std::string("k/\0*", 4), 64},  // a zero byte would widen the pattern to "k/"
  };
  for (const auto& f : failures) {
    EXPECT_EQ(kill_files(arg(f.pattern)), 0) << f.pattern;
    EXPECT_EQ(take_error(), f.error) << f.pattern;
  }

  fs::current_path(path("k"));
  EXPECT_EQ(kill_files(arg("*.*")), 2);  // relative to the current folder; names with and without dots
  EXPECT_EQ(names_in("k"), (std::vector<std::string>{"sub.tmp"}));
}

TEST_F(FileStatements, NameRenamesButNeverReplaces) {
  write_file("old.txt", "old");
  write_file("taken.txt", "keep me");
  const struct {
    std::string from, to;
    int32_t error;
  } cases[] = {
      {"old.txt", "taken.txt", 58},
      {"none.txt", "x.txt", 53},
      {"old.txt", "no/such/folder/x", 53},
      {"old.txt", std::string(300, 'n'), 64},
      {"old.txt", "new.txt", 0},
  };
  for (const auto& c : cases) {
    name_file(arg(path(c.from)), arg(c.to.size() > 255 ? c.to : path(c.to)));
    EXPECT_EQ(take_error(), c.error) << c.to;
  }
  EXPECT_EQ(names_in(""), (std::vector<std::string>{"new.txt", "taken.txt"}));
  std::ifstream taken(path("taken.txt"));
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(taken), {}), "keep me");
}

TEST_F(FileStatements, DirectoryStatementsAndTheirErrors) {
  write_file("file");
  const struct {
    void (*statement)(const str_desc*);
    std::string target;
    int32_t error;
  } cases[] = {
      {mkdir_statement, "made", 0},     {mkdir_statement, "made", 75},        {mkdir_statement, "no/such", 76},
      {chdir_statement, "file", 76},    {chdir_statement, "missing", 76},     {rmdir_statement, "missing", 76},
      {mkdir_statement, "made/in", 0},  {rmdir_statement, "made", 75},        {rmdir_statement, "made/in", 0},
      {chdir_statement, "made", 0},
  };
  for (const auto& c : cases) {
    c.statement(arg(path(c.target)));
    EXPECT_EQ(take_error(), c.error) << c.target;
  }
  EXPECT_EQ(fs::current_path(), fs::path(path("made")));
  mkdir_statement(arg(std::string("x\0y", 3)));
  EXPECT_EQ(take_error(), 64);
}

TEST_F(FileStatements, FilesListsInColumnsAndEndsWithTheFreeBytes) {
  for (const char* f : {"README", "a.tmp", "b.tmp", ".hidden", "sub/x", "a-rather-long-name.txt"}) write_file(f);
  fs::current_path(scratch);
  files_list(nullptr, 0);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(screen_row(1), fs::current_path().string());
  EXPECT_EQ(screen_row(2), ".           <DIR> ..          <DIR> .hidden           README");
  // An entry that would run past column 80 starts the next line.
  EXPECT_EQ(screen_row(3), "a-rather-long-name.txt      a       .tmp      b       .tmp");
  EXPECT_EQ(screen_row(4), "sub         <DIR>");
  const std::string free_line = screen_row(5);
  ASSERT_GE(free_line.size(), 13u);
  EXPECT_EQ(free_line.substr(free_line.size() - 11), " Bytes free");
  EXPECT_EQ(std::to_string(std::stoll(free_line)), free_line.substr(1, free_line.size() - 12));
  EXPECT_EQ(cursor_col_of(write_image), 1);
  EXPECT_EQ(cursor_row_of(write_image), 6);

  fresh_screen();
  files_list(arg(path("*.tmp")), 1);
  EXPECT_EQ(screen_row(2), "a       .tmp      b       .tmp");
  EXPECT_NE(screen_row(3).find(" Bytes free"), std::string::npos);

  fresh_screen();
  files_list(arg(path("*.none")), 1);
  EXPECT_EQ(take_error(), 53);
  EXPECT_EQ(screen_row(2), "");  // the directory line only
}

}  // namespace
