#pragma once
// The chain file one program leaves for the next: its name and the command-line
// tail that names it, the tags of its screen-state section and the fixed
// layout of a page's record. What chain.cpp and its tests share. The pure
// functions may be called from any thread; the others on the program thread.
#include <cstdint>
#include <string>
#include <string_view>

#include "runtime/os/os.h"
#include "runtime/platform/file_system.h"

// The command line of a chained program ends in chain_marker (os.h) followed
// directly by the chain file's name: "chain", three letters or digits, ".tmp".
constexpr size_t chain_name_length = 12;
constexpr size_t chain_tail_length = 32;  // marker + name

// Tags of the screen-state section, in the order they are read.
constexpr int32_t chain_tag_mode = 256;     // mode, then optionally chain_tag_width
constexpr int32_t chain_tag_image = 257;    // mode, width, height of an image made the screen
constexpr int32_t chain_tag_width = 258;    // columns, rows
constexpr int32_t chain_tag_font = 259;     // font of the screen
constexpr int32_t chain_tag_page = 260;     // page number, the page's bytes, its record
constexpr int32_t chain_tag_pages = 261;    // active page, visual page
constexpr int32_t chain_tag_palette = 262;  // 256 colours, then the end marker
constexpr int32_t chain_end_marker = 0;

// A page's record: this many 32-bit words (the first holds the count itself).
constexpr int32_t chain_record_words = 43;

// Longest directory text the file may carry: the longest path the system
// takes, which both the writer and the reader hold to.
constexpr int32_t chain_directory_max = static_cast<int32_t>(path_length_limit);

// The chain file name a command line ends with, or "" when its last 32
// characters are not the marker and a well-formed bare name.
std::string chain_tail_name(std::string_view command_line);

// The file's bytes for the current directory text and screen state.
std::string chain_file_bytes(const std::string& directory);
