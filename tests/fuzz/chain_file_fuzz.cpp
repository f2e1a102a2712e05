// Random and mutated chain files received as a chained program receives them,
// in a private folder, from the start-up text screen. Besides not crashing,
// hanging or reading past the file: the file is always deleted, the only
// errors are the ones a damaged or odd file may give, and after a damaged one
// the screen is the start-up screen again. Once per process it also receives
// the names no writer makes, a FIFO, symbolic links and a folder: each is
// refused at once as a damaged file, never waited on or followed.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/gpu/gpu.h"
#include "runtime/os/detail/chain_file.h"
#include "runtime/os/os.h"
#include "runtime/screen/screen.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

const char file_name[] = "chainfz0.tmp";
std::string folder;
std::string own_folder;  // where the fuzzer reads and writes its corpus

void start_once() {
  static const bool started = [] {
    hardware_images_init();
    char cwd[4096];
    FUZZ_CHECK(getcwd(cwd, sizeof cwd) != nullptr);
    own_folder = cwd;
    char name[] = "/tmp/quintaro_chain_fuzz_XXXXXX";
    FUZZ_CHECK(mkdtemp(name) != nullptr);
    folder = name;
    return true;
  }();
  (void)started;
}

bool start_up_screen() {
  const image_record* p = image_at(screen_pages.table[0]);
  return p->mode == 0 && p->width == 80 && p->height == 25 && p->font == 16 && write_index == screen_pages.table[0];
}

void set_command_line() {
  const std::string line = "arg " + std::string(chain_marker) + file_name;
  invocation.command_line = str_new(static_cast<uint32_t>(line.size()), false);
  std::memcpy(invocation.command_line->chars, line.data(), line.size());
}

void receive_odd_files() {
  static bool done = false;
  if (done) return;
  done = true;
  FUZZ_CHECK(chdir(folder.c_str()) == 0);
  screen_tables_init();
  screen_first_mode();
  std::FILE* good = std::fopen("good.tmp", "wb");
  FUZZ_CHECK(good != nullptr);
  const std::string bytes = chain_file_bytes(folder);
  FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), good) == bytes.size());
  std::fclose(good);
  for (int kind = 0; kind < 4; ++kind) {
    screen_tables_init();
    screen_first_mode();
    if (kind == 0) FUZZ_CHECK(mkfifo(file_name, 0600) == 0);
    if (kind == 1) FUZZ_CHECK(symlink("good.tmp", file_name) == 0);
    if (kind == 2) FUZZ_CHECK(symlink("none.tmp", file_name) == 0);
    if (kind == 3) FUZZ_CHECK(mkdir(file_name, 0700) == 0);
    set_command_line();
    chain_receive();
    FUZZ_CHECK(error_report.pending.exchange(0) == 5);
    FUZZ_CHECK(start_up_screen());
    FUZZ_CHECK(command_line_text() == "arg");
    str_free(invocation.command_line);
    invocation.command_line = nullptr;
    if (kind == 3) FUZZ_CHECK(rmdir(file_name) == 0);
    FUZZ_CHECK(access(file_name, F_OK) != 0);
  }
  FUZZ_CHECK(unlink("good.tmp") == 0);
  FUZZ_CHECK(chdir(own_folder.c_str()) == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz_begin();
  start_once();
  const uint32_t mark = str_temp_mark();
  receive_odd_files();
  screen_tables_init();
  screen_first_mode();
  FUZZ_CHECK(chdir(folder.c_str()) == 0);
  FILE* f = std::fopen(file_name, "wb");
  FUZZ_CHECK(f != nullptr);
  if (size) FUZZ_CHECK(std::fwrite(data, 1, size, f) == size);
  std::fclose(f);

  set_command_line();
  chain_receive();

  const int32_t error = error_report.pending.load();
  // 62 and 5: a damaged file; 7: a screen too large for memory; 64 and 76:
  // a directory text the system will not take or that does not exist here.
  FUZZ_CHECK(error == 0 || error == 5 || error == 7 || error == 62 || error == 64 || error == 76 || error == 75);
  if (error == 5 || error == 62) FUZZ_CHECK(start_up_screen());
  FUZZ_CHECK(chdir(folder.c_str()) == 0);
  FUZZ_CHECK(access(file_name, F_OK) != 0);
  FUZZ_CHECK(command_line_text() == "arg");
  str_free(invocation.command_line);
  invocation.command_line = nullptr;
  FUZZ_CHECK(chdir(own_folder.c_str()) == 0);
  fuzz_end(mark);
  return 0;
}
