// The CLI's terminal questions end when the asking job is stopped, even
// while the user types nothing: a read that a stop cannot end would keep a
// stopped recording (and the program's exit) waiting for the keyboard.

#include "cli/terminal_prompts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include <unistd.h>

#include "base/app_settings.h"
#include "test_support.h"

namespace {

// What each --if-exists answer sets and answers, unasked; a renamed file
// takes the next free numbered name.
TEST(TerminalPrompts, EachIfExistsPolicyAnswersForTheUser)
{
    using F = UserPrompts::FileExists;
    struct Case {
        IfExists policy;
        int resumable, overWrite;  // the settings it puts in force
        bool resume;
        F button;
        bool all;
        bool numbered;  // Save As gets a numbered name
    } cases[] = {
        {IfExists::Resume, 1, 0, true, F::SaveAs, false, true},
        {IfExists::Rename, 1, 0, false, F::SaveAs, false, true},
        {IfExists::Overwrite, 1, 1, false, F::Ok, false, false},
        {IfExists::Skip, 1, 1, false, F::Pass, true, false},
    };
    testsupport::TempDir dir;
    testsupport::WriteFile(dir.File("a.asf"), "old");
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.policy));
        TerminalPrompts prompts(c.policy, /*interactive=*/true);
        AppSettings settings;
        settings.m_resumable = settings.m_overWrite = 7;
        prompts.Configure(settings);
        EXPECT_EQ(settings.m_resumable, c.resumable);
        EXPECT_EQ(settings.m_overWrite, c.overWrite);
        CancelSignal running;
        EXPECT_EQ(prompts.AskResume(dir.File("a.asf"), running), c.resume);
        bool all = !c.all;
        EXPECT_EQ(prompts.AskFileExists(dir.File("a.asf"), all, running), c.button);
        EXPECT_EQ(all, c.all);
        std::string path = dir.File("a.asf");
        EXPECT_EQ(prompts.AskSavePath(path, running), c.numbered);
        EXPECT_EQ(path, dir.File(c.numbered ? "a(0).asf" : "a.asf"));
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
