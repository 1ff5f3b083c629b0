// brimcast-cli check: the URL check of the desktop program over the given
// addresses, one line per address ending in Ok or Error.

#include <chrono>
#include <map>
#include <string>
#include <vector>

#include "base/app_settings.h"
#include "cli/cli_options.h"
#include "cli/cli_signals.h"
#include "cli/command.h"
#include "cli/console.h"
#include "cli/main_queue.h"
#include "medialist/media_list.h"
#include "qtprofile/ini_profile.h"
#include "record/url_check.h"

namespace {

extern const CliCommand kCheck;

int RunCheck(const CliContext& context)
{
    AddressArguments args;
    if (int usage = ReadAddressArguments(kCheck, context, &args); usage >= 0)
        return usage;

    auto profile = OpenProfile(context.configPath);
    AppSettings settings;
    settings.Load(*profile);
    JobServices services;
    services.profile = profile.get();
    // No questions: a server that wants credentials the check does not have
    // is simply not reachable for it.
    services.prompts = nullptr;
    ApplyNetworkOptions(args.network, &settings, &services);

    MediaList list(settings, nullptr);
    // Each row answers for every argument that named it.
    std::map<uint64_t, std::vector<std::string>> argumentsOfRow;
    for (const std::string& a : args.addresses)
        argumentsOfRow[list.IdAt(list.AddEntry(a, "", " ", ""))].push_back(a);

    bool anyError = false;
    UrlCheck::Callbacks callbacks;
    callbacks.rowDone = [&](uint64_t rowId, UrlCheck::RowResult result, const std::string& errorText) {
        auto it = argumentsOfRow.find(rowId);
        if (it == argumentsOfRow.end())
            return;
        const bool ok = result == UrlCheck::RowResult::Ok;
        anyError = anyError || !ok;
        for (const std::string& a : it->second) {
            if (!args.quiet && !ok) {
                Console::Get().Err(a + ": " +
                                   (result == UrlCheck::RowResult::Skipped ? "not a network address"
                                    : errorText.empty()                    ? "no answer"
                                                                           : errorText));
            }
            Console::Get().Out(a + " " + (ok ? "Ok" : "Error"));
        }
    };

    InstallInterruptHandler();
    MainQueue queue;
    {
        UrlCheck check(list, queue, services, callbacks);
        if (!check.Start(0, settings)) {
            CliError("cannot start the check");
            return kExitFailed;
        }
        // The check's results come back to this thread, which owns the list.
        while (check.Running() && InterruptCount() == 0)
            queue.RunNext(std::chrono::milliseconds(50), {});
        // Leaving the block stops a probe still running and waits for it.
    }
    if (InterruptCount() > 0)
        return InterruptExitCode();
    return anyError ? kExitFailed : kExitOk;
}

const std::string kHelp = std::string(
    "Tries each ADDRESS with the protocol clients in the order a recording\n"
    "would, without writing anything, and prints the address followed by Ok\n"
    "or Error (the reason goes to stderr).\n"
    "\n") + kNetworkOptionsHelp +
    "  -q, --quiet            no reasons on stderr\n"
    "\n"
    "Exit status: 0 every address answered, 1 some did not, 2 usage error,\n"
    "130, 143 or 129 stopped by SIGINT, SIGTERM or SIGHUP.\n";

const std::string kSynopsis = std::string("check ") + kNetworkOptionsSynopsis + " [-q] ADDRESS...";

const CliCommand kCheck = {
    "check",
    kSynopsis.c_str(),
    "check which stream addresses can be reached",
    RunCheck,
    kHelp.c_str(),
};

const CommandRegistrar kRegistrar(kCheck);

}  // namespace
