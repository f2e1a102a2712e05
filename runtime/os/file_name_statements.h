#pragma once
// KILL, NAME and FILES: deleting files by pattern, renaming, and listing a
// directory onto the screen. Program thread; each returns at once while an
// error is pending. Patterns are described in file_patterns.h.

#include <cstdint>

#include "runtime/strings/string_engine.h"

// KILL pattern: deletes the files (regular files and symbolic links, never
// directories) in the pattern's folder whose names match, and returns how many
// went. A file that is protected or in use raises 55 and the others are still
// deleted; no match, or nothing deleted, raises 53.
int32_t kill_files(const str_desc* pattern);

// NAME old AS new. An existing new name is never replaced (error 58).
void name_file(const str_desc* old_name, const str_desc* new_name);

// FILES [pattern]: the current directory, the matching entries in name order
// flowing across the screen, then the free bytes and " Bytes free". passed
// bit 0: pattern given. An empty pattern, or one ending in "/", lists "*".
void files_list(const str_desc* pattern, int32_t passed);
