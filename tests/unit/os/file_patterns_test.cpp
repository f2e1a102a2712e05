// The file-name pattern matcher and the layout of FILES entries.
#include <gtest/gtest.h>

#include <string>

#include "runtime/os/detail/os_internals.h"

namespace {

TEST(PatternMatches, StarsQuestionMarksDotsAndCase) {
  const struct {
    const char* mask;
    const char* name;
    bool matches;
  } cases[] = {
      {"*", "anything.txt", true},
      {"*", ".profile", true},          // dot files are listed like any other name
      {"*.*", "README", true},          // with or without a dot
      {"*.*", "notes.txt", true},
      {"*.*", ".profile", true},
      {"*.tmp", "a.tmp", true},
      {"*.tmp", ".tmp", true},
      {"*.tmp", "a.tmp.bak", false},
      {"*.tmp", "a.TMP", false},        // case matters, as the file system stores names
      {"REPORT.*", "REPORT", true},     // a trailing ".*" may also match nothing
      {"REPORT.*", "REPORT.2024.txt", true},
      {"REPORT.*", "REPORTS", false},
      {"?.txt", "a.txt", true},
      {"?.txt", ".txt", false},         // "?" is exactly one character
      {"?.txt", "ab.txt", false},
      {"a?c", "a.c", true},
      {"*a*b", "xaxxbxb", true},        // the last star takes more after a false start
      {"*a*b", "xaxxbxc", false},
      {"a*", "a", true},
      {"", "", true},
      {"", "a", false},
      {"abc", "ab", false},
      {"***", "", true},
  };
  for (const auto& c : cases) EXPECT_EQ(pattern_matches(c.mask, c.name), c.matches) << c.mask << " / " << c.name;
}

TEST(PatternMatches, StaysFastOnStarHeavyMasks) {
  // Trying every way to share the name among twenty stars would never end.
  std::string mask;
  for (int i = 0; i < 20; ++i) mask += "*a";
  EXPECT_FALSE(pattern_matches(mask + "*c", std::string(4000, 'a')));
  EXPECT_TRUE(pattern_matches(mask + "*", std::string(4000, 'a')));
}

TEST(FilesEntryText, NamesOfOneToTwentyCharacters) {
  const struct {
    const char* name;
    bool directory;
    const char* text;
  } cases[] = {
      {"A", false, "A                 "},
      {"AB.C", false, "AB      .C        "},
      {"README", true, "README      <DIR> "},
      {"notes.txt", false, "notes   .txt      "},
      {"ABCDEFGH.TXT", false, "ABCDEFGH.TXT      "},  // 12 characters: whole, unpadded
      {"ABCDEFG.TXT", false, "ABCDEFG .TXT      "},
      {"ABCDEFGHI.X", false, "ABCDEFGHI.X       "},  // base of 9: not the 8.3 shape, kept whole
      {"a.bcde", false, "a.bcde            "},    // extension of 4: kept whole
      {"a.b.c", false, "a       .b.c      "},
      {".", true, ".           <DIR> "},
      {"..", true, "..          <DIR> "},
      {".profile", false, ".profile          "},
      {".cfg.bak", false, ".cfg    .bak      "},
      {"archive.tar.gz", false, "archive.tar.gz      "},
      {"twenty-characters-xx", false, "twenty-characters-xx      "},
      {"tab\there", false, "tab?here          "},  // control characters never act on the screen
  };
  for (const auto& c : cases) EXPECT_EQ(files_entry_text(c.name, c.directory), c.text) << c.name;
  for (size_t n = 1; n <= 20; ++n) {
    const std::string name(n, 'x');
    EXPECT_EQ(files_entry_text(name, false).size(), std::max<size_t>(n, 12) + 6) << n;
  }
}

}  // namespace
