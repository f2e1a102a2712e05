// OPEN, CLOSE and FREEFILE: the number table, the opening rules of each kind,
// names, the sharing rules between two opens and the errno table.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>

#include "runtime/os/detail/file_bytes.h"
#include "runtime/os/detail/file_errors.h"
#include "tests/unit/os/file_test_support.h"

namespace {

TEST_F(file_test, freefile_finds_the_lowest_free_number) {
  ASSERT_EQ(open("a", k_output, 1), 0);
  ASSERT_EQ(open("b", k_output, 3), 0);
  EXPECT_EQ(file_freefile(), 2);
  ASSERT_EQ(open("c", k_output, 2), 0);
  EXPECT_EQ(file_freefile(), 4);
  file_close(2, 1);
  EXPECT_EQ(file_freefile(), 2);
  file_close(42, 1);  // never opened: nothing happens
  file_close(-5, 1);
  EXPECT_EQ(take_error(), 0);
}

TEST_F(file_test, numbers_reach_two_billion_without_a_table_that_size) {
  ASSERT_EQ(open("far", k_output, 2000000000), 0);
  ASSERT_EQ(open("top", k_output, 2147483647), 0);
  print(2000000000, "far away");
  EXPECT_EQ(file_number_state(2000000000), 1);
  EXPECT_EQ(file_number_state(1999999999), 0);
  EXPECT_EQ(file_freefile(), 1);
  file_close(2000000000, 1);
  EXPECT_EQ(contents("far"), "far away\r\n");
  EXPECT_EQ(file_number_state(2000000000), 0);
}

TEST_F(file_test, an_open_number_stays_with_its_first_file) {
  ASSERT_EQ(open("first", k_output, 1), 0);
  EXPECT_EQ(open("second", k_output, 1), 55);
  EXPECT_FALSE(exists("second"));
  print(1, "still here");
  file_close(1, 1);
  EXPECT_EQ(contents("first"), "still here\r\n");
  EXPECT_EQ(open("x", k_output, 0), 52);
  EXPECT_EQ(open("x", k_output, -3), 52);
}

TEST_F(file_test, opening_rules_of_each_kind) {
  make("old", "0123456789");
  struct row {
    const char* what;
    const char* name;
    int32_t kind;
    int32_t error;
    const char* after;  // the file's bytes after PRINT #1, "new" (when open), or null: no file
  } rows[] = {
      {"INPUT of a missing file", "missing", k_input, 53, nullptr},
      {"INPUT in a missing folder", "no/such/file", k_input, 76, nullptr},
      {"OUTPUT in a missing folder", "no/such/file", k_output, 76, nullptr},
      {"OUTPUT creates", "created", k_output, 0, "new\r\n"},
      {"OUTPUT empties", "old", k_output, 0, "new\r\n"},
      {"APPEND after the last byte", "old", k_append, 0, "0123456789new\r\n"},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.what);
    make("old", "0123456789");
    EXPECT_EQ(open(r.name, r.kind, 1), r.error);
    if (r.error == 0) {
      print(1, "new");
      EXPECT_EQ(take_error(), 0);
      file_close(1, 1);
    }
    EXPECT_EQ(file_number_state(1), 0);
    if (r.after)
      EXPECT_EQ(contents(r.name), r.after);
    else
      EXPECT_FALSE(exists(r.name));
  }
}

TEST_F(file_test, names_with_backslashes_are_paths_and_bad_names_are_refused) {
  std::filesystem::create_directory(path("sub"));
  const std::string backslashed = dir + "\\sub\\file.txt";
  file_open(str_from_text(backslashed.data(), static_cast<uint32_t>(backslashed.size())), k_output, 0, 0, 1, 0, 0);
  ASSERT_EQ(take_error(), 0);
  print(1, "x");
  file_close(1, 1);
  EXPECT_EQ(contents("sub/file.txt"), "x\r\n");

  // A disk file whose name starts with COM; the serial names that do not parse.
  EXPECT_EQ(open("comments.txt", k_output, 1), 0);
  const std::string nul_name = path("a") + std::string(1, '\0') + "b";
  file_open(str_from_text(nul_name.data(), static_cast<uint32_t>(nul_name.size())), k_output, 0, 0, 2, 0, 0);
  EXPECT_EQ(take_error(), 64);
  for (const char* bad : {"COM0:", "COM07:", "COM256", "COM1:9600,X", "COM1:9600,N,9", "COM1:9600,N,8,3",
                          "COM1:9600,N,8,1,ZZ", "COM1:abc"})
    EXPECT_EQ(open(bad, k_random, 3), 64) << bad;
  EXPECT_EQ(file_number_state(3), 0);
}

TEST_F(file_test, open_arguments_outside_their_range) {
  EXPECT_EQ(open("a", k_random, 1, 0, 0, 0), 5);
  EXPECT_EQ(open("a", k_random, 1, 0, 0, -2), 5);
  EXPECT_FALSE(exists("a"));
  const auto letter = [&](const char* mode) {
    const std::string name = path("b");
    file_open_letter(str_from_cstr(mode), 1, str_from_text(name.data(), static_cast<uint32_t>(name.size())), 0, 0);
    const int32_t e = take_error();
    file_close(1, 1);
    return e;
  };
  EXPECT_EQ(letter(""), 54);
  EXPECT_EQ(letter("x"), 54);
  EXPECT_EQ(letter("o"), 0);
  EXPECT_EQ(letter("Random"), 0);
}

TEST_F(file_test, lock_clauses_between_two_opens) {
  enum { none = 0, shared = 1, lock_rw = 2, lock_r = 3, lock_w = 4 };
  enum { any = 0, read_write = 1, read = 2, write = 3 };
  struct row {
    int32_t first_kind, first_access, first_lock;
    int32_t second_kind, second_access, second_lock;
    int32_t error;
  } rows[] = {
      {k_binary, any, none, k_binary, any, none, 0},
      {k_binary, any, shared, k_input, any, shared, 0},
      {k_binary, any, lock_rw, k_input, any, none, 70},
      {k_binary, any, lock_rw, k_append, any, none, 70},
      {k_binary, any, lock_r, k_input, any, none, 70},
      {k_binary, any, lock_r, k_append, any, none, 0},
      {k_binary, any, lock_w, k_input, any, none, 0},
      {k_binary, any, lock_w, k_append, any, none, 70},
      // The second open forbids what the first already does.
      {k_input, any, none, k_binary, any, lock_r, 70},
      {k_input, any, none, k_binary, any, lock_w, 0},
      {k_append, any, none, k_binary, any, lock_w, 70},
      {k_binary, read, none, k_binary, any, lock_w, 0},
      {k_binary, write, none, k_binary, read, lock_w, 70},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(testing::Message() << r.first_kind << "/" << r.first_access << "/" << r.first_lock << " then "
                                    << r.second_kind << "/" << r.second_access << "/" << r.second_lock);
    make("shared", "data");
    ASSERT_EQ(open("shared", r.first_kind, 1, r.first_access, r.first_lock), 0);
    EXPECT_EQ(open("shared", r.second_kind, 2, r.second_access, r.second_lock), r.error);
    EXPECT_EQ(file_number_state(2), r.error == 0 ? 1 : 0);
    file_close(0, 0);
  }
}

TEST_F(file_test, a_refused_output_open_leaves_the_file_as_it_was) {
  make("kept", "precious");
  ASSERT_EQ(open("kept", k_input, 1, 0, 2), 0);
  EXPECT_EQ(open("kept", k_output, 2), 70);
  file_close(1, 1);
  EXPECT_EQ(contents("kept"), "precious");
}

TEST_F(file_test, a_failed_write_is_a_numbered_error) {
  // The device that is always full: the buffered bytes fail at CLOSE.
  file_open(str_from_cstr("/dev/full"), k_output, 0, 0, 1, 0, 0);
  ASSERT_EQ(take_error(), 0);
  print(1, "lost");
  EXPECT_EQ(take_error(), 0);
  file_close(1, 1);
  EXPECT_EQ(take_error(), 61);
  EXPECT_EQ(file_number_state(1), 0);
}

TEST_F(file_test, another_programs_lock_on_the_whole_file_is_a_conflict_at_once) {
  make("held", "data");
  const int other = ::open(path("held").c_str(), O_RDONLY);
  ASSERT_GE(other, 0);
  ASSERT_EQ(flock(other, LOCK_EX), 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(open("held", k_input, 1), 70);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  EXPECT_EQ(file_number_state(1), 0);
  flock(other, LOCK_UN);
  EXPECT_EQ(open("held", k_input, 1), 0);
  close(other);
}

// OPEN never waits: a named pipe nobody has open at the other end opens for
// INPUT (and reads nothing) or is refused for OUTPUT, at once. In a child
// process, so that an OPEN that never returns fails the test.
TEST_F(file_test, an_open_never_waits_for_the_other_end_of_a_pipe) {
  ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
  const auto start = std::chrono::steady_clock::now();
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const int32_t output = open("pipe", k_output, 2);
    const int32_t input = open("pipe", k_input, 1);
    _exit(input == 0 && output == 68 ? 0 : 1);
  }
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(10)) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      FAIL() << "OPEN waited";
    }
    usleep(5000);
  }
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

// Whatever the buffers hold, each statement acts as if every earlier one had
// gone straight to the file.
TEST_F(file_test, two_numbers_on_one_file_see_each_others_statements) {
  // PUT 8 bytes, then OUTPUT on the same file: OUTPUT leaves it empty.
  ASSERT_EQ(open("f", k_binary, 1), 0);
  put_bytes(1, 0, 0, "8 bytes!", 8);
  ASSERT_EQ(open("f", k_output, 2), 0);
  file_close(0, 0);
  EXPECT_EQ(take_error(), 0);
  EXPECT_EQ(contents("f"), "");

  // What #1 read before OUTPUT emptied the file is gone with it.
  make("f", "old data\r\n");
  ASSERT_EQ(open("f", k_input, 1), 0);
  str_desc* v = str_new(0, false);
  input_string_from_file(1, v);
  EXPECT_EQ(text_of(v), "old data");
  file_seek_statement(1, 1);
  ASSERT_EQ(open("f", k_output, 2), 0);
  input_string_from_file(1, v);
  EXPECT_EQ(take_error(), 62);
  str_free(v);
  file_close(0, 0);

  // OUTPUT ACCESS READ cannot empty a file that has bytes, buffered or not.
  ASSERT_EQ(open("f", k_output, 1), 0);
  print(1, "hello");
  EXPECT_EQ(open("f", k_output, 2, 2), 53);
  file_close(1, 1);
  EXPECT_EQ(contents("f"), "hello\r\n");
}

TEST_F(file_test, input_access_write_looks_at_the_first_byte_only_when_there_is_one) {
  make("empty", "");
  EXPECT_EQ(open("empty", k_input, 1, 3), 0);
  EXPECT_EQ(file_number_state(1), 1);
}

// Past the process's file-size limit the bytes are refused with 75, by the
// statement that finds it or the CLOSE after; the process goes on. In a
// child process, which sets the limit.
TEST_F(file_test, a_file_size_limit_is_error_75) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const rlimit limit{1000, 1000};
    setrlimit(RLIMIT_FSIZE, &limit);
    if (open("big", k_output, 1) != 0) _exit(1);
    int32_t first = 0;
    for (int i = 0; i < 200 && first == 0; ++i) {
      print(1, std::string(99, 'x'));
      first = take_error();
    }
    file_close(1, 1);
    if (first == 0) first = take_error();
    _exit(first);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 75);
}

TEST(file_errors, errno_table) {
  struct row {
    int system_error;
    bool parent_exists;
    int32_t error;
  } rows[] = {
      {ENOENT, true, 53},  {ENOENT, false, 76}, {ENOTDIR, true, 76}, {EACCES, true, 70}, {EPERM, true, 70},
      {EROFS, true, 70},   {EAGAIN, true, 70},  {EISDIR, true, 70},  {ETXTBSY, true, 70}, {ENXIO, true, 68},
      {ENODEV, true, 68},  {ENOSPC, true, 61},  {EMFILE, true, 53},  {EIO, true, 53},    {ELOOP, true, 53},
  };
  for (const row& r : rows) EXPECT_EQ(open_error_number(r.system_error, r.parent_exists), r.error) << r.system_error;

  EXPECT_EQ(byte_error_number(byte_result_of(EACCES)), 70);
  EXPECT_EQ(byte_error_number(byte_result_of(ENOSPC)), 61);
  EXPECT_EQ(byte_error_number(byte_result_of(EIO)), 75);
  EXPECT_EQ(byte_error_number(byte_not_open), 258);
  EXPECT_EQ(byte_error_number(byte_not_allowed), 54);
  EXPECT_EQ(byte_error_number(byte_negative), 5);
  EXPECT_EQ(byte_error_number(byte_short_write), 75);
}

}  // namespace
