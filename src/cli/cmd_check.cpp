// brimcast-cli check: the URL check of the desktop program over the given
// addresses, several at a time; one line per address, in the order given,
// ending in Ok or Error.

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/app_settings.h"
#include "base/display_text.h"
#include "base/event_queue.h"
#include "base/failed_attempt.h"
#include "base/stream_info.h"
#include "cli/cli_options.h"
#include "cli/cli_signals.h"
#include "cli/command.h"
#include "cli/console.h"
#include "cli/json_events.h"
#include "cli/terminal_text.h"
#include "medialist/media_list.h"
#include "qtprofile/ini_profile.h"
#include "record/url_check.h"

namespace {

extern const CliCommand kCheck;

struct CheckOptions {
    AddressArguments args;
    bool json = false;
    std::optional<int> parallel;
    std::optional<int> seconds;
};

int ReadCheckOptions(const CliContext& context, CheckOptions* o)
{
    return ReadAddressArguments(kCheck, context, &o->args, [o](OptionReader& reader, std::string* error) {
        std::string value;
        int number = 0;
        if (reader.Is(nullptr, "--json")) {
            o->json = true;
        } else if (reader.Is("-j", "--parallel")) {
            *error = "--parallel wants a number from 1 to " + std::to_string(AppSettings::kMaxCheckParallel);
            if (!reader.TakeValue(&value) || !ParseInt(value, 1, AppSettings::kMaxCheckParallel, &number))
                return -1;
            o->parallel = number;
        } else if (reader.Is(nullptr, "--probe-time")) {
            *error = "--probe-time wants seconds from " + std::to_string(AppSettings::kMinCheckSeconds) +
                     " to " + std::to_string(AppSettings::kMaxCheckSeconds);
            if (!reader.TakeValue(&value) ||
                !ParseInt(value, AppSettings::kMinCheckSeconds, AppSettings::kMaxCheckSeconds, &number))
                return -1;
            o->seconds = number;
        } else {
            return 0;
        }
        return 1;
    });
}

// The result of one argument, kept until every argument before it has its
// own: the lines come out in the order of the arguments.
struct Outcome {
    bool done = false;
    UrlCheck::RowResult result = UrlCheck::RowResult::Error;
    std::string error;
    StreamInfo info;
    std::vector<FailedAttempt> attempts;
};

void Print(const CheckOptions& o, const std::string& address, const Outcome& r)
{
    Console& console = Console::Get();
    const bool ok = r.result == UrlCheck::RowResult::Ok;
    std::string reason = r.result == UrlCheck::RowResult::Skipped ? "not a network address"
                         : FailureText(r.error, r.attempts);
    if (reason.empty())
        reason = "no answer";
    if (o.json) {
        JsonObject j;
        j.Add("event", "checked").Add("address", address).Add("result", ok ? kCheckOkText : kCheckErrorText);
        if (ok) {
            j.Add("transport", TransportName(r.info.transport))
                .Add("delivery", DeliveryName(r.info.delivery))
                .Add("durationMs", static_cast<int64_t>(r.info.durationMs))
                .Add("bitrate", static_cast<int64_t>(r.info.bitrate))
                .Add("title", r.info.title);
        } else {
            j.Add("error", reason).Add("attempts", AttemptsJson(r.attempts));
        }
        console.Out(j.Text());
        return;
    }
    if (!o.args.quiet) {
        // What the address is, or why it failed, beside the result line.
        const std::string detail = ok ? StreamInfoText(r.info) : reason;
        if (!detail.empty())
            console.Err(TerminalText(address) + ": " + TerminalText(detail));
    }
    console.Out(TerminalText(address) + " " + (ok ? kCheckOkText : kCheckErrorText));
}

int RunCheck(const CliContext& context)
{
    CheckOptions o;
    if (int usage = ReadCheckOptions(context, &o); usage >= 0)
        return usage;

    auto profile = OpenProfile(context.configPath);
    AppSettings settings;
    settings.Load(*profile);
    if (o.parallel)
        settings.m_checkParallel = *o.parallel;
    if (o.seconds)
        settings.m_checkSeconds = *o.seconds;
    JobServices services;
    services.profile = profile.get();
    // No questions: a server that wants credentials the check does not have
    // is simply not reachable for it.
    services.prompts = nullptr;
    ApplyNetworkOptions(o.args.network, &settings, &services);

    MediaList list(settings, nullptr);
    const std::vector<std::string>& addresses = o.args.addresses;
    // Each row answers for every argument that named it.
    std::map<uint64_t, std::vector<size_t>> argumentsOfRow;
    for (size_t i = 0; i < addresses.size(); ++i)
        argumentsOfRow[list.IdAt(list.AddEntry(addresses[i], "", " ", ""))].push_back(i);
    const NetworkOptions& network = o.args.network;

    std::vector<Outcome> outcomes(addresses.size());
    size_t printed = 0;
    bool anyError = false;
    UrlCheck::Callbacks callbacks;
    callbacks.rowDone = [&](uint64_t rowId, UrlCheck::RowResult result, const std::string& errorText,
                            const StreamInfo& info, const std::vector<FailedAttempt>& attempts) {
        auto it = argumentsOfRow.find(rowId);
        if (it == argumentsOfRow.end())
            return;
        anyError = anyError || result != UrlCheck::RowResult::Ok;
        for (size_t i : it->second)
            outcomes[i] = Outcome{true, result, errorText, info, attempts};
        for (; printed < outcomes.size() && outcomes[printed].done; ++printed)
            Print(o, addresses[printed], outcomes[printed]);
    };

    InstallInterruptHandler();
    EventQueue queue;
    {
        UrlCheck check(list, queue, services, callbacks);
        // -u and -p go with the addresses named here, and to no other
        // server unasked.
        if (network.user || network.password) {
            for (const auto& [rowId, arguments] : argumentsOfRow)
                check.GiveCredentials(rowId, network.user.value_or(""), network.password.value_or(""));
        }
        if (!check.Start(0, settings)) {
            CliError("cannot start the check");
            return kExitFailed;
        }
        // The check's results come back to this thread, which owns the list.
        while (check.Running() && InterruptCount() == 0)
            queue.RunNext(std::chrono::milliseconds(50), {});
        // Leaving the block stops the probes still running and waits for them.
    }
    if (InterruptCount() > 0)
        return InterruptExitCode();
    return anyError ? kExitFailed : kExitOk;
}

const std::string kHelp = std::string(
    "Tries each ADDRESS with the protocol clients in the order a recording\n"
    "would, without writing anything, several addresses at a time, and prints\n"
    "the address followed by Ok or Error, in the order given. For an address\n"
    "that answered, stderr tells what it is (protocol, live or on demand,\n"
    "duration, bit rate, title); for one that did not, why, transport by\n"
    "transport (name not resolved, connection refused, no answer in time, ...).\n"
    "ADDRESS is a stream address (mms, mmsh, mmst, mmsu, rtsp, http, https), a\n"
    "local playlist or a list file; anything else is a usage error.\n"
    "\n") + kNetworkOptionsHelp +
    "  -j, --parallel N       probe up to N addresses at a time (1 to 16;\n"
    "                         default: the \"URL Check Parallel\" setting, 8)\n"
    "  --probe-time SECONDS   give up on an address after this long (1 to 600;\n"
    "                         default: the \"URL Check Seconds\" setting, 20)\n"
    "  --json                 one JSON object per address on stdout: address,\n"
    "                         result, and transport, delivery, durationMs,\n"
    "                         bitrate (bits/s) and title, or error (the last\n"
    "                         message with each transport's reason) and\n"
    "                         attempts (transport, address, reason of each)\n"
    "  -q, --quiet            nothing on stderr\n"
    "\n"
    "Exit status: 0 every address answered, 1 some did not, 2 usage error,\n"
    "130, 143 or 129 stopped by SIGINT, SIGTERM or SIGHUP.\n";

const std::string kSynopsis = std::string("check ") + kNetworkOptionsSynopsis +
                              " [-j N] [--probe-time SECONDS] [--json] [-q] ADDRESS...";

const CliCommand kCheck = {
    "check",
    kSynopsis.c_str(),
    "check which stream addresses can be reached and what they are",
    RunCheck,
    kHelp.c_str(),
};

const CommandRegistrar kRegistrar(kCheck);

}  // namespace
