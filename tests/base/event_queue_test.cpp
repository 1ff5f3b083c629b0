#include "base/event_queue.h"

#include <map>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

JobEvent Event(uint16_t job, JobEventKind kind, uint64_t bytes = 0)
{
    JobEvent e;
    std::tie(e.jobId, e.kind, e.bytes) = std::tuple(job, kind, bytes);
    return e;
}

// Runs every event and task so far, in the order the main loop takes them,
// writing events into `log` as "job:kind:bytes".
void Drain(EventQueue& queue, std::string& log)
{
    while (queue.RunNext(0ms, [&](const JobEvent& e) {
        log += std::to_string(e.jobId) + ":" + JobEventKindName(e.kind) + ":" + std::to_string(e.bytes) + " ";
    })) {
    }
}

// Progress is merged only where nothing of its job follows; tasks run once
// in their place among the events.
TEST(EventQueue, ProgressIsMergedOnlyWhereNothingOfItsJobFollows)
{
    EventQueue queue;
    std::string log;  // the tasks write into it
    queue.Post(Event(1, JobEventKind::Connecting));
    queue.Post(Event(1, JobEventKind::Progress, 10));
    queue.Post([&] { log += "A "; });
    queue.Post(Event(2, JobEventKind::Progress, 7));
    queue.Post(Event(1, JobEventKind::Progress, 20));  // replaces job 1's 10
    queue.Post(Event(1, JobEventKind::HeaderReceived));
    queue.Post(Event(1, JobEventKind::Progress, 30));  // after the header: a new item
    queue.Post(Event(2, JobEventKind::Progress, 8));   // replaces job 2's 7
    queue.Post([&] { log += "B "; });
    queue.Post(Event(1, JobEventKind::Finished, 40));
    Drain(queue, log);
    EXPECT_EQ(log, "1:Connecting:0 1:Progress:20 A 2:Progress:8 1:HeaderReceived:0 1:Progress:30 B 1:Finished:40 ");
    EXPECT_FALSE(queue.RunNext(0ms, nullptr));

}

// Jobs on threads of their own post thousands of progress events and then
// their end; the main loop sees every end after that job's newest progress,
// and never a value older than one it has shown. (Run under the thread
// sanitizer too.)
TEST(EventQueue, JobsOnOtherThreadsEndAfterTheirNewestProgress)
{
    EventQueue queue;
    constexpr int kJobs = 4;
    constexpr uint64_t kSteps = 5000;
    std::vector<std::thread> jobs;
    for (uint16_t id = 1; id <= kJobs; ++id) {
        jobs.emplace_back([&queue, id] {
            for (uint64_t b = 1; b <= kSteps; ++b)
                queue.Post(Event(id, JobEventKind::Progress, b));
            queue.Post(Event(id, JobEventKind::Finished, kSteps));
        });
    }
    std::map<uint16_t, uint64_t> shown;
    std::set<uint16_t> ended;
    while (static_cast<int>(ended.size()) < kJobs) {
        ASSERT_TRUE(queue.RunNext(5s, [&](const JobEvent& e) {
            EXPECT_EQ(ended.count(e.jobId), 0u) << "an event after the end of job " << e.jobId;
            EXPECT_GE(e.bytes, shown[e.jobId]);
            shown[e.jobId] = e.bytes;
            if (e.kind == JobEventKind::Finished)
                ended.insert(e.jobId);
        })) << "the queue stalled";
    }
    for (auto& t : jobs)
        t.join();
    for (uint16_t id = 1; id <= kJobs; ++id)
        EXPECT_EQ(shown[id], kSteps);
    EXPECT_FALSE(queue.RunNext(0ms, nullptr));
}

}  // namespace
