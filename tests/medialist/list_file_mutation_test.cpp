#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "formats/legacy_text.h"
#include "medialist/media_list.h"
#include "record/app_settings.h"

namespace {

// Deterministic mutations of valid files fed to the .kvx and .qsd readers
// (also under the sanitizers): no crash, no overrun, rows only from whole
// records or entries with an address, and every text valid UTF-8.

uint64_t Next(uint64_t& s)
{
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
}

std::string Mutate(std::string s, uint64_t& rng)
{
    const auto Below = [&](size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next(rng) % n); };
    for (int e = 1 + static_cast<int>(Below(8)); e > 0; --e) {
        const size_t at = Below(s.size()), len = Below(std::min<size_t>(s.size() - std::min(at, s.size()), 700) + 1);
        switch (Below(6)) {
        case 0:
            if (!s.empty())
                s[at] = "\0\xFF\x80\n[]=\"\xC7-"[Below(10)];
            break;
        case 1:
            s.resize(Below(s.size() + 1));
            break;
        case 2: {
            std::string junk(Below(40), '\0');
            for (char& c : junk)
                c = static_cast<char>(Next(rng));
            s.insert(std::min(at, s.size()), junk);
            break;
        }
        case 3:  // duplicate a chunk
            s.insert(Below(s.size() + 1), s.substr(std::min(at, s.size()), len));
            break;
        case 4:  // a run of one byte: fields without their NUL
            if (!s.empty())
                s.replace(at, len, len, static_cast<char>(Next(rng)));
            break;
        default:
            if (!s.empty())
                s.erase(at, len);
        }
    }
    return s;
}

std::string KvxSample()
{
    std::string bytes = std::string(224, '\0').replace(0, 4, "0.1b").replace(10, 3, "mms").replace(15, 4, "info")
                            .replace(124, 4, "user").replace(154, 4, "pass");
    for (std::string address : {"mms://h/a.asf", "/home/u/b.wmv", "c:\\x\\\xC7\xD1.wma", "http://h/c.asx?q"})
        bytes += std::string(584, '\0').replace(0, 8, "Brimcast").replace(50, 8, "Brimcast")
                     .replace(100, 4, "\xC7\xD1\xB1\xDB").replace(150, address.size(), address)
                     .replace(425, 7, "0:01:02").replace(435, 2, "3M").replace(488, 5, " inf ");
    return bytes;
}

const char kQsdSample[] =
    "[Info]\r\nFiles=4\r\n[Folder 0]\r\nTitle=\"Quoted\"\r\nPath=C:\\a\r\nUrl=mms://r/a.asf\r\nName=a\r\n"
    "[Folder 1]\r\nTitle=\r\nUrl=http://r/b.wmv?x=1\r\n[Folder 2]\r\nTitle=\xC7\xD1\xB1\xDB\r\nUrl=/home/u/c.asf\r\n"
    "; comment\r\n[Folder 3]\r\nUrl=\r\n";

constexpr int kRuns = 20000;
constexpr auto kTimeBudget = std::chrono::seconds(40);  // a guard for slow sanitizer machines

template <typename Read, typename Check>
int FeedMutations(const std::string& base, uint64_t seed, Read read, Check check)
{
    AppSettings settings;
    MediaList list(settings, nullptr);
    list.SetCredentialProbe([](const std::string&, const std::string&, const std::string&) {});
    int productive = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRuns && std::chrono::steady_clock::now() - start < kTimeBudget; ++i) {
        const std::string input = Mutate(base, seed);
        const int before = list.RowCount();
        const int result = read(list, input);
        const int added = list.RowCount() - before;
        check(input, result, before, added);
        for (int r = before; r < list.RowCount(); ++r)
            for (const std::string& cell : list.Row(r).cells)
                EXPECT_TRUE(IsValidUtf8(cell));
        EXPECT_TRUE(IsValidUtf8(list.InfoText()) && IsValidUtf8(settings.m_memberUser));
        if (::testing::Test::HasFailure())
            return productive;
        productive += added > 0;
        if (list.RowCount() > 2000)
            list.New(-1);
    }
    return productive;
}

TEST(ListFileMutations, KvxReader)
{
    const int productive = FeedMutations(
        KvxSample(), 0x9E3779B97F4A7C15ull, [](MediaList& l, const std::string& in) { return l.ReadKvxBytes(in); },
        [](const std::string& in, int first, int before, int added) {
            EXPECT_LE(static_cast<size_t>(added), in.size() < 224 ? 0 : (in.size() - 224) / 584);
            EXPECT_EQ(first, added > 0 ? before : -1);
        });
    EXPECT_GT(productive, 1000);  // the mutations leave enough readable files
}

TEST(ListFileMutations, QsdReader)
{
    const int productive = FeedMutations(
        kQsdSample, 0xD1B54A32D192ED03ull, [](MediaList& l, const std::string& in) { return l.ReadQsdBytes(in); },
        [](const std::string&, int files, int, int added) {
            EXPECT_GE(files, 0);
            EXPECT_LE(added, files);
        });
    EXPECT_GT(productive, 1000);
}

}  // namespace
