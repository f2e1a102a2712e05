#pragma once
// Files opened by number.

// CLOSE without a number: closes every open file.
void close_all_files();
