// brimcast-cli schedule end to end: the calls to systemctl (a stand-in that
// logs them), and a slot's service command run as systemd runs it.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "test_support.h"

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::RunProcess;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The value of `Key=` in a unit's text.
std::string UnitValue(const std::string& unit, const std::string& key)
{
    const size_t at = unit.find("\n" + key + "=");
    if (at == std::string::npos)
        return {};
    const size_t begin = at + key.size() + 2;
    return unit.substr(begin, unit.find('\n', begin) - begin);
}

// A command line split into words by systemd's rules (quotes, C escapes,
// then "%%" and "$$"); any other specifier or variable fails here.
bool SystemdWords(const std::string& line, std::vector<std::string>* words)
{
    words->clear();
    size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
            ++i;
        if (i == line.size())
            return true;
        std::string raw;
        char quote = 0;
        for (; i < line.size() && (quote || (line[i] != ' ' && line[i] != '\t')); ++i) {
            const char c = line[i];
            if (quote && c == quote) {
                quote = 0;
            } else if (!quote && (c == '"' || c == '\'')) {
                quote = c;
            } else if (c == '\\') {
                if (++i == line.size())
                    return false;
                const char e = line[i];
                const std::string from = "\\\"'abfnrtv", to = "\\\"'\a\b\f\n\r\t\v";
                if (from.find(e) != std::string::npos) {
                    raw += to[from.find(e)];
                } else if (e == 'x' && i + 2 < line.size()) {
                    raw += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
                    i += 2;
                } else {
                    return false;
                }
            } else {
                raw += c;
            }
        }
        if (quote)
            return false;
        std::string word;
        for (size_t k = 0; k < raw.size(); ++k) {
            if (raw[k] == '%' || raw[k] == '$') {
                if (k + 1 == raw.size() || raw[k + 1] != raw[k])
                    return false;
                ++k;
            }
            word += raw[k];
        }
        words->push_back(word);
    }
}

class CliScheduleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        testsupport::WriteFile(bin.File("systemctl"), "#!/bin/sh\nexec python3 '" + testsupport::SourceDir() +
                                                          "/tests/schedule/fake_systemctl.py' \"$@\"\n");
        ::chmod(bin.File("systemctl").c_str(), 0755);
        testsupport::WriteFile(log, "");
    }

    testsupport::ProcessResult Cli(const std::vector<std::string>& args, std::vector<std::string> extraEnv = {})
    {
        std::vector<std::string> argv = {testsupport::BinaryDir() + "/src/cli/brimcast-cli", "--config",
                                         home.File("Brimcast.conf"), "schedule"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<std::string> env = {"HOME=" + home.path(), "XDG_CONFIG_HOME=" + home.File("config"),
                                        "XDG_STATE_HOME=" + home.File("state"), "LC_ALL=C.UTF-8", "TZ=UTC",
                                        "FAKE_SYSTEMCTL_LOG=" + log,
                                        "FAKE_NEXT_ELAPSE=Thu 2099-12-24 19:58:00 UTC",
                                        "PATH=" + bin.path() + ":" + std::getenv("PATH")};
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        return RunProcess(argv, std::chrono::seconds(60), "", env);
    }
    std::string UnitFile(const char* name) const { return unitDir + "/" + name; }

    testsupport::TempDir home;
    testsupport::TempDir bin;
    std::string log = bin.File("calls.log");
    std::string unitDir = home.File("config/systemd/user");
    const std::string address = "mms://127.0.0.1/news";
};

TEST_F(CliScheduleTest, BadInputWritesNothing)
{
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"add", "--at", "someday", "--for", "1h", address}, "systemd cannot read the time 'someday'"},
        {{"add", "--at", "daily", "--for", "1h", "/home/me/news.asf"}, "is not a stream address"},
        {{"add", "--at", "daily", "--for", "1h", "-t", "a\nb", address}, "the title holds control characters"},
        {{"launch"}, "unknown schedule command 'launch'"},
    };
    for (const Case& c : cases) {
        auto r = Cli(c.args);
        EXPECT_EQ(r.exitCode, 2) << c.message << r.err;
        EXPECT_TRUE(Contains(r.err, c.message) && Contains(r.err, "Usage: brimcast-cli schedule (add")) << r.err;
    }
    EXPECT_FALSE(FileExists(home.File("config"))) << "nothing written";
    EXPECT_FALSE(FileExists(home.File("state")));
    EXPECT_EQ(ReadFile(log), "") << "systemctl is not asked";
}

TEST_F(CliScheduleTest, TimersAreStartedListedRunAndRemovedThroughSystemctl)
{
    // Without a user manager nothing is written; neither is a timer
    // systemd cannot start left behind.
    auto r = Cli({"add", "--at", "daily", "--for", "1h", address}, {"FAKE_SYSTEMCTL_FAIL=show"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "scheduled recordings need a systemd user session (systemctl --user)")) << r.err;
    EXPECT_FALSE(FileExists(UnitFile("brimcast-rec-1.timer")));
    r = Cli({"add", "--at", "daily", "--for", "1h", address}, {"FAKE_SYSTEMCTL_FAIL=enable"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "could not start the timer: Failed to enable unit: Access denied")) << r.err;
    EXPECT_FALSE(FileExists(UnitFile("brimcast-rec-1.service")));
    EXPECT_FALSE(FileExists(UnitFile("brimcast-rec-1.timer")));
    EXPECT_TRUE(Contains(ReadFile(log), "--user enable --now brimcast-rec-1.timer\n"
                                        "--user disable --now brimcast-rec-1.timer\n--user daemon-reload\n"))
        << ReadFile(log);

    testsupport::WriteFile(log, "");
    r = Cli({"add", "--at", "daily", "--for", "1h", "-t", "news", address});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "scheduled recording 1, next start Thu 2099-12-24 19:58:00 UTC\n");
    EXPECT_EQ(ReadFile(log), "--user show --property=Version\n--user daemon-reload\n"
                             "--user enable --now brimcast-rec-1.timer\n"
                             "--user show --property=NextElapseUSecRealtime brimcast-rec-1.timer\n");

    testsupport::WriteFile(log, "");
    r = Cli({"remove", "1"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(log), "--user show --property=Version\n--user disable --now brimcast-rec-1.timer\n"
                             "--user stop brimcast-rec-1.service\n--user daemon-reload\n");
    EXPECT_FALSE(FileExists(UnitFile("brimcast-rec-1.service")));
    EXPECT_FALSE(FileExists(UnitFile("brimcast-rec-1.timer")));
}

// The service's command, split by systemd's rules, records the slot's length
// (with the padding) of a broadcast under the exact title and folder.
TEST_F(CliScheduleTest, TheServiceCommandRecordsTheSlot)
{
    testsupport::FakeServer mmsh;
    ASSERT_TRUE(mmsh.Start("mmsh_server.py",
                           {"--mode", "live", "--file", testsupport::MakeSampleAsf({.seconds = 8}), "--lifetime", "60"}));
    const std::string stream = "http://127.0.0.1:" + std::to_string(mmsh.port()) + "/clip.asf?x=%41&y=$HOME";
    const std::string out = home.File("out $HOME 100%");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);
    const std::string title = "news \"50%\" $HOME it's \\ %n";

    auto r = Cli({"add", "--units-only", "--at", "daily", "--for", "2s", "--pre", "1", "-d", out, "-t", title,
                  "--if-exists", "overwrite", stream});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFile(log), "");
    const std::string service = ReadFile(UnitFile("brimcast-rec-1.service"));
    std::vector<std::string> argv;
    ASSERT_TRUE(SystemdWords(UnitValue(service, "ExecStart"), &argv)) << service;
    EXPECT_EQ(argv, (std::vector<std::string>{testsupport::BinaryDir() + "/src/cli/brimcast-cli", "--config",
                                              home.File("Brimcast.conf"), "record", "--json", "--max-time", "3", "-d",
                                              out, "-t", title, "--if-exists", "overwrite", "--", stream}));
    EXPECT_EQ(UnitValue(service, "StandardOutput"), "truncate:" + home.File("state/Brimcast/schedule/brimcast-rec-1.jsonl"));

    auto run = RunProcess(argv, std::chrono::seconds(60), "", {"HOME=" + home.path(), "LC_ALL=C.UTF-8"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string file = out + "/" + title + ".asf";
    ASSERT_TRUE(FileExists(file)) << run.out;
    const double seconds = testsupport::ProbeDuration(file);
    EXPECT_GT(seconds, 2.5);
    EXPECT_LT(seconds, 4.5);
}

}  // namespace
