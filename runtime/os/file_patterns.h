#pragma once
// File-name patterns of KILL and FILES, and the layout of a FILES entry. Pure
// functions over bytes; any thread.
//
// A pattern is a folder part (up to and including the last "/") and a mask
// in which "*" stands for any run of characters and "?" for exactly one. Names
// are compared byte for byte, letter case included, as the file system
// stores them. A mask ending in ".*" also matches the name without that
// part, so "*.*" matches every name, with or without a dot, and "REPORT.*"
// matches "REPORT".
#include <string>
#include <string_view>

bool pattern_matches(std::string_view mask, std::string_view name);

struct pattern_parts {
  std::string folder;  // "" or ending in "/"
  std::string mask;
};
pattern_parts split_pattern(std::string_view pattern);

// One FILES entry: a name of at most 11 characters padded to 12, with a name
// of the 8.3 shape rearranged so that its extension (dot and up to three
// characters) stands in columns 9 to 12; longer names whole. Then "<DIR> " or
// six spaces. Control characters show as "?" so that a name cannot move the
// cursor or clear the screen.
std::string files_entry_text(std::string_view name, bool directory);
