// How brimcast-cli ends, with real processes, signals and FIFOs.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <pcap/dlt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include "asf_stream.h"
#include "frame_builder.h"
#include "test_support.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliStopTest : public ::testing::Test {
protected:
    std::vector<std::string> Argv(const std::vector<std::string>& args) const
    {
        std::vector<std::string> argv = {Cli(), "--config", home.File("Brimcast.conf")};
        argv.insert(argv.end(), args.begin(), args.end());
        return argv;
    }
    static std::string Cli() { return testsupport::BinaryDir() + "/src/cli/brimcast-cli"; }

    // Reads the child's JSON lines until one holds every part; false when
    // the output ended or stayed silent first.
    static bool AwaitLine(testsupport::ChildProcess& child, const std::vector<std::string>& parts)
    {
        std::string line;
        while (child.ReadLine(&line, 20s)) {
            bool all = true;
            for (const std::string& p : parts)
                all = all && Contains(line, p);
            if (all)
                return true;
        }
        return false;
    }

    testsupport::TempDir home;
    testsupport::TempDir out;
    const std::vector<std::string> env = {"XDG_CONFIG_HOME=" + home.path(), "HOME=" + home.path()};
};

// A live stream falls silent after kPackets packets; each stop signal ends
// the recording within a second with its own exit status, and the file is
// finished: its header counts exactly the packets written, its durations
// follow from their times, and the index follows them.
TEST_F(CliStopTest, EachStopSignalFinishesTheRecordingWithItsOwnStatus)
{
    constexpr size_t kPackets = 20;
    const asfstream::Parts& src = asfstream::Split(asfstream::Sample());
    ASSERT_GT(src.packets.size(), kPackets);
    const std::pair<int, int> signals[] = {{SIGTERM, 143}, {SIGHUP, 129}, {SIGINT, 130}};
    for (const auto& [sig, status] : signals) {
        SCOPED_TRACE(strsignal(sig));
        const std::string name = "live" + std::to_string(sig);
        testsupport::FakeServer server;
        ASSERT_TRUE(asfstream::StartServer(server, "mmsh_server.py", asfstream::Sample(),
                                           {"--mode", "live", "--fault", "stall=" + std::to_string(kPackets),
                                            "--lifetime", "60"}));
        const std::string address = "http://127.0.0.1:" + std::to_string(server.port()) + "/" + name + ".asf";
        testsupport::ChildProcess cli;
        ASSERT_TRUE(cli.Start(Argv({"record", "--json", "-d", out.path(), address}), env));
        const uint64_t recorded = src.header.size() + kPackets * src.packetSize;
        ASSERT_TRUE(AwaitLine(cli, {"\"event\":\"progress\"", "\"bytes\":" + std::to_string(recorded)}));

        const auto signalled = Clock::now();
        cli.Signal(sig);
        EXPECT_EQ(cli.Wait(10s), status);
        EXPECT_LT(Clock::now() - signalled, 2s) << "a stop takes effect within a second";
        EXPECT_TRUE(Contains(cli.RemainingOutput(1s), "\"result\":\"cancelled\""));

        const std::string path = out.File(name + ".asf");
        EXPECT_TRUE(asfstream::IsRecordingOf(path, src, kPackets, true));
        if (sig == SIGTERM) {
            EXPECT_TRUE(asfstream::Decodes(path));
        }
    }
}

// `record --json ... | head -1`: the reader leaves after the first line;
// the recording goes on to the end of the stream and is whole, and the
// failed writes are reported once.
TEST_F(CliStopTest, AReaderThatLeavesNeverStopsARecording)
{
    // Large enough to count as a recording rather than a server's refusal.
    const std::string sample = testsupport::MakeSampleAsf({.seconds = 8, .videoBitrateK = 400});
    const asfstream::Parts& src = asfstream::Split(sample);
    testsupport::FakeServer server;
    ASSERT_TRUE(asfstream::StartServer(server, "mmsh_server.py", sample, {"--rate", "4", "--lifetime", "60"}));
    const std::string address = "http://127.0.0.1:" + std::to_string(server.port()) + "/whole.asf";
    const std::string errPath = home.File("stderr.txt");
    const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(errFd, 0);
    testsupport::ChildProcess cli;
    ASSERT_TRUE(cli.Start(Argv({"record", "--json", "-d", out.path(), address}), env, -1, errFd));
    close(errFd);
    std::string first;
    ASSERT_TRUE(cli.ReadLine(&first, 20s));
    EXPECT_TRUE(Contains(first, "\"event\":")) << first;
    cli.CloseOutput();
    EXPECT_EQ(cli.Wait(60s), 0);
    const std::string path = out.File("whole.asf");
    EXPECT_TRUE(asfstream::IsRecordingOf(path, src, src.packets.size(), false));
    EXPECT_TRUE(asfstream::Decodes(path));
    const std::string err = testsupport::ReadFile(errPath);
    const std::string failed = "cannot write to standard output";
    EXPECT_EQ(err.find(failed), err.rfind(failed)) << err;
    EXPECT_NE(err.find(failed), std::string::npos) << err;
}

// A capture savefile on a FIFO whose writer stays but sends nothing more:
// the time limit ends the capture with status 0; after one request a stop
// signal ends it with its own status; a writer leaving in the middle of a
// record is a damaged file (status 1).
TEST_F(CliStopTest, ACaptureEndsOnItsTimeLimitOrAStopWhateverItsInputDoes)
{
    const std::string path = home.File("one.pcap");
    {
        capturetest::SavefileWriter writer(path, DLT_EN10MB);
        writer.Write(capturetest::Frame(80, capturetest::HttpGet("/quiet.asf")));
    }
    const std::string one = testsupport::ReadFile(path);
    struct Case {
        std::string bytes;
        std::vector<std::string> options;
        int signal, status;
    } cases[] = {{one.substr(0, 24), {"--seconds", "1"}, 0, 0},
                 {one, {}, SIGTERM, 143},
                 {one.substr(0, one.size() - 5), {}, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const std::string fifo = home.File("f" + std::to_string(c.status));
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        std::vector<std::string> args = {"capture", "--pcap", fifo};
        args.insert(args.end(), c.options.begin(), c.options.end());
        testsupport::ChildProcess cli;
        const auto start = Clock::now();
        ASSERT_TRUE(cli.Start(Argv(args), env));
        int fd = -1;
        for (int i = 0; fd < 0 && i < 200; ++i) {
            fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0)
                std::this_thread::sleep_for(20ms);  // no reader yet
        }
        ASSERT_GE(fd, 0);
        ASSERT_EQ(write(fd, c.bytes.data(), c.bytes.size()), static_cast<ssize_t>(c.bytes.size()));
        if (c.status == 1)
            close(fd);
        if (c.signal) {
            std::string line;
            ASSERT_TRUE(cli.ReadLine(&line, 10s));
            EXPECT_EQ(line, "added\thttp://10.0.0.5/quiet.asf");
            cli.Signal(c.signal);
        }
        EXPECT_EQ(cli.Wait(10s), c.status);
        EXPECT_LT(Clock::now() - start, 3s);
        if (c.status != 1)
            close(fd);
    }
}

}  // namespace
