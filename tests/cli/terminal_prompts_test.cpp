// The CLI's terminal questions end when the asking job is stopped, even
// while the user types nothing: a read that a stop cannot end would keep a
// stopped recording (and the program's exit) waiting for the keyboard.

#include "cli/terminal_prompts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include <unistd.h>

namespace {

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
