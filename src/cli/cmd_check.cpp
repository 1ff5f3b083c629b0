// brimcast-cli check: the URL check of the desktop program over the given
// addresses, one line per address ending in Ok or Error.

#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_options.h"
#include "cli/cli_signals.h"
#include "cli/command.h"
#include "cli/console.h"
#include "medialist/media_list.h"
#include "qtprofile/ini_profile.h"
#include "record/app_settings.h"
#include "record/url_check.h"

namespace {

extern const CliCommand kCheck;

int RunCheck(const CliContext& context)
{
    NetworkOptions network;
    std::vector<std::string> addresses;
    bool quiet = false;
    OptionReader reader(context.args);
    std::string error;
    while (reader.Next()) {
        if (!reader.IsOption()) {
            if (reader.Current().empty())
                return CliUsageError(kCheck, "an address is empty");
            addresses.push_back(reader.Current());
            continue;
        }
        int net = ReadNetworkOption(reader, &network, &error);
        if (net < 0)
            return CliUsageError(kCheck, error);
        if (net > 0)
            continue;
        if (reader.Is("-q", "--quiet")) {
            quiet = true;
            continue;
        }
        return CliUsageError(kCheck, "unknown option " + reader.Current());
    }
    if (addresses.empty())
        return CliUsageError(kCheck, "no address given");

    auto profile = OpenProfile(context.configPath);
    AppSettings settings;
    settings.Load(*profile);
    JobServices services;
    services.profile = profile.get();
    // No questions: a server that wants credentials the check does not have
    // is simply not reachable for it.
    services.prompts = nullptr;
    if (!ApplyNetworkOptions(network, &settings, &services, &error))
        return CliUsageError(kCheck, error);

    MediaList list(settings, nullptr);
    // Each row answers for every argument that named it.
    std::map<int, std::vector<std::string>> argumentsOfRow;
    for (const std::string& a : addresses)
        argumentsOfRow[list.AddEntry(a, "", " ", "")].push_back(a);

    std::mutex mutex;
    bool anyError = false;
    UrlCheck::Callbacks callbacks;
    callbacks.rowDone = [&](int row, UrlCheck::RowResult result, const std::string& errorText) {
        std::lock_guard lock(mutex);
        auto it = argumentsOfRow.find(row);
        if (it == argumentsOfRow.end())
            return;
        const bool ok = result == UrlCheck::RowResult::Ok;
        anyError = anyError || !ok;
        for (const std::string& a : it->second) {
            if (!quiet && !ok) {
                Console::Get().Err(a + ": " +
                                   (result == UrlCheck::RowResult::Skipped ? "not a network address"
                                    : errorText.empty()                    ? "no answer"
                                                                           : errorText));
            }
            Console::Get().Out(a + " " + (ok ? "Ok" : "Error"));
        }
    };

    InstallInterruptHandler();
    {
        UrlCheck check(list, services, callbacks);
        if (!check.Start(0, settings)) {
            CliError("cannot start the check");
            return kExitFailed;
        }
        while (check.Running() && InterruptCount() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // Leaving the block stops a probe still running and waits for it.
    }
    if (InterruptCount() > 0)
        return kExitInterrupted;
    std::lock_guard lock(mutex);
    return anyError ? kExitFailed : kExitOk;
}

const char kHelp[] =
    "Tries each ADDRESS with the protocol clients in the order a recording\n"
    "would, without writing anything, and prints the address followed by Ok\n"
    "or Error (the reason goes to stderr).\n"
    "\n"
    "  -u, --user USER        user name for servers that ask for one\n"
    "  -p, --password PASS    its password\n"
    "  --player-id TEXT       player identity announced to servers\n"
    "  --proxy HOST:PORT      connect through this HTTP proxy\n"
    "  --idle-timeout SECONDS give up on a server that sends nothing for this long\n"
    "                         (default 60; 0 waits until stopped)\n"
    "  -q, --quiet            no reasons on stderr\n"
    "\n"
    "Exit status: 0 every address answered, 1 some did not, 2 usage error,\n"
    "130 interrupted.\n";

const CliCommand kCheck = {
    "check",
    "check [-u USER -p PASSWORD] [--player-id TEXT] [--proxy HOST:PORT] "
    "[--idle-timeout SECONDS] [-q] ADDRESS...",
    "check which stream addresses can be reached",
    RunCheck,
    kHelp,
};

const CommandRegistrar kRegistrar(kCheck);

}  // namespace
