// The CLI's terminal questions: answered by policy, or ended by a stop even
// while the user types nothing.

#include "cli/terminal_prompts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include <unistd.h>

#include "base/app_settings.h"
#include "test_support.h"

namespace {

// What each --if-exists policy puts in force and answers unasked: settings
// (resumable, overwrite), resume, button, "All", Save As (a renamed file takes
// the next free numbered name).
TEST(TerminalPrompts, EachIfExistsPolicyAnswersForTheUser)
{
    const std::pair<IfExists, std::string> cases[] = {{IfExists::Resume, "1 0 1 2 0 1 a(0).asf"},
                                                      {IfExists::Rename, "1 0 0 2 0 1 a(0).asf"},
                                                      {IfExists::Overwrite, "1 1 0 0 0 0 a.asf"},
                                                      {IfExists::Skip, "1 1 0 3 1 0 a.asf"}};
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("a.asf"), "old");
    for (const auto& [policy, expected] : cases) {
        TerminalPrompts prompts(policy, /*interactive=*/true);
        AppSettings settings;
        settings.m_resumable = settings.m_overWrite = 7;
        prompts.Configure(settings);
        CancelSignal running;
        bool all = policy != IfExists::Skip;  // each sets it
        std::string path = dir.File("a.asf"), got = std::to_string(settings.m_resumable) + " " +
                                                    std::to_string(settings.m_overWrite) + " " +
                                                    std::to_string(prompts.AskResume(path, running)) + " ";
        got += std::to_string(static_cast<int>(prompts.AskFileExists(path, all, running))) + " ";
        got += std::to_string(all) + " " + std::to_string(prompts.AskSavePath(path, running)) + " ";
        got += path.substr(dir.path().size() + 1);
        EXPECT_EQ(got, expected);
    }
}

TEST(TerminalPrompts, AStopEndsAQuestionNobodyAnswers)
{
    // stdin becomes a pipe that stays open and silent.
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const int savedStdin = ::dup(STDIN_FILENO);
    ASSERT_EQ(::dup2(fds[0], STDIN_FILENO), STDIN_FILENO);

    TerminalPrompts prompts(IfExists::Ask, /*interactive=*/true);
    CancelSignal stop;
    auto exists = std::async(std::launch::async, [&] {
        bool all = true;
        return prompts.AskFileExists("/r/a.asf \n\n File exist. Overwrite?", all, stop);
    });
    EXPECT_EQ(exists.wait_for(std::chrono::milliseconds(300)), std::future_status::timeout);
    const auto start = std::chrono::steady_clock::now();
    stop.Cancel();
    EXPECT_EQ(exists.get(), UserPrompts::FileExists::Cancel);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    // Every later question of the stopped job is refused at once.
    EXPECT_FALSE(prompts.AskCredentials("h", "u", "", stop).accepted);
    EXPECT_FALSE(prompts.AskResume("/r/a.asf", stop));

    // An answer typed in time is still taken.
    CancelSignal running;
    ASSERT_EQ(::write(fds[1], "o\n", 2), 2);
    bool all = true;
    EXPECT_EQ(prompts.AskFileExists("/r/b.asf", all, running), UserPrompts::FileExists::Ok);
    EXPECT_FALSE(all);

    ::dup2(savedStdin, STDIN_FILENO);
    ::close(savedStdin);
    ::close(fds[0]);
    ::close(fds[1]);
}

}  // namespace
