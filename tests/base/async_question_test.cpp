// A question asked on one thread and answered on another, and the cancel
// signal that withdraws it. CI runs these under ThreadSanitizer.

#include "base/async_question.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Question = AsyncQuestion<std::string>;

TEST(AsyncQuestion, ACancelWithdrawsAnOpenQuestionOnceAndRefusesTheLateAnswer)
{
    CancelSignal stop;
    auto question = Question::Make();
    std::atomic<int> withdrawn{0};
    std::promise<void> shown;
    // The answering side shows the question and registers its withdrawal,
    // but never answers: the user has walked away.
    std::thread frontEnd([&, question] {
        question->OnWithdraw([&] { ++withdrawn; });
        shown.set_value();
    });
    auto asked = std::async(std::launch::async, [&] { return question->Wait(stop); });
    shown.get_future().wait();
    frontEnd.join();
    EXPECT_EQ(asked.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    const auto start = Clock::now();
    stop.Cancel();
    stop.Cancel();
    EXPECT_EQ(asked.get(), std::nullopt);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
    EXPECT_TRUE(question->Withdrawn());
    EXPECT_FALSE(question->Answer("too late"));
    EXPECT_EQ(withdrawn.load(), 1);

    // Asked after the stop: withdrawn at once, so the front end shows no
    // dialog. An answer from another thread wakes the asker, once.
    EXPECT_EQ(Question::Make()->Wait(stop), std::nullopt);
    stop.Reset();
    auto next = Question::Make();
    std::thread answerer([next] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_TRUE(next->Answer("ok") && !next->Answer("again"));
    });
    EXPECT_EQ(next->Wait(stop), std::optional<std::string>("ok"));
    answerer.join();
}

TEST(CancelSignal, AnEndedWatchNeverRunsAndCancelsRaceWithWatchesSafely)
{
    CancelSignal stop;
    int runs = 0;
    {
        CancelSignal::Watch watch = stop.OnCancel([&] { ++runs; });
        CancelSignal::Watch moved = std::move(watch);
        moved.Reset();
    }
    stop.Cancel();
    EXPECT_EQ(runs, 0);
    const CancelSignal::Watch late = stop.OnCancel([&] { ++runs; });
    EXPECT_EQ(runs, 1) << "a watch of a set signal runs at once";

    // Many watches start and end while another thread sets the signal: each
    // watcher runs at most once and never after its watch has ended.
    for (int round = 0; round < 200; ++round) {
        CancelSignal signal;
        std::atomic<int> ran{0}, afterEnd{0};
        std::atomic<bool> ended{false};
        std::thread canceller([&] { signal.Cancel(); });
        {
            CancelSignal::Watch w = signal.OnCancel([&] {
                ++ran;
                if (ended)
                    ++afterEnd;
            });
        }
        ended = true;
        canceller.join();
        EXPECT_LE(ran.load(), 1);
        EXPECT_EQ(afterEnd.load(), 0);
    }
}

}  // namespace
