#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct AppSettings;
struct CliCommand;
struct CliContext;
struct JobServices;
class IniProfile;

// Reads the options of a command one at a time: "-x VALUE", "--name VALUE"
// and "--name=VALUE"; "--" ends the options.
class OptionReader {
public:
    explicit OptionReader(const std::vector<std::string>& args) : args_(args) {}

    // Moves to the next argument; false at the end.
    bool Next();
    // The current argument is an option (starts with "-", not after "--").
    bool IsOption() const;
    const std::string& Current() const { return current_; }
    // True when the current option is one of the names; takes its value
    // when it has one ("--name=VALUE" or the next argument).
    bool Is(const char* shortName, const char* longName) const;
    bool TakeValue(std::string* value);

private:
    const std::vector<std::string>& args_;
    size_t next_ = 0;
    std::string current_;
    std::optional<std::string> inlineValue_;
    bool afterDashes_ = false;
};

// The options that record and check share.
struct NetworkOptions {
    std::optional<std::string> user;
    std::optional<std::string> password;
    std::optional<std::string> playerId;
    std::optional<std::string> proxyHost;  // --proxy HOST:PORT
    int proxyPort = 0;
    std::optional<int> idleTimeoutSeconds;
};

// Their synopsis and help lines, for the commands' usage texts.
extern const char kNetworkOptionsSynopsis[];
extern const char kNetworkOptionsHelp[];

// Consumes the current option when it is one of the network options.
// Returns 1 when consumed, 0 when it is not one, -1 on a bad value (the
// message in *error).
int ReadNetworkOption(OptionReader& reader, NetworkOptions* options, std::string* error);

// Applies them to the settings and services of this run (never saved).
void ApplyNetworkOptions(const NetworkOptions& options, AppSettings* settings, JobServices* services);

// What the commands that take addresses share.
struct AddressArguments {
    std::vector<std::string> addresses;
    NetworkOptions network;
    bool quiet = false;  // -q, --quiet
};

// What a recording or a check can be given on the command line: a stream
// address as written (net::IsStreamAddress), or a local playlist or list
// file by its path (a relative path to an existing file becomes absolute,
// as the list keeps local files). "" for anything else.
std::string AddressArgument(const std::string& text);

// A command's own options: returns as ReadNetworkOption does.
using OwnOptionReader = std::function<int(OptionReader& reader, std::string* error)>;

// Reads the arguments of an address command: the addresses (at least one,
// each an AddressArgument, kept in that form), the network options, -q and
// whatever `own` takes. Returns -1 when they are fine, else the exit code
// of the usage error it printed.
int ReadAddressArguments(const CliCommand& command, const CliContext& context, AddressArguments* out,
                         const OwnOptionReader& own = {});

// Whole number in [min, max]; false for anything else.
bool ParseInt(const std::string& text, int min, int max, int* out);

// The profile of --config (or the default one). A profile that cannot be
// read gives the defaults, with a warning on stderr.
std::unique_ptr<IniProfile> OpenProfile(const std::string& configPath);
