// CHAIN that cannot hand over: the program is missing, may not run, or the
// system refuses to start it after the chain file was written. Each is its
// error, the program goes on, and no chain file is left behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/host/host.h"
#include "runtime/os/os.h"
#include "tests/unit/screen/screen_fixture.h"

namespace fs = std::filesystem;

namespace {

class ChainStatement : public ScreenTest {};

TEST_F(ChainStatement, FailuresAreErrorsAndLeaveNoChainFile) {
  char name[] = "/tmp/quintaro_chain_run_XXXXXX";
  ASSERT_NE(mkdtemp(name), nullptr);
  const std::string folder = name;
  const auto make = [&](const std::string& file, const std::string& text, mode_t mode) {
    std::ofstream(folder + "/" + file) << text;
    chmod((folder + "/" + file).c_str(), mode);
  };
  make("plain", "not a program\n", 0644);
  make("no_format", "no interpreter line, no machine code\n", 0755);  // exec gives ENOEXEC
  fs::create_directory(folder + "/folder");
  const struct {
    std::string program;
    int32_t error;
  } cases[] = {
      {folder + "/missing", err_file_not_found},
      {folder + "/plain", err_path_file_access_error},
      {folder + "/folder", err_path_file_access_error},
      {folder + "/no_format", err_path_file_access_error},
      {std::string("a\0b", 3), err_bad_file_name},
      {"", err_file_not_found},
  };
  for (const auto& c : cases) {
    chain_statement(text(c.program));
    EXPECT_EQ(take_error(), c.error) << c.program;
    for (const auto& e : fs::directory_iterator(folder))
      EXPECT_EQ(e.path().filename().string().rfind("chain", 0), std::string::npos) << c.program;
  }
  fs::remove_all(folder);
}

}  // namespace
