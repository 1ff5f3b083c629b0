#include "cli/cli_signals.h"

#include <atomic>
#include <csignal>

#include <unistd.h>

#include "cli/command.h"

namespace {

std::atomic<int> g_interrupts{0};
std::atomic<int> g_firstSignal{0};
std::atomic<bool> g_stopRequested{false};
static_assert(std::atomic<int>::is_always_lock_free, "used from a signal handler");
static_assert(std::atomic<bool>::is_always_lock_free, "used from a signal handler");

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

void OnInterrupt(int sig)
{
    int none = 0;
    g_firstSignal.compare_exchange_strong(none, sig);
    g_stopRequested.store(true);
    if (g_interrupts.fetch_add(1) >= 1)
        _exit(128 + g_firstSignal.load());
    // The stop is carried out by the main loop, which looks at the count in
    // short ticks; nothing else is safe to do here.
}

}  // namespace

void InstallInterruptHandler()
{
    struct sigaction sa = {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    for (int sig : kStopSignals)
        sigaddset(&sa.sa_mask, sig);  // one handler at a time: the first signal is the one kept
    sa.sa_flags = 0;  // no SA_RESTART: a blocked read returns and looks
    for (int sig : kStopSignals)
        sigaction(sig, &sa, nullptr);
    // A reader of standard output that went away (`| head -1`) must not end
    // a recording: writes then fail with EPIPE, which the console ignores.
    std::signal(SIGPIPE, SIG_IGN);
}

int InterruptCount() { return g_interrupts.load(); }

const std::atomic<bool>& StopRequested() { return g_stopRequested; }

int InterruptExitCode()
{
    const int sig = g_firstSignal.load();
    return sig != 0 ? 128 + sig : kExitInterrupted;
}
