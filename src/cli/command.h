#pragma once

#include <string>
#include <vector>

// Exit status of brimcast-cli.
enum CliExit : int {
    kExitOk = 0,           // all done
    kExitFailed = 1,       // some address or file failed
    kExitUsage = 2,        // usage error
    kExitInterrupted = 130 // stopped by SIGINT (SIGTERM: 143, SIGHUP: 129; see cli_signals.h)
};

// What every command receives: its own arguments (after the command word)
// and the options common to all commands.
struct CliContext {
    std::vector<std::string> args;
    std::string configPath;  // --config FILE; empty: $XDG_CONFIG_HOME/Brimcast/Brimcast.conf
};

// One subcommand. Each lives in its own cmd_*.cpp and registers itself with
// a static CommandRegistrar, so adding a command touches no other file.
struct CliCommand {
    const char* name;
    const char* synopsis;  // one usage line, without the program name
    const char* summary;   // one line for the overview
    int (*run)(const CliContext& context);
    // The options explained, printed by --help after the usage line (may be
    // null).
    const char* help = nullptr;
};

class CommandRegistrar {
public:
    explicit CommandRegistrar(const CliCommand& command);
};

const std::vector<CliCommand>& RegisteredCommands();

// Prints "brimcast-cli: <message>" to stderr, as one line with its control
// characters escaped (TerminalText).
void CliError(const std::string& message);
// Prints the usage line of a command to stderr and returns kExitUsage.
int CliUsageError(const CliCommand& command, const std::string& message);
