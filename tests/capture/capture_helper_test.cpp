// The capture helper and what comes from it. Its output is split into the
// same records whatever way the reads cut it, and refused past any record's
// limit before anything is buffered. The helper itself takes nothing but its
// own options, lists the adapters, and holds no privilege once it captures.
#include "capture/capture_helper.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

#include "capture/capture_rights.h"
#include "frame_builder.h"
#include "helper_fixture.h"
#include "test_support.h"

using namespace capturehelper;
using namespace std::chrono_literals;

namespace {

std::string Le32(uint32_t v) { return capturetest::Le(v, 4); }

// The fields of /proc/<pid>/status, "CapEff" -> "0000000000000000".
std::string StatusField(pid_t pid, const std::string& name)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name + ":", 0) == 0)
            return line.substr(line.find_first_not_of(" \t", name.size() + 1));
    }
    return {};
}

bool HoldsNetRaw() { return (std::stoull(StatusField(getpid(), "CapEff"), nullptr, 16) & (1ull << 13)) != 0; }

using Records = std::vector<std::pair<RecordType, std::string>>;

// Reads records until the helper ends its output or the time is up.
Records ReadAll(CaptureHelperProcess& helper, std::chrono::milliseconds limit, size_t enough = SIZE_MAX)
{
    Records records;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (records.size() < enough && std::chrono::steady_clock::now() < deadline) {
        RecordType type;
        std::string_view payload;
        while (records.size() < enough && helper.Next(&type, &payload) == RecordReader::Status::kRecord)
            records.emplace_back(type, std::string(payload));
        if (records.size() >= enough || helper.Read(100) == CaptureHelperProcess::ReadStatus::kEnd)
            break;
    }
    return records;
}

TEST(HelperRecordsTest, TheSameRecordsWhateverTheReadsCut)
{
    const Records expected = {{RecordType::kHead, Le32(1) + Le32(1)},
                              {RecordType::kFrame, std::string(300, 'f')},
                              {RecordType::kFrame, ""},
                              {RecordType::kError, "\3bye"}};
    std::string stream;
    for (const auto& [type, payload] : expected)
        stream += EncodeRecord(type, payload);
    for (size_t chunk = 1; chunk <= stream.size(); ++chunk) {
        RecordReader reader;
        Records got;
        for (size_t at = 0; at < stream.size(); at += chunk) {
            reader.Feed(stream.data() + at, std::min(chunk, stream.size() - at));
            RecordType type;
            std::string_view payload;
            while (reader.Next(&type, &payload) == RecordReader::Status::kRecord)
                got.emplace_back(type, std::string(payload));
        }
        EXPECT_EQ(got, expected) << "reads of " << chunk << " bytes";
    }
}

TEST(HelperRecordsTest, ARecordBeyondItsLimitIsRefusedBeforeItIsBuffered)
{
    for (const std::string& what : {"F" + Le32(0xFFFFFFFF), "F" + Le32(kMaxFrameBytes + 1), "H" + Le32(9),
                                    "R" + Le32(2), "E" + Le32(kMaxErrorBytes + 1), "Z" + Le32(1) + "z"}) {
        const std::string& bytes = what;
        RecordReader reader;
        reader.Feed(bytes.data(), bytes.size());
        RecordType type;
        std::string_view payload;
        EXPECT_EQ(reader.Next(&type, &payload), RecordReader::Status::kMalformed) << what;
        const std::string good = EncodeRecord(RecordType::kFrame, "x");
        reader.Feed(good.data(), good.size());
        EXPECT_EQ(reader.Next(&type, &payload), RecordReader::Status::kMalformed) << what << " is forgotten";
        EXPECT_FALSE(reader.problem().empty()) << what;
    }
}

TEST(HelperRecordsTest, AdapterNamesPortsAndAdapterRecords)
{
    for (const char* good : {"eth0", "br-1a2b3c", "veth1234567890a"})
        EXPECT_TRUE(ValidInterfaceName(good)) << good;
    for (const char* bad : {"", "a b", "../lo", "eth0:1", "-w", "..", "veth1234567890ab", "\x7f"})
        EXPECT_FALSE(ValidInterfaceName(bad)) << bad;

    std::vector<uint16_t> ports;
    EXPECT_TRUE(ParsePorts("8080,80,1755", &ports));
    EXPECT_EQ(ports, (std::vector<uint16_t>{8080, 80, 1755}));
    for (const char* bad : {"", "22", "80,80", "80,", "080", "554;1755"})
        EXPECT_FALSE(ParsePorts(bad, &ports)) << bad;

    AdapterRecord adapter;
    ASSERT_TRUE(DecodeAdapter(EncodeAdapter({"eth0", "Line\none\x1b[2J", {"192.0.2.7", "fe80::1"}}), &adapter));
    EXPECT_EQ(adapter.name, "eth0");
    EXPECT_EQ(adapter.description, "Line one [2J");
    EXPECT_EQ(adapter.addresses, (std::vector<std::string>{"192.0.2.7", "fe80::1"}));
    const std::string manyAddresses = "eth0" + std::string(1, '\0') + "d" + std::string(kMaxAddresses + 1, '\0');
    for (const std::string& bad : {std::string("a b\0d", 5), std::string("eth0"), std::string("eth0\0d\0x;y", 10),
                                   manyAddresses})
        EXPECT_FALSE(DecodeAdapter(bad, &adapter)) << bad;
}

TEST(CaptureHelperTest, TakesNothingButItsOwnOptions)
{
    for (const std::string arguments :
         {"", "--interface", "--interface ../lo", "--interface lo --ports 22", "--interface lo --interface lo",
          "--list --interface lo", "--interface lo -w /tmp/out.pcap", "--write /tmp/out.pcap", "-i lo"}) {
        std::vector<std::string> argv{capturetest::BuiltHelper()};
        for (size_t at = 0, end; at < arguments.size(); at = end + 1)
            argv.push_back(arguments.substr(at, (end = std::min(arguments.find(' ', at), arguments.size())) - at));
        const auto r = testsupport::RunProcess(argv, 10s);
        EXPECT_EQ(std::to_string(r.exitCode) + r.out, "2") << arguments;
    }
}

// Once the adapter is open the helper holds nothing: no capability, no root,
// no way back through an exec.
TEST(CaptureHelperTest, GivesUpEveryPrivilegeOnceTheAdapterIsOpen)
{
    CaptureHelperProcess helper;
    std::string error;
    ASSERT_TRUE(helper.Start(capturetest::BuiltHelper(), {"--interface", "lo", "--ports", "80"}, &error)) << error;
    const Records records = ReadAll(helper, 5s, 1);
    ASSERT_EQ(records.size(), 1u);
    if (records[0].first == RecordType::kError)
        GTEST_SKIP() << "live capture is not permitted here: " << records[0].second;
    ASSERT_EQ(records[0].first, RecordType::kHead);
    const pid_t pid = helper.pid();
    for (const char* field : {"CapPrm", "CapEff", "CapAmb"})
        EXPECT_EQ(StatusField(pid, field), "0000000000000000") << field;
    EXPECT_EQ(StatusField(pid, "NoNewPrivs"), "1");
    EXPECT_TRUE(getuid() != 0 || StatusField(pid, "Uid").starts_with("65534"));
    helper.Stop();
    EXPECT_TRUE(kill(pid, 0) != 0 && errno == ESRCH) << "the helper outlived its stop";
}

// The helper ends with the program that ran it, even one killed outright
// (a shell here, so that the test is not that program).
TEST(CaptureHelperTest, EndsWithTheProgramThatRanIt)
{
    if (!HoldsNetRaw())
        GTEST_SKIP() << "needs the right to capture on lo";
    testsupport::ChildProcess shell;
    ASSERT_TRUE(shell.Start(
        {"sh", "-c", "\"$0\" --interface lo --ports 80 >/dev/null & echo $!; wait", capturetest::BuiltHelper()}));
    std::string line;
    ASSERT_TRUE(shell.ReadLine(&line, 5s));
    const pid_t pid = std::stoi(line);
    // Capturing, its privileges given up: it has long set up its end.
    for (int i = 0; i < 250 && StatusField(pid, "NoNewPrivs") != "1"; ++i)
        std::this_thread::sleep_for(20ms);
    ASSERT_EQ(StatusField(pid, "NoNewPrivs"), "1");
    shell.Signal(SIGKILL);
    EXPECT_EQ(shell.Wait(5s), 128 + SIGKILL);
    auto ended = [pid] {
        const std::string state = StatusField(pid, "State");
        return state.empty() || state[0] == 'Z';
    };
    for (int i = 0; i < 250 && !ended(); ++i)
        std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(ended()) << "the helper outlived the program that ran it";
    if (!ended())
        kill(pid, SIGKILL);
}

// The command shown to the user quotes the helper's path for the shell.
TEST(CaptureRightsTest, TheCommandQuotesThePath)
{
    EXPECT_EQ(CaptureRightsCommand("/opt/my apps/it's/brimcast-capture"),
              "sudo setcap cap_net_raw+ep '/opt/my apps/it'\\''s/brimcast-capture'");
}

}  // namespace
