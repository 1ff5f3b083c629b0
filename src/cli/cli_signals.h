#pragma once

// SIGINT for the long-running commands: the first one asks the command to
// stop (it finishes its files and exits 130), the second ends the program
// at once.
void InstallInterruptHandler();
// How many SIGINTs have arrived (0 or 1: the second never returns).
int InterruptCount();
