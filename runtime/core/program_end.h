#pragma once
// The end of the program and the parking of the program thread.

// END and the end of the main routine: closes files, shows the closing prompt,
// waits for a key, asks for the stop and parks. Never returns.
[[noreturn]] void program_end();

// Parks the program thread for good: reports it stopped, waits for the shutdown
// and sleeps until the main loop ends the process. Never returns.
[[noreturn]] void stop_program_thread();
