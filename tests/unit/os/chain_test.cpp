// Chained programs: the command-line tail, a screen carried through a chain
// file and back, sections with only some of their tags, and damaged files,
// which must leave the start-up screen and the directory and still be deleted.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "runtime/os/detail/chain_file.h"
#include "runtime/os/os.h"
#include "runtime/platform/platform.h"
#include "runtime/image/pixels.h"
#include "tests/unit/screen/screen_fixture.h"

namespace fs = std::filesystem;

namespace {

class Chain : public ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    char name[] = "/tmp/quintaro_chain_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    scratch = fs::canonical(name).string();
    fs::create_directory(scratch + "/sub");
    start_dir = fs::current_path();
    fs::current_path(scratch);
  }
  void TearDown() override {
    fs::current_path(start_dir);
    fs::remove_all(scratch);
    invocation_reset();
    ScreenTest::TearDown();
  }

  static void set_command_line(const std::string& line) {
    invocation.command_line = str_new(static_cast<uint32_t>(line.size()), false);
    std::memcpy(invocation.command_line->chars, line.data(), line.size());
  }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(scratch + "/" + name, std::ios::binary) << bytes;
  }
  // Receives name with the user's argument "one" before the tail; the error it raised.
  int32_t receive(const std::string& name) {
    set_command_line("one " + std::string(chain_marker) + name);
    invocation.arguments = {"one", std::string(chain_marker) + name};
    chain_receive();
    return take_error();
  }
  static bool start_up_screen() {
    const image_record* p = page(0);
    return screen_pages.count == 8 && p->mode == 0 && p->width == 80 && p->height == 25 && p->font == 16 &&
           write_index == screen_pages.table[0] && display_link.shown_index.load() == screen_pages.table[0];
  }

  std::string scratch;
  fs::path start_dir;
};

void put(std::string* s, int32_t v) {
  for (int k = 0; k < 4; ++k) s->push_back(static_cast<char>(static_cast<uint32_t>(v) >> (8 * k)));
}

// A chain file around a screen-state section given as words: items 1 to 3,
// the section, its end marker and item 5.
std::string file_of(const std::string& directory, const std::vector<int32_t>& section, bool palette_last = false) {
  std::string s;
  put(&s, 1);
  put(&s, static_cast<int32_t>(directory.size()));
  s += directory;
  for (int32_t w : section) put(&s, w);
  if (!palette_last) put(&s, chain_end_marker);
  put(&s, 0);
  return s;
}

TEST(ChainTail, OnlyTheMarkerAndAWellFormedBareNameMakeATail) {
  const std::string m(chain_marker);
  const struct {
    std::string line;
    std::string name;
  } cases[] = {
      {m + "chainab1.tmp", "chainab1.tmp"},
      {"my args " + m + "chain0Z9.tmp", "chain0Z9.tmp"},
      {"notes.tmp", ""},                                  // ".tmp" without the marker
      {std::string(40, 'x') + "chainab1.tmp", ""},
      {m + "chain/x1.tmp", ""},                            // a path separator in the name
      {m + "chain..1.tmp", ""},
      {m + "CHAINab1.tmp", ""},
      {m + "chainab1.tmpx", ""},
      {m.substr(1) + "chainab1.tmp", ""},                  // 31 characters
  };
  for (const auto& c : cases) EXPECT_EQ(chain_tail_name(c.line), c.name) << c.line;
}

TEST_F(Chain, CommandLineKeepsOnlyTheUsersArguments) {
  set_command_line("report.tmp");
  chain_receive();
  EXPECT_EQ(take_error(), 0);  // nothing was opened
  EXPECT_EQ(command_line_text(), "report.tmp");

  // A missing file is not made: it is error 53, and the tail goes all the same.
  EXPECT_EQ(receive("chainzzz.tmp"), err_file_not_found);
  EXPECT_FALSE(fs::exists(scratch + "/chainzzz.tmp"));
  EXPECT_EQ(command_line_text(), "one");
  EXPECT_EQ(invocation.arguments, std::vector<std::string>{"one"});
  set_command_line(std::string(chain_marker) + "chainzzz.tmp");
  chain_receive();
  EXPECT_EQ(take_error(), err_file_not_found);
  EXPECT_EQ(command_line_text(), "");
}

TEST_F(Chain, ScreensComeBackExactly) {
  const struct {
    const char* what;
    std::function<void()> make;
  } screens[] = {
      {"text 40x25, three pages",
       [] {
         width(0, 40, 25, 3);
         screen_set(0, 0, 2, 1, 0, 4 | 8);
         color(14, 1, 0, 3);
         print_text(str_from_cstr("page two"), 1);
         palette_entry_set(3, 0xFF102030, 1, 1);  // on the visual page, whose palette is written
       }},
      {"SCREEN 12, two pages, a view and a window",
       [] {
         screen_set(12, 0, 0, 0, 0, 1);
         palette_entry_set(1, 0xFF20C040, 0, 0);
         for (int32_t i = 0; i < 640 * 480; i += 7) write_image->data[i] = static_cast<uint8_t>(i % 16);
         screen_set(0, 0, 1, 0, 0, 4 | 8);
         view(10, 20, 300, 200, 0, 0, 1);
         window(-1, -1, 1, 1, 1);
         locate(5, 7, 0, 0, 0, 3);
       }},
      {"an image smaller than one character as the screen",
       [] {
         screen_set(new_image(8, 6, 13, 1), 0, 0, 0, 0, 1);
         write_image->data[47] = 9;
       }},
      {"a 32-bit image as the screen",
       [] {
         const int32_t handle = new_image(200, 100, 32, 1);
         screen_set(handle, 0, 0, 0, 0, 1);
         for (int32_t i = 0; i < 200 * 100 * 4; ++i) write_image->data[i] = static_cast<uint8_t>(i * 13);
         set_image_font(8, 0, 0);
       }},
  };
  // Written, received on the start-up screen and written again: the same bytes
  // (every page's contents and record, the pages chosen, the palette).
  for (const auto& s : screens) {
    SCOPED_TRACE(s.what);
    screen_tables_init();
    screen_first_mode();
    s.make();
    ASSERT_EQ(take_error(), 0);
    fs::current_path(scratch + "/sub");
    const std::string name = chain_file_write(scratch);
    ASSERT_FALSE(name.empty());
    const std::string sent = chain_file_bytes(scratch + "/sub");
    screen_tables_init();
    screen_first_mode();
    fs::current_path(scratch);
    EXPECT_EQ(receive(name), 0);
    EXPECT_EQ(fs::current_path(), scratch + "/sub");
    EXPECT_FALSE(fs::exists(scratch + "/" + name));
    EXPECT_TRUE(chain_file_bytes(scratch + "/sub") == sent);
  }
}

// Hand-made sections with some of the tags; each check looks at what its tags change.
TEST_F(Chain, EachTagAloneAndCombined) {
  std::vector<int32_t> palette_words{chain_tag_palette};
  for (int32_t i = 0; i < 256; ++i) palette_words.push_back(0xFF000000 | i * 0x010101);
  palette_words.push_back(chain_end_marker);
  const auto with = [](std::vector<int32_t> a, const std::vector<int32_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  const struct {
    const char* what;
    std::vector<int32_t> section;
    bool palette_last;
    std::function<bool()> holds;
  } cases[] = {
      {"nothing", {}, false, [] { return start_up_screen(); }},
      {"mode", {chain_tag_mode, 13}, false, [] { return page(0)->mode == 13 && screen_pages.count == 1; }},
      {"mode 0 with a width", {chain_tag_mode, 0, chain_tag_width, 80, 50}, false,
       [] { return page(0)->height == 50 && page(0)->font == 8; }},
      {"an image", {chain_tag_image, 32, 2, 1}, false, [] { return page(0)->mode == 32 && page(0)->width == 2; }},
      {"font", {chain_tag_font, 14}, false, [] { return page(0)->font == 14 && page(0)->mode == 0; }},
      {"a loaded font number is passed over", {chain_tag_font, 40}, false, [] { return page(0)->font == 16; }},
      {"pages", {chain_tag_pages, 3, 5}, false,
       [] { return write_index == screen_pages.table[3] && display_link.shown_index.load() == screen_pages.table[5]; }},
      {"palette", palette_words, true,
       [] { return palette_get(page(0)->palette, 2) == 0xFF020202 && palette_get(page(7)->palette, 9) == 0xFF090909; }},
      {"mode, font, pages and palette", with({chain_tag_mode, 9, chain_tag_font, 8, chain_tag_pages, 0, 0}, palette_words),
       true,
       [] {
         return page(0)->mode == 9 && page(0)->font == 8 && write_index == screen_pages.table[0] &&
                palette_get(page(0)->palette, 3) == 0xFF030303;
       }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    screen_tables_init();
    screen_first_mode();
    write("chaintag.tmp", file_of(scratch + "/sub", c.section, c.palette_last));
    EXPECT_EQ(receive("chaintag.tmp"), 0);
    EXPECT_TRUE(c.holds());
    EXPECT_EQ(fs::current_path(), scratch + "/sub");
    fs::current_path(scratch);
  }
}

// A valid file made unsound in one place at a time.
TEST_F(Chain, DamagedFilesLeaveTheStartUpScreen) {
  screen_tables_init();
  screen_first_mode();
  screen_set(12, 0, 0, 0, 0, 1);
  const std::string good = chain_file_bytes(scratch + "/sub");
  // Offsets in the file written for SCREEN 12 with one page.
  const size_t dir_len = 4, section = 8 + (scratch + "/sub").size();
  const size_t page_number = section + 20, record = page_number + 4 + 640 * 480;
  const auto set = [](std::string s, size_t at, int32_t v) {
    for (int k = 0; k < 4; ++k) s[at + k] = static_cast<char>(static_cast<uint32_t>(v) >> (8 * k));
    return s;
  };
  const struct {
    const char* what;
    std::string bytes;
    int32_t error;
  } cases[] = {
      {"ends in the directory", good.substr(0, section - 3), err_input_past_end_of_file},
      {"ends in the page", good.substr(0, record - 100), err_input_past_end_of_file},
      {"ends before item 5", good.substr(0, good.size() - 2), err_input_past_end_of_file},
      {"directory length beyond a path", set(good, dir_len, 0x7FFFFFFF), err_illegal_function_call},
      {"negative directory length", set(good, dir_len, -1), err_illegal_function_call},
      {"no such mode", set(good, section + 4, 5), err_illegal_function_call},
      {"a mode that is an image handle", set(good, section + 4, -2), err_illegal_function_call},
      {"page number beyond any page", set(good, page_number, 1 << 24), err_illegal_function_call},
      {"negative page number", set(good, page_number, -1), err_illegal_function_call},
      {"record of another layout", set(good, record, 7), err_illegal_function_call},
      {"record of another shape", set(good, record + 4 * 2, 320), err_illegal_function_call},
      {"cursor below the page", set(good, record + 4 * 14, 31), err_illegal_function_call},
      {"view port outside the page", set(good, record + 4 * 24, 640), err_illegal_function_call},
      {"font that does not exist", set(good, record + 4 * 10, 3), err_illegal_function_call},
      {"visual page never made", set(good, record + 4 * chain_record_words + 8, 4), err_illegal_function_call},
      {"image too large for the file", file_of("", {chain_tag_image, 32, 60000, 60000}), err_illegal_function_call},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    screen_tables_init();
    screen_first_mode();
    write("chainbad.tmp", c.bytes);
    EXPECT_EQ(receive("chainbad.tmp"), c.error);
    EXPECT_TRUE(start_up_screen());
    EXPECT_EQ(fs::current_path(), scratch);
    EXPECT_FALSE(fs::exists(scratch + "/chainbad.tmp"));
    EXPECT_EQ(command_line_text(), "one");
  }
}

TEST_F(Chain, OnlyARegularFileIsReadAndNothingWaits) {
  screen_tables_init();
  screen_first_mode();
  screen_set(12, 0, 0, 0, 0, 1);
  write("good.tmp", chain_file_bytes(scratch + "/sub"));
  const struct {
    const char* what;
    std::function<void()> make;  // makes chainodd.tmp
    bool stays;                  // a folder cannot be deleted as a file
  } cases[] = {
      {"FIFO", [&] { ASSERT_EQ(mkfifo((scratch + "/chainodd.tmp").c_str(), 0600), 0); }, false},
      {"link to a good file", [&] { fs::create_symlink(scratch + "/good.tmp", scratch + "/chainodd.tmp"); }, false},
      {"link to nothing", [&] { fs::create_symlink(scratch + "/none", scratch + "/chainodd.tmp"); }, false},
      {"folder", [&] { fs::create_directory(scratch + "/chainodd.tmp"); }, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    screen_tables_init();
    screen_first_mode();
    c.make();
    EXPECT_EQ(receive("chainodd.tmp"), err_illegal_function_call);
    EXPECT_TRUE(start_up_screen());
    EXPECT_EQ(fs::current_path(), scratch);
    EXPECT_EQ(fs::exists(fs::symlink_status(scratch + "/chainodd.tmp")), c.stays);
    EXPECT_TRUE(fs::exists(scratch + "/good.tmp"));  // what a link named is left alone
    fs::remove(scratch + "/chainodd.tmp");
  }
}

TEST_F(Chain, TheWriterRefusesADirectoryTheReaderWould) {
  screen_tables_init();
  screen_first_mode();
  // Deeper than the longest path, entered one part at a time.
  const std::string part(200, 'd');
  while (fs::current_path().string().size() <= static_cast<size_t>(chain_directory_max)) {
    fs::create_directory(part);
    fs::current_path(part);
  }
  EXPECT_EQ(chain_file_write(scratch), "");
  EXPECT_EQ(take_error(), err_illegal_function_call);
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(scratch)) left.push_back(e.path().filename());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{part, "sub"}));  // no chain file was made
  fs::current_path(scratch);
}

}  // namespace
