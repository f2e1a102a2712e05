// Unit tests never talk to an X server, whatever the terminal they run from:
// without a display every message box answers at once (OK or No) and logs its
// text on stderr, so a test that reaches a dialog cannot wait for a user.
#include <cstdlib>

namespace {
const bool display_cleared = [] {
  unsetenv("DISPLAY");
  return true;
}();
}  // namespace
