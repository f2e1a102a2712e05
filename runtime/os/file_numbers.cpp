#include "runtime/os/file_numbers.h"

// No statement opens files yet, so there is never anything to close.
void close_all_files() {}
