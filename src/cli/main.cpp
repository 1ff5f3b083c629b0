#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/terminal_text.h"

namespace {

std::vector<CliCommand>& Registry()
{
    static std::vector<CliCommand> commands;
    return commands;
}

void PrintOverview(FILE* to)
{
    std::fprintf(to,
                 "Usage: brimcast-cli [--config FILE] COMMAND [OPTIONS] [ARGUMENTS]\n"
                 "\n"
                 "Records Windows Media streams (mms://, MMS over HTTP, RTSP, HTTP) into ASF\n"
                 "files, and works with playlists, list files and captures.\n"
                 "\n"
                 "Commands:\n");
    std::vector<CliCommand> sorted = Registry();
    std::sort(sorted.begin(), sorted.end(),
              [](const CliCommand& a, const CliCommand& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const CliCommand& c : sorted)
        std::fprintf(to, "  %-10s %s\n", c.name, c.summary);
    std::fprintf(to,
                 "\n"
                 "Run 'brimcast-cli COMMAND --help' for the options of a command.\n"
                 "Exit status: 0 all done, 1 something failed, 2 usage error, 130/143/129\n"
                 "stopped by SIGINT/SIGTERM/SIGHUP (files are finished first).\n");
}

}  // namespace

CommandRegistrar::CommandRegistrar(const CliCommand& command) { Registry().push_back(command); }

const std::vector<CliCommand>& RegisteredCommands() { return Registry(); }

// Messages name files and addresses and quote servers: one line, escaped.
void CliError(const std::string& message)
{
    std::fprintf(stderr, "brimcast-cli: %s\n", TerminalText(message).c_str());
}

int CliUsageError(const CliCommand& command, const std::string& message)
{
    if (!message.empty())
        CliError(message);
    std::fprintf(stderr, "Usage: brimcast-cli %s\n", command.synopsis);
    return kExitUsage;
}

int main(int argc, char** argv)
{
    CliContext context;
    std::string commandName;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (commandName.empty() && (a == "--help" || a == "-h")) {
            PrintOverview(stdout);
            return kExitOk;
        }
        if (commandName.empty() && a == "--version") {
            std::printf("brimcast-cli 0.1.0\n");
            return kExitOk;
        }
        if (a == "--config" || a.rfind("--config=", 0) == 0) {
            if (a == "--config") {
                if (i + 1 >= argc) {
                    CliError("--config needs a file name");
                    return kExitUsage;
                }
                context.configPath = argv[++i];
            } else {
                context.configPath = a.substr(9);
            }
            continue;
        }
        if (commandName.empty()) {
            commandName = a;
            continue;
        }
        context.args.push_back(a);
    }
    if (commandName.empty()) {
        PrintOverview(stderr);
        return kExitUsage;
    }
    for (const CliCommand& c : Registry()) {
        if (commandName == c.name) {
            for (const std::string& a : context.args) {
                if (a == "--help" || a == "-h") {
                    std::printf("Usage: brimcast-cli %s\n%s\n", c.synopsis, c.summary);
                    if (c.help)
                        std::printf("\n%s", c.help);
                    return kExitOk;
                }
                if (a == "--")
                    break;
            }
            return c.run(context);
        }
    }
    CliError("unknown command '" + commandName + "'");
    PrintOverview(stderr);
    return kExitUsage;
}
