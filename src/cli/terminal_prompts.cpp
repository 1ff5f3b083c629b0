#include "cli/terminal_prompts.h"

#include <cctype>
#include <cerrno>
#include <memory>
#include <cstdio>

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "base/app_settings.h"
#include "cli/cli_signals.h"
#include "cli/console.h"
#include "cli/terminal_text.h"
#include "record/output_names.h"

namespace {

std::string Trim(const std::string& s)
{
    size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a])))
        ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1])))
        --b;
    return s.substr(a, b - a);
}

// The message texts of the engine end in "\n\n File exist. ...?": shown
// on one line here.
std::string OneLine(const std::string& message)
{
    std::string out;
    for (char c : message) {
        if (c == '\n') {
            if (!out.empty() && out.back() != ' ')
                out += ' ';
            continue;
        }
        if (c == ' ' && !out.empty() && out.back() == ' ')
            continue;
        out += c;
    }
    return Trim(out);
}

// Turns terminal echo off for a password and back on.
class EchoOff {
public:
    EchoOff()
    {
        if (tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios t = saved_;
            t.c_lflag &= ~static_cast<tcflag_t>(ECHO);
            active_ = tcsetattr(STDIN_FILENO, TCSANOW, &t) == 0;
        }
    }
    ~EchoOff()
    {
        if (active_)
            tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    }

private:
    termios saved_{};
    bool active_ = false;
};

}  // namespace

bool ParseIfExists(const std::string& text, IfExists* out)
{
    static const struct {
        const char* name;
        IfExists value;
    } kNames[] = {{"ask", IfExists::Ask},
                  {"resume", IfExists::Resume},
                  {"overwrite", IfExists::Overwrite},
                  {"rename", IfExists::Rename},
                  {"skip", IfExists::Skip}};
    for (const auto& n : kNames) {
        if (text == n.name) {
            *out = n.value;
            return true;
        }
    }
    return false;
}

TerminalPrompts::TerminalPrompts(IfExists policy, bool interactive)
    : policy_(policy), interactive_(interactive)
{
}

void TerminalPrompts::Configure(AppSettings& settings) const
{
    switch (policy_) {
    case IfExists::Ask:
        break;  // the profile's confirmations decide what is asked
    case IfExists::Resume:
    case IfExists::Rename:
        settings.m_resumable = 1;
        settings.m_overWrite = 0;  // a file that cannot be resumed gets a number
        break;
    case IfExists::Overwrite:
    case IfExists::Skip:
        settings.m_resumable = 1;
        settings.m_overWrite = 1;
        break;
    }
}

bool TerminalPrompts::ReadAnswer(const std::string& question, std::string* answer,
                                 const CancelSignal& cancel, bool echo)
{
    std::lock_guard lock(Console::Get().mutex());
    Console::Get().ClearProgressLocked();
    std::fputs(question.c_str(), stderr);
    std::fflush(stderr);
    std::unique_ptr<EchoOff> noEcho = echo ? nullptr : std::make_unique<EchoOff>();
    std::string line;
    for (;;) {
        if (InterruptCount() > 0 || cancel.Cancelled()) {
            std::fputs("\n", stderr);
            return false;
        }
        pollfd p = {STDIN_FILENO, POLLIN, 0};
        int r = ::poll(&p, 1, 100);
        if (r <= 0)
            continue;
        char c;
        ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            std::fputs("\n", stderr);
            return false;  // end of input
        }
        if (c == '\n')
            break;
        if (line.size() < 4096)
            line += c;
    }
    if (!echo)
        std::fputs("\n", stderr);
    *answer = Trim(line);
    return true;
}

bool TerminalPrompts::AskResume(const std::string& message, const CancelSignal& cancel)
{
    switch (policy_) {
    case IfExists::Resume:
        return true;
    case IfExists::Ask:
        break;
    default:
        return false;
    }
    if (!interactive_)
        return false;
    std::string a;
    if (!ReadAnswer(TerminalText(OneLine(message)) + " [y/N] ", &a, cancel))
        return false;
    return !a.empty() && (a[0] == 'y' || a[0] == 'Y');
}

UserPrompts::FileExists TerminalPrompts::AskFileExists(const std::string& message, bool& all,
                                                       const CancelSignal& cancel)
{
    all = false;
    switch (policy_) {
    case IfExists::Overwrite:
        return FileExists::Ok;
    case IfExists::Skip:
        all = true;
        return FileExists::Pass;
    case IfExists::Resume:
    case IfExists::Rename:
        renamePending_ = true;
        return FileExists::SaveAs;
    case IfExists::Ask:
        break;
    }
    if (!interactive_) {
        renamePending_ = true;
        return FileExists::SaveAs;
    }
    for (;;) {
        std::string a;
        if (!ReadAnswer(TerminalText(OneLine(message)) +
                            "\n  [o]verwrite, [r]ename, [s]ave as, [p]ass, pass [a]ll, [c]ancel, [q]uit? ",
                        &a, cancel))
            return FileExists::Cancel;
        const char c = a.empty() ? ' ' : static_cast<char>(std::tolower(static_cast<unsigned char>(a[0])));
        switch (c) {
        case 'o': return FileExists::Ok;
        case 'r': renamePending_ = true; return FileExists::SaveAs;
        case 's': return FileExists::SaveAs;
        case 'p': return FileExists::Pass;
        case 'a': all = true; return FileExists::Pass;
        case 'c': return FileExists::Cancel;
        case 'q': return FileExists::Quit;
        default: break;
        }
    }
}

bool TerminalPrompts::AskSavePath(std::string& path, const CancelSignal& cancel)
{
    if (renamePending_.exchange(false)) {
        const std::string numbered = MakeUniqueName(path);
        if (numbered.empty())
            return false;  // every numbered name is taken
        path = numbered;
        return true;
    }
    if (!interactive_ || policy_ != IfExists::Ask)
        return false;
    std::string a;
    if (!ReadAnswer("Save as [" + TerminalText(path) + "] (end of input cancels): ", &a, cancel))
        return false;
    if (!a.empty())
        path = a;
    return true;
}

UserPrompts::CredentialAnswer TerminalPrompts::AskCredentials(const std::string& site,
                                                              const std::string& user,
                                                              const std::string&,
                                                              const CancelSignal& cancel)
{
    CredentialAnswer answer;
    if (!interactive_)
        return answer;
    std::string u, p, s;
    if (!ReadAnswer("Username and Password Required for " + TerminalText(site) + "\n  User [" +
                        TerminalText(user) + "]: ",
                    &u, cancel))
        return answer;
    if (u.empty())
        u = user;
    if (!ReadAnswer("  Password: ", &p, cancel, false))
        return answer;
    if (u.empty() || p.empty())
        return answer;  // a cancel: the dialog would only accept both
    if (!ReadAnswer("  Save in the profile? [y/N] ", &s, cancel))
        return answer;
    answer.accepted = true;
    answer.user = u;
    answer.password = p;
    answer.save = !s.empty() && (s[0] == 'y' || s[0] == 'Y');
    return answer;
}

bool TerminalPrompts::AskYesNo(const std::string&, const CancelSignal&) { return false; }

UserPrompts::YesNoCancel TerminalPrompts::AskYesNoCancel(const std::string&, const CancelSignal&)
{
    return YesNoCancel::Cancel;
}
