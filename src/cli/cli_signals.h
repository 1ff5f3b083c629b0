#pragma once

// The stop signals of the long-running commands: SIGINT, SIGTERM and SIGHUP.
// The first asks the command to stop (it finishes its files and exits with
// 128 + the signal's number: 130, 143 or 129); a second ends the program at
// once. SIGPIPE is ignored: a closed standard output never stops a recording.
void InstallInterruptHandler();
// How many stop signals have arrived (0 or 1: the second never returns).
int InterruptCount();
// The exit status for the first stop signal (kExitInterrupted before any).
int InterruptExitCode();
