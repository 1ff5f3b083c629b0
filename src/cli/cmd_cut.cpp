// brimcast-cli cut FILE --from S --to S [-o OUT] [--force] [-q]: copies a
// time range of an ASF file into a new ASF file.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

#include "cli/cli_options.h"
#include "cli/cli_signals.h"
#include "cli/command.h"
#include "cli/console.h"
#include "cli/terminal_text.h"
#include "formats/asf_file_info.h"
#include "formats/printf.h"
#include "tools/asf_cut.h"

namespace {

extern const CliCommand kCut;

// Seconds, or M:SS, or H:MM:SS (minutes and seconds below 60 after the
// first field).
bool ParseCutTime(const std::string& text, int64_t* out)
{
    constexpr int64_t kMax = 1000000000;  // about 31 years
    int64_t total = 0;
    int fields = 0;
    size_t at = 0;
    while (at <= text.size()) {
        size_t colon = text.find(':', at);
        std::string field = text.substr(at, colon == std::string::npos ? std::string::npos : colon - at);
        if (field.empty() || field.size() > 10 || field.find_first_not_of("0123456789") != std::string::npos)
            return false;
        int64_t value = std::stoll(field);
        if (fields > 0 && (field.size() != 2 || value >= 60))
            return false;
        total = total * 60 + value;
        if (total > kMax || ++fields > 3)
            return false;
        if (colon == std::string::npos)
            break;
        at = colon + 1;
    }
    *out = total;
    return true;
}

int RunCut(const CliContext& context)
{
    OptionReader reader(context.args);
    std::string from, to;
    CutRequest request;
    bool quiet = false;
    bool haveFrom = false, haveTo = false;
    while (reader.Next()) {
        if (!reader.IsOption()) {
            if (!request.source.empty())
                return CliUsageError(kCut, "one FILE only");
            request.source = reader.Current();
            continue;
        }
        std::string value;
        if (reader.Is(nullptr, "--from")) {
            if (!reader.TakeValue(&value) || !ParseCutTime(value, &request.startSeconds))
                return CliUsageError(kCut, "--from takes seconds or H:MM:SS");
            haveFrom = true;
        } else if (reader.Is(nullptr, "--to")) {
            if (!reader.TakeValue(&value) || !ParseCutTime(value, &request.endSeconds))
                return CliUsageError(kCut, "--to takes seconds or H:MM:SS");
            haveTo = true;
        } else if (reader.Is("-o", "--output")) {
            if (!reader.TakeValue(&request.output) || request.output.empty())
                return CliUsageError(kCut, "-o takes a file name");
        } else if (reader.Is(nullptr, "--force")) {
            request.overwrite = true;
        } else if (reader.Is("-q", "--quiet")) {
            quiet = true;
        } else {
            return CliUsageError(kCut, "unknown option " + reader.Current());
        }
    }
    if (request.source.empty() || !haveFrom || !haveTo)
        return CliUsageError(kCut, "FILE, --from and --to are needed");
    if (request.endSeconds < request.startSeconds)
        return CliUsageError(kCut, "--to lies before --from");
    if (request.output.empty())
        request.output = DefaultCutPath(request.source);

    Console& console = Console::Get();
    console.EnableProgress(!quiet && ::isatty(STDERR_FILENO));
    InstallInterruptHandler();

    std::atomic<uint64_t> done{0}, total{0};
    CutResult result;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        // The worker sees a stop signal at its next batch of packets, not
        // only when this loop wakes.
        result = CutAsfFile(request, StopRequested(), [&](uint64_t d, uint64_t t) {
            total.store(t, std::memory_order_relaxed);
            done.store(d, std::memory_order_relaxed);
        });
        finished.store(true, std::memory_order_release);
    });
    const auto started = std::chrono::steady_clock::now();
    while (!finished.load(std::memory_order_acquire)) {
        const uint64_t t = total.load(std::memory_order_relaxed);
        if (t > 0) {
            const uint64_t d = done.load(std::memory_order_relaxed);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            console.Progress(Printf("  %3u%%  %llu/%llu packets  %.1f s", static_cast<unsigned>(d * 100 / t),
                                    static_cast<unsigned long long>(d), static_cast<unsigned long long>(t),
                                    seconds));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    worker.join();
    console.ClearProgress();

    switch (result.status) {
    case CutResult::Status::Done:
        console.Out(Printf("%s\t%llu packets\t%s\t%s", TerminalText(request.output).c_str(),
                           static_cast<unsigned long long>(result.packets),
                           DurationText(result.durationMs / 1000).c_str(),
                           HumanSize(result.fileSize).c_str()));
        return kExitOk;
    case CutResult::Status::Stopped:
        console.Err("stopped: nothing written");
        return InterruptExitCode();
    case CutResult::Status::Refused:
        CliError(result.message + (result.message.size() >= 8 &&
                                           result.message.compare(result.message.size() - 8, 8, ": exists") == 0
                                       ? " (--force replaces it)"
                                       : ""));
        return kExitFailed;
    case CutResult::Status::Failed:
        CliError(result.message);
        return kExitFailed;
    }
    return kExitFailed;
}

const CliCommand kCut = {
    "cut",
    "cut FILE --from S --to S [-o OUT] [--force] [-q]",
    "copies a time range of an ASF file into a new ASF file",
    RunCut,
    "Copies the data packets of FILE that cover --from to --to (seconds or\n"
    "H:MM:SS; the second --to names is included) into a new ASF file that starts\n"
    "at time 0. The range is taken at the file's average packet rate.\n"
    "\n"
    "  --from S               start of the range\n"
    "  --to S                 end of the range\n"
    "  -o, --output OUT       the new file (default: FILE's name with _cut, a.asf\n"
    "                         gives a_cut.asf in the same folder)\n"
    "  --force                replace OUT when it is an existing regular file\n"
    "                         (a link, device, pipe or socket is never replaced)\n"
    "  -q, --quiet            no progress line\n"
    "\n"
    "The new file appears only when it is complete and has FILE's permissions;\n"
    "Ctrl-C (SIGINT), SIGTERM and SIGHUP stop and leave nothing behind. Prints\n"
    "OUT, the packets, the duration and the size.\n"
    "Exit status: 0 cut, 1 refused or failed, 2 usage error, 130, 143 or 129\n"
    "stopped by SIGINT, SIGTERM or SIGHUP.\n",
};

const CommandRegistrar kRegistrar(kCut);

}  // namespace
