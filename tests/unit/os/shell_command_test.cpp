// SHELL: the launch rule's choice between the interpreter and the opener, and
// the commands it refuses or cannot start. Exit statuses, streams, reaping and
// full screen are checked end to end (tests/e2e/test_shell.py).
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "runtime/os/detail/os_internals.h"
#include "runtime/os/os.h"
#include "tests/unit/os/os_test_support.h"

namespace fs = std::filesystem;
using argv_list = std::vector<std::string>;

namespace {

using Shell = ScratchFolderTest;

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
      {"\"my doc.txt\" --page 2", {"xdg-open", "my doc.txt"}},        // the first part names a document
      {"my doc.txt", {"xdg-open", "my doc.txt"}},                     // the whole text names it
      {"my other.txt", {"/bin/sh", "-c", "--", "my other.txt"}},      // neither whole nor "my" names a file
      {"-dash.txt", {"xdg-open", "./-dash.txt"}},                     // never read as an option
      {"a;touch b.txt", {"xdg-open", "a;touch b.txt"}},               // one argument, no shell
      {"./prog doc.txt", {"/bin/sh", "-c", "--", "./prog doc.txt"}},  // a program with a document
      {"dir", {"/bin/sh", "-c", "--", "dir"}},                        // a folder is no document
      {"type", {"/bin/sh", "-c", "--", "type"}},                      // the interpreter's own words
      {"echo hello", {"/bin/sh", "-c", "--", "echo hello"}},
      {"exit 7", {"/bin/sh", "-c", "--", "exit 7"}},
      {"", {"/bin/sh", "-c", "--", ""}},
      {"-x echo hi", {"/bin/sh", "-c", "--", "-x echo hi"}},          // a command, never options
  };
  for (const auto& c : cases) EXPECT_EQ(shell_launch_argv(c.command), c.argv) << c.command;
  EXPECT_EQ(shell_state.cmd_available, 1);
}

TEST_F(Shell, RefusedCommandsAndFailedLaunches) {
  // A zero byte would cut the command short and run only its start.
  EXPECT_EQ(shell_function(arg(std::string("exit 1\0; rm -rf x", 17)), shell_hide), 0);
  EXPECT_EQ(take_error(), 5);
  // A document with no opener on PATH: nothing starts, and the result says so.
  write_file("doc.txt");
  set_env("PATH", path("empty").c_str());
  EXPECT_EQ(shell_function(arg(path("doc.txt")), shell_hide), -1);
  EXPECT_EQ(shell_function(arg(path("doc.txt")), shell_hide | shell_dont_wait), 0);
  EXPECT_EQ(shell_function(arg("exit 7"), shell_hide), 7);  // the interpreter is found by its full path
  EXPECT_EQ(shell_function(arg("-x echo hi"), shell_hide), 127);  // no such command, not an option
  EXPECT_EQ(take_error(), 0);
}

TEST_F(Shell, CommandsGetDefaultSignalsWhateverTheRuntimeBlocksOrIgnores) {
  // The runtime may block signals in every thread (one thread takes them with
  // sigwait) and ignores Ctrl+C while it waits; a command must still die of a
  // signal sent to it, as it would when started from a terminal.
  const struct {
    int signal;
    const char* name;
  } cases[] = {{SIGTERM, "TERM"}, {SIGINT, "INT"}, {SIGHUP, "HUP"}, {SIGUSR1, "USR1"}};
  sigset_t blocked, old_mask;
  sigemptyset(&blocked);
  struct sigaction ignore {}, old_actions[4];
  ignore.sa_handler = SIG_IGN;
  for (size_t i = 0; i < 4; ++i) {
    sigaddset(&blocked, cases[i].signal);
    sigaction(cases[i].signal, &ignore, &old_actions[i]);
  }
  pthread_sigmask(SIG_BLOCK, &blocked, &old_mask);
  for (const auto& c : cases) {
    const std::string command = std::string("kill -") + c.name + " $$; exit 3";
    EXPECT_EQ(shell_function(arg(command), shell_hide), 128 + c.signal) << c.name;
  }
  EXPECT_EQ(take_error(), 0);
  // The signals the runtime set aside stay as they were.
  sigset_t now;
  pthread_sigmask(SIG_SETMASK, &old_mask, &now);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(sigismember(&now, cases[i].signal)) << cases[i].name;
    struct sigaction current {};
    sigaction(cases[i].signal, &old_actions[i], &current);
    EXPECT_EQ(current.sa_handler, SIG_IGN) << cases[i].name;
  }
}

}  // namespace
