#pragma once
// Shared by the file tests: a fresh file table and string engine in a private
// folder, whole-file reads and writes, and short ways to call the statements.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/core/core.h"
#include "runtime/os/detail/file_records.h"
#include "runtime/os/os.h"
#include "tests/unit/strings/string_test_support.h"

class file_test : public ::testing::Test {
 protected:
  std::string dir;

  void SetUp() override {
    strings_init();
    file_table_reset();
    char pattern[] = "/tmp/quintaro_files_XXXXXX";
    dir = mkdtemp(pattern);
    clear_error();
  }

  void TearDown() override {
    clear_error();
    file_close(0, 0);
    clear_error();
    file_table_reset();
    std::filesystem::remove_all(dir);
  }

  static int32_t take_error() {
    const int32_t e = error_report.pending.load();
    clear_error();
    return e;
  }
  static void clear_error() {
    error_report.pending.store(0);
    run_flags.event_pending.store(0);
  }

  // SCRN: and COM followed by a digit, in any case, go to OPEN as they are.
  static bool device_name(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name == "SCRN:" || (name.rfind("COM", 0) == 0 && name.size() > 3 && std::isdigit(name[3]));
  }

  std::string path(const std::string& name) const { return dir + "/" + name; }

  std::string contents(const std::string& name) const {
    std::ifstream in(path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  void make(const std::string& name, const std::string& bytes) const {
    std::ofstream(path(name), std::ios::binary) << bytes;
  }
  bool exists(const std::string& name) const { return std::filesystem::exists(path(name)); }

  // OPEN path(name) FOR kind [ACCESS access] [LOCK lock] AS #number; returns the error raised.
  int32_t open(const std::string& name, int32_t kind, int32_t number, int32_t access = 0, int32_t lock = 0,
               int64_t length = -1) {
    const std::string full = device_name(name) ? name : path(name);
    file_open(str_from_text(full.data(), static_cast<uint32_t>(full.size())), kind, access, lock, number, length,
              length != -1);
    return take_error();
  }

  static void print(int32_t number, const std::string& text, bool zone = false, bool line = true) {
    print_to_file(number, str_from_text(text.data(), static_cast<uint32_t>(text.size())), 0, zone, line);
  }
};

enum { k_random = 1, k_binary = 2, k_input = 3, k_output = 4, k_append = 5 };
