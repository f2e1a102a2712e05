#include "runtime/os/os.h"

shell_state_record shell_state;
