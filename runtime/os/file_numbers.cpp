#include "runtime/os/os.h"

// No statement opens files yet, so there is never anything to close.
void close_all_files() {}
