#pragma once
// Files opened by number: the CLOSE-all of program end and shutdown (the file
// statements themselves are in files.h).

// CLOSE without a number: closes every network handle and every open file.
// Used at END and at shutdown, where no statement is left to report a failed
// write: such a failure is written to stderr.
void close_all_files();
