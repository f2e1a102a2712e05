#pragma once
// A scratch folder and environment variables that are put back after the test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "runtime/core/runtime_flags.h"

class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/quintaro_os_XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    scratch = name;
    pending_error.store(0);
    event_pending.store(0);
  }
  void TearDown() override {
    for (const auto& [name, value] : saved) {
      if (value)
        setenv(name.c_str(), value->c_str(), 1);
      else
        unsetenv(name.c_str());
    }
    std::error_code ignored;
    std::filesystem::permissions(scratch, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(scratch, ignored);
    pending_error.store(0);
    event_pending.store(0);
  }

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
  static int32_t take_error() {
    event_pending.store(0);
    return pending_error.exchange(0);
  }

  std::string scratch;
  std::map<std::string, std::optional<std::string>> saved;
};
