// SHELL: the split of a command, the launch rule's choice between the
// interpreter and the opener, and real commands with their exit statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "runtime/display/full_screen_state.h"
#include "runtime/os/shell_command.h"
#include "runtime/os/shell_state.h"
#include "runtime/strings/string_engine.h"
#include "tests/unit/os/os_test_support.h"

namespace fs = std::filesystem;
using argv_list = std::vector<std::string>;

namespace {

class Shell : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    if (!permanent_empty_string) strings_init();
    mark = str_temp_mark();
    start_dir = fs::current_path();
  }
  void TearDown() override {
    fs::current_path(start_dir);
    str_cleanup(mark);
    ScratchFolderTest::TearDown();
  }
  static str_desc* arg(const std::string& t) { return str_from_text(t.data(), static_cast<uint32_t>(t.size())); }
  uint32_t mark = 0;
  fs::path start_dir;
};

TEST(SplitCommand, AtTheFirstSpaceOutsideQuotes) {
  const struct {
    const char* command;
    const char* file;
    const char* parameters;
  } cases[] = {
      {"notepad readme.txt", "notepad", "readme.txt"},
      {"\"/opt/my player/play\" song one.mp3", "\"/opt/my player/play\"", "song one.mp3"},
      {"dir", "dir", ""},
      {" leading", "", "leading"},
      {"a\"b c\"d e", "a\"b c\"d", "e"},
      {"\"unclosed quote and spaces", "\"unclosed quote and spaces", ""},
  };
  for (const auto& c : cases) {
    const command_parts parts = split_command(c.command);
    EXPECT_EQ(parts.file, c.file) << c.command;
    EXPECT_EQ(parts.parameters, c.parameters) << c.command;
  }
}

TEST_F(Shell, LaunchRuleOpensDocumentsAndRunsEverythingElseInTheInterpreter) {
  for (const char* f : {"doc.txt", "my doc.txt", "-dash.txt", "a;touch b.txt", "type", "echo", "dir/x"}) write_file(f);
  write_file("prog");
  chmod(path("prog").c_str(), 0755);
  fs::current_path(scratch);
  const std::string doc = path("doc.txt");
  const struct {
    std::string command;
    argv_list argv;
  } cases[] = {
      {"doc.txt", {"xdg-open", "doc.txt"}},
      {doc, {"xdg-open", doc}},
      {"\"" + path("my doc.txt") + "\"", {"xdg-open", path("my doc.txt")}},
      {"\"my doc.txt\" --page 2", {"xdg-open", "my doc.txt"}},  // the first part names a document
      {"my doc.txt", {"xdg-open", "my doc.txt"}},                // the whole text names it
      {"my other.txt", {"/bin/sh", "-c", "my other.txt"}},       // neither whole nor "my" names a file
      {"-dash.txt", {"xdg-open", "./-dash.txt"}},                // never read as an option
      {"a;touch b.txt", {"xdg-open", "a;touch b.txt"}},          // one argument, no shell
      {"./prog doc.txt", {"/bin/sh", "-c", "./prog doc.txt"}},   // a program with a document
      {"dir", {"/bin/sh", "-c", "dir"}},                         // a folder is no document
      {"type", {"/bin/sh", "-c", "type"}},                       // the interpreter's own words
      {"echo hello", {"/bin/sh", "-c", "echo hello"}},
      {"exit 7", {"/bin/sh", "-c", "exit 7"}},
      {"", {"/bin/sh", "-c", ""}},
  };
  for (const auto& c : cases) EXPECT_EQ(shell_launch_argv(c.command), c.argv) << c.command;
  EXPECT_EQ(cmd_available, 1);
}

TEST_F(Shell, WaitingFormsReturnTheExitStatus) {
  const struct {
    const char* command;
    int32_t form;
    int32_t result;
  } cases[] = {
      {"exit 7", shell_hide, 7},
      {"kill -9 $$", shell_hide, 128 + 9},  // ended by a signal, as shells report it
      {"true", shell_hide, 0},
      {"exec no-such-program-here", shell_hide, 127},
      {"exit 3", shell_hide | shell_dont_wait, 1},  // started
      {"exit 0", 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(shell_function(arg(c.command), c.form), c.result) << c.command;
    EXPECT_EQ(take_error(), 0);
  }
  EXPECT_EQ(shell_function(arg(std::string("exit 1\0; rm -rf x", 17)), shell_hide), 0);
  EXPECT_EQ(take_error(), 5);

  // A document with no opener on PATH: nothing starts.
  write_file("doc.txt");
  set_env("PATH", path("empty").c_str());
  EXPECT_EQ(shell_function(arg(path("doc.txt")), shell_hide), -1);
  EXPECT_EQ(shell_function(arg(path("doc.txt")), shell_hide | shell_dont_wait), 0);
}

TEST_F(Shell, RunningFlagAndFullScreenAroundAShownWait) {
  // A stand-in for the window thread: carries out full-screen requests and
  // notes each one, and notes whether the running flag was seen.
  std::atomic<bool> stop{false}, saw_running{false};
  std::vector<int32_t> requests;
  full_screen_mode.store(2);
  full_screen_request.store(-1);
  std::thread window([&] {
    while (!stop.load()) {
      const int32_t r = full_screen_request.load();
      if (r != -1) {
        requests.push_back(r);
        full_screen_mode.store(r);
        full_screen_request.store(-1);
      }
      if (shell_running.load() != 0) saw_running = true;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  EXPECT_EQ(shell_function(arg("sleep 0.2"), 0), 0);
  EXPECT_EQ(shell_running.load(), 0);
  EXPECT_EQ(shell_function(arg("true"), shell_hide), 0);  // hidden: full screen stays
  stop = true;
  window.join();
  EXPECT_EQ(requests, (std::vector<int32_t>{0, 2}));
  EXPECT_EQ(full_screen_mode.load(), 2);
  EXPECT_TRUE(saw_running.load());
  full_screen_mode.store(0);
}

}  // namespace
