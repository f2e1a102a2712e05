#pragma once
// SIGTERM, SIGINT and SIGHUP (those not ignored when the process started)
// taken as ordinary events: blocked in every thread
// and waited for by one thread that can then stop the program in order with
// ordinary code before the process ends the way the signal would have ended it.
//
// block_stop_signals runs on the start-up thread before any other thread
// exists, so every thread inherits the mask; the other two on the one thread
// that waits. A child process inherits the mask too: whatever starts one must
// give it an empty mask (posix_spawnattr_setsigmask, or sigprocmask after fork).

void block_stop_signals();

// Sleeps until SIGTERM, SIGINT or SIGHUP arrives; returns its number.
int wait_stop_signal();

// The same for at most timeout_ms milliseconds; 0 when none came.
int wait_stop_signal_for(int timeout_ms);

// Ends the process as the signal's default action does (status "killed by signal").
[[noreturn]] void end_by_signal(int signal_number);
