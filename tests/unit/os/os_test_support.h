#pragma once
// The OS tests' fixture: a scratch folder, environment variables and the
// current directory put back after the test, and string arguments released.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "runtime/core/core.h"
#include "runtime/strings/strings.h"

class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quintaro_os_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    scratch = name;
    start_dir = std::filesystem::current_path();
    if (!data_segment.empty_string) strings_init();
    mark = str_temp_mark();
    take_error();
  }
  void TearDown() override {
    for (const auto& [name, value] : saved) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    std::filesystem::current_path(start_dir);
    std::error_code ignored;
    std::filesystem::remove_all(scratch, ignored);
    str_cleanup(mark);
    take_error();
  }

  // Sets (value) or removes (null) a variable until the end of the test.
  void set_env(const std::string& name, const char* value) {
    if (!saved.count(name)) {
      const char* old = getenv(name.c_str());
      saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    if (value)
      setenv(name.c_str(), value, 1);
    else
      unsetenv(name.c_str());
  }

  std::string path(const std::string& relative) const { return scratch + "/" + relative; }
  void write_file(const std::string& relative, const std::string& text = "") const {
    std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
    std::ofstream(path(relative), std::ios::binary) << text;
  }
  static str_desc* arg(const std::string& t) { return str_from_text(t.data(), static_cast<uint32_t>(t.size())); }
  static std::string text(const str_desc* s) { return std::string(reinterpret_cast<const char*>(s->chars), s->len); }
  // The error the last operation raised, cleared for the next one.
  static int32_t take_error() {
    run_flags.event_pending.store(0);
    return error_report.pending.exchange(0);
  }

  std::string scratch;
  std::filesystem::path start_dir;
  uint32_t mark = 0;
  std::map<std::string, std::optional<std::string>> saved;
};
