#pragma once
// A fresh start-up screen (80x25 text, eight pages) for every test.
#include <gtest/gtest.h>

#include <string>

#include "runtime/core/core.h"
#include "runtime/gpu/gpu.h"
#include "runtime/screen/screen.h"
#include "runtime/strings/strings.h"

class ScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clear_error();
    display_link_reset();
    hardware_images_init();
    if (!data_segment.empty_string) strings_init();
    string_mark = str_temp_mark();
    screen_tables_init();
    screen_first_mode();
  }
  void TearDown() override {
    str_cleanup(string_mark);
    clear_error();
  }

  uint32_t string_mark = 0;
  // A temporary string of a text, released at the end of the test.
  static str_desc* text(const char* chars) { return str_from_cstr(chars); }
  static str_desc* text(const std::string& chars) {
    return str_from_text(chars.data(), static_cast<uint32_t>(chars.size()));
  }

  static void clear_error() {
    error_report.pending.store(0);
    run_flags.event_pending.store(0);
  }
  // The error the last operation raised, cleared for the next one.
  static int32_t take_error() {
    const int32_t e = error_report.pending.load();
    clear_error();
    return e;
  }
  static image_record* page(int32_t p) { return image_at(screen_pages.table[p]); }
};
