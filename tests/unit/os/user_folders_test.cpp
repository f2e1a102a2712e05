// The user's folders by name under a fake home, with and without the desktop's
// user-dirs.dirs, and the parsing of that file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/os/detail/os_internals.h"
#include "runtime/os/os.h"
#include "runtime/platform/user_dirs.h"
#include "tests/unit/os/os_test_support.h"

namespace {

class UserFolders : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    home = path("home");
    std::filesystem::create_directories(home);
    set_env("HOME", home.c_str());
    set_env("XDG_CONFIG_HOME", nullptr);
    set_env("XDG_DATA_HOME", nullptr);
  }
  std::string home;
};

struct folders {
  std::string documents, music, pictures, videos, downloads, desktop, config, data;
};

// Each name in the letter case it is written here, and in two others.
void expect_folders(const folders& f) {
  const struct {
    const char* name;
    const std::string& folder;
  } cases[] = {
      {"Text", f.documents},       {"my documents", f.documents}, {"MUSIC", f.music},
      {"Sounds", f.music},         {"camera roll", f.pictures},   {"Images", f.pictures},
      {"DCIM", f.pictures},        {"my videos", f.videos},       {"Movie", f.videos},
      {"downloads", f.downloads},  {"Download", f.downloads},     {"Desktop", f.desktop},
      {"AppData", f.config},       {"program data", f.config},    {"LocalAppData", f.data},
      {"local data", f.data},      {"no such folder", f.desktop}, {"", f.desktop},
  };
  for (const auto& c : cases) {
    std::string upper = c.name, lower = c.name;
    for (char& ch : upper) ch = static_cast<char>(toupper(ch));
    for (char& ch : lower) ch = static_cast<char>(tolower(ch));
    for (const std::string& name : {std::string(c.name), upper, lower})
      EXPECT_EQ(known_folder_path(name), c.folder) << name;
  }
}

TEST_F(UserFolders, WithoutUserDirsTheUsualFoldersUnderHome) {
  expect_folders({home + "/Documents/", home + "/Music/", home + "/Pictures/", home + "/Videos/",
                  home + "/Downloads/", home + "/Desktop/", home + "/.config/", home + "/.local/share/"});
  EXPECT_TRUE(std::filesystem::is_directory(home + "/Downloads"));  // made by the look-up
}

// The statement gives the path's text; a name with a zero byte or bytes above
// 127 is just an unknown name (the desktop folder).
TEST_F(UserFolders, StatementGivesThePathAsAString) {
  const struct {
    std::string name, folder;
  } cases[] = {{"Music", home + "/Music/"},
               {std::string("Mus\0ic", 6), home + "/Desktop/"},
               {"M\xFCsic", home + "/Desktop/"},
               {"", home + "/Desktop/"}};
  for (const auto& c : cases) {
    str_desc* got = known_folder(str_from_text(c.name.data(), static_cast<uint32_t>(c.name.size())));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(got->chars), got->len), c.folder);
  }
  EXPECT_EQ(error_report.pending.load(), 0);
}

TEST_F(UserFolders, UserDirsAndBaseDirectoriesDecide) {
  write_file("home/.config/user-dirs.dirs",
             "# written by the desktop\n"
             "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
             "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
             "XDG_MUSIC_DIR=\"/srv/musik\"\n"
             "XDG_PICTURES_DIR=\"$HOME/Bilder mit \\\"Anf\\\"\"\n"
             "XDG_VIDEOS_DIR=\"$HOME\"\n"
             "XDG_DOWNLOAD_DIR=\"$HOME/Neu/\"\n");
  set_env("XDG_DATA_HOME", (scratch + "/data").c_str());
  expect_folders({home + "/Dokumente/", "/srv/musik/", home + "/Bilder mit \"Anf\"/", home + "/",
                  home + "/Neu/", home + "/Schreibtisch/", home + "/.config/", scratch + "/data/"});
  EXPECT_TRUE(std::filesystem::is_directory(home + "/Neu"));
}

TEST_F(UserFolders, ConfigHomeMovesTheFileAndRelativeValuesAreIgnored) {
  write_file("cfg/user-dirs.dirs", "XDG_MUSIC_DIR=\"$HOME/Klang\"\n");
  set_env("XDG_CONFIG_HOME", (scratch + "/cfg").c_str());
  set_env("XDG_DATA_HOME", "relative/data");
  EXPECT_EQ(known_folder_path("music"), home + "/Klang/");
  EXPECT_EQ(known_folder_path("appdata"), scratch + "/cfg/");
  EXPECT_EQ(known_folder_path("local data"), home + "/.local/share/");
}

TEST(UserDirsText, OnlyWellFormedLinesCount) {
  const std::string home = "/home/u";
  const struct {
    const char* text;
    const char* folder;
  } cases[] = {
      {"XDG_MUSIC_DIR=\"$HOME/Music\"", "/home/u/Music"},
      {"  XDG_MUSIC_DIR = \"/abs\"  # trailing", "/abs"},
      {"XDG_MUSIC_DIR=\"$HOME/a\"\nXDG_MUSIC_DIR=\"$HOME/b\"", "/home/u/b"},  // the last one wins
      {"XDG_MUSIC_DIR=\"$HOME/a\"\nXDG_MUSIC_DIR=\"relative\"", "/home/u/a"},
      {"XDG_MUSIC_DIRX=\"/x\"", ""},
      {"XDG_MUSIC_DIR=\"$HOMEX/x\"", ""},
      {"XDG_MUSIC_DIR=\"/no/closing/quote", ""},
      {"XDG_MUSIC_DIR=/unquoted", ""},
      {"# XDG_MUSIC_DIR=\"/commented\"", ""},
      {"XDG_MUSIC_DIR=\"/ends/in/backslash\\", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(user_dir_from_text(c.text, "XDG_MUSIC_DIR", home), c.folder) << c.text;
  EXPECT_EQ(user_dir_from_text("XDG_MUSIC_DIR=\"$HOME/x\"", "XDG_MUSIC_DIR", ""), "");  // no home to put in
}

}  // namespace
