#pragma once

#include <atomic>

// The stop signals of the long-running commands: SIGINT, SIGTERM and SIGHUP.
// The first asks the command to stop (it finishes its files and exits with
// 128 + the signal's number: 130, 143 or 129); a second ends the program at
// once. SIGPIPE is ignored: a closed standard output never stops a recording.
void InstallInterruptHandler();
// How many stop signals have arrived (0 or 1: the second never returns).
int InterruptCount();
// Raised by the first stop signal: a worker that takes a stop flag can read
// this one directly instead of waiting for the main loop to pass it on.
const std::atomic<bool>& StopRequested();
// The exit status for the first stop signal (kExitInterrupted before any).
int InterruptExitCode();
