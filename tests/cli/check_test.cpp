// brimcast-cli check end to end: many addresses probed at once against the
// fake servers of every transport, and what each answer tells.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "asf_stream.h"
#include "test_support.h"

using testsupport::FakeServer;

namespace {

std::string Address(const std::string& scheme, const FakeServer& s, const std::string& path)
{
    return scheme + "://127.0.0.1:" + std::to_string(s.port()) + path;
}

testsupport::ProcessResult Cli(const testsupport::TempDir& config, const std::vector<std::string>& args)
{
    std::vector<std::string> argv = {testsupport::BinaryDir() + "/src/cli/brimcast-cli", "--config",
                                     config.File("Brimcast.conf")};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::RunProcess(argv, std::chrono::seconds(90), "",
                                   {"XDG_CONFIG_HOME=" + config.path(), "LC_ALL=C.UTF-8"});
}

TEST(CliCheckTest, AddressesOfEveryTransportAreProbedAtOnceAndDescribed)
{
    testsupport::TempDir config;
    const std::string sample = asfstream::Sample();
    auto start = [&](FakeServer& s, const char* script, std::vector<std::string> more = {}) {
        more.insert(more.end(), {"--lifetime", "90", "--connections", "12"});
        ASSERT_TRUE(asfstream::StartServer(s, script, sample, more)) << script;
    };
    FakeServer mms, mmsh, mmshLive, rtsp, http, silent;
    start(mms, "mms_server.py");
    start(mmsh, "mmsh_server.py");
    start(mmshLive, "mmsh_server.py", {"--mode", "live"});
    start(rtsp, "rtsp_server.py");
    ASSERT_TRUE(http.Start("http_server.py", {"--file", sample, "--lifetime", "90"}));
    start(silent, "mms_server.py", {"--fault", "silent"});
    std::string refused;
    {
        FakeServer gone;  // a port nobody listens on
        start(gone, "mms_server.py");
        refused = Address("mms", gone, "/gone.asf");
    }

    // Each address and the start of its line.
    std::vector<std::pair<std::string, std::string>> cases;
    auto add = [&](const std::string& address, const std::string& rest) {
        cases.push_back({address, "{\"event\":\"checked\",\"address\":\"" + address + "\",\"result\":" + rest});
    };
    auto ok = [&](const std::string& address, const char* transport, const char* delivery) {
        add(address, "\"Ok\",\"transport\":\"" + std::string(transport) + "\",\"delivery\":\"" + delivery + "\"");
    };
    // The probe's time limit stops the first transport, which had no answer.
    auto silence = [&](const std::string& address) {
        add(address, "\"Error\",\"error\":\"no answer in time (MMS over TCP: no answer in time)\"");
    };
    ok(Address("mms", mms, "/a.asf"), "MMS over TCP", "on demand");
    silence(Address("mms", silent, "/one.asf"));
    ok(Address("http", mmsh, "/b.asf"), "MMS over HTTP", "on demand");
    ok(Address("http", mmshLive, "/live.wmv"), "MMS over HTTP", "live");
    ok(Address("rtsp", rtsp, "/c.wma"), "RTSP", "on demand");
    ok(Address("http", http, "/file"), "HTTP", "on demand");
    silence(Address("mms", silent, "/two.asf"));
    add(refused, "\"Error\",\"error\":\"Not Found (MMS over TCP: connection refused; MMS over HTTP: "
                 "connection refused; HTTP: connection refused)\"");
    silence(Address("mms", silent, "/three.asf"));

    std::vector<std::string> args = {"check", "--json", "--probe-time", "4"};
    std::string expected;
    for (const auto& [address, line] : cases) {
        args.push_back(address);
        expected += line + "\n";
    }
    const auto begun = std::chrono::steady_clock::now();
    const auto r = Cli(config, args);
    // Three silent addresses of four seconds each, one after another, would
    // take twelve; at eight at a time they share their four.
    EXPECT_LT(std::chrono::steady_clock::now() - begun, std::chrono::seconds(4 + 4));
    EXPECT_EQ(r.exitCode, 1) << r.err;
    // In the order given, whatever order the answers came in.
    std::string got;
    size_t line = 0;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos && line < cases.size(); at = end + 1)
        got += r.out.substr(at, std::min(end - at, cases[line++].second.size())) + "\n";
    EXPECT_EQ(got, expected) << r.out;

    // Without --json: one word per address. A list file is no network address.
    const auto plain = Cli(config, {"check", "-j", "1", cases[0].first, refused, "/no/such/list.kvx"});
    EXPECT_EQ(plain.exitCode, 1);
    EXPECT_EQ(plain.out, cases[0].first + " Ok\n" + refused + " Error\n/no/such/list.kvx Error\n");
}

}  // namespace
