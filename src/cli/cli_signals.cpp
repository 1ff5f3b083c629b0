#include "cli/cli_signals.h"

#include <atomic>
#include <csignal>

#include <unistd.h>

#include "cli/command.h"

namespace {

std::atomic<int> g_interrupts{0};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");

void OnInterrupt(int)
{
    if (g_interrupts.fetch_add(1) >= 1)
        _exit(kExitInterrupted);
    // The stop is carried out by the main loop, which looks at the count in
    // short ticks; nothing else is safe to do here.
}

}  // namespace

void InstallInterruptHandler()
{
    struct sigaction sa = {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;  // no SA_RESTART: a blocked read returns and looks
    sigaction(SIGINT, &sa, nullptr);
}

int InterruptCount() { return g_interrupts.load(); }
