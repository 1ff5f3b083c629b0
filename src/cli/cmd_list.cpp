// brimcast-cli list FILE: the entries of an .asx, .kvx or .qsd file.
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "base/app_settings.h"
#include "cli/command.h"
#include "cli/terminal_text.h"
#include "medialist/media_list.h"

namespace {

int RunList(const CliContext& context);

const CliCommand kList = {
    "list",
    "list FILE",
    "prints the entries of an .asx playlist, a .kvx list or a .qsd import: title TAB address",
    RunList,
};

bool EndsWithNoCase(const std::string& s, const char* suffix)
{
    const size_t n = std::strlen(suffix);
    return s.size() >= n && strncasecmp(s.c_str() + s.size() - n, suffix, n) == 0;
}

// A .kvx list under another name is known by its header.
bool HasKvxHeader(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    char head[15] = {};
    const ssize_t n = ::read(fd, head, sizeof head);
    ::close(fd);
    return n == static_cast<ssize_t>(sizeof head) && std::memcmp(head, "0.1b", 5) == 0 &&
           std::memcmp(head + 10, "mms", 4) == 0;
}

// The path as the list's readers take it: a local path they recognise, or
// a relative name made absolute. Empty for a network address.
std::string ListPath(const std::string& arg)
{
    if (!LocalFileSystemPath(arg).empty())
        return arg;
    if (arg.find("://") != std::string::npos)
        return {};
    char cwd[4096];
    if (::getcwd(cwd, sizeof cwd) == nullptr)
        return {};
    return std::string(cwd) + "/" + arg;
}

int RunList(const CliContext& context)
{
    std::string file;
    bool optionsEnded = false;
    for (const std::string& a : context.args) {
        if (!optionsEnded && a == "--")
            optionsEnded = true;
        else if (!optionsEnded && a.size() > 1 && a[0] == '-')
            return CliUsageError(kList, "list: unknown option '" + a + "'");
        else if (!file.empty())
            return CliUsageError(kList, "list: one file at a time");
        else
            file = a;
    }
    if (file.empty())
        return CliUsageError(kList, "list: no file given");

    const std::string path = ListPath(file);
    if (path.empty()) {
        CliError(file + ": not a local file");
        return kExitFailed;
    }
    const std::string fsPath = LocalFileSystemPath(path);
    struct stat st {};
    if (::stat(fsPath.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) {
        CliError(file + ": " + std::strerror(S_ISDIR(st.st_mode) ? EISDIR : errno));
        return kExitFailed;
    }

    AppSettings settings;
    MediaList list(settings, nullptr);
    ListReadReport report;
    const bool kvx = EndsWithNoCase(fsPath, ".kvx") || HasKvxHeader(fsPath);
    if (kvx)
        list.ReadKvxFile(path, &report);
    else if (EndsWithNoCase(fsPath, ".qsd"))
        list.ReadQsdFile(path, &report);
    else
        list.ReadPlaylistFile(path, DeriveTitle(path), " ", &report);

    if (!report.error.empty()) {
        CliError(file + ": " + report.error);
        return kExitFailed;
    }
    // One row per line whatever the file holds: a tab or a line end inside
    // a title is shown as an escape, like any other control character.
    if (kvx && !list.InfoText().empty())
        std::printf("Info: %s\n", TerminalText(list.InfoText()).c_str());
    for (const MediaItem& row : list.Rows())
        std::printf("%s\t%s\n", TerminalText(row.cells[kColFile]).c_str(),
                    TerminalText(row.cells[kColOriginalFile]).c_str());
    std::fflush(stdout);
    if (!report.warning.empty()) {
        CliError(file + ": " + report.warning);
        return kExitFailed;
    }
    return kExitOk;
}

CommandRegistrar registrar(kList);

}  // namespace
