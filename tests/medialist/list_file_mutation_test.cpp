#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "formats/legacy_text.h"
#include "medialist/media_list.h"
#include "record/app_settings.h"

namespace {

// Thousands of deterministic mutations of valid files fed to the .kvx and
// .qsd readers (the sanitizer builds run this too). Whatever the input, the
// readers must neither crash nor overrun, and every text they produce must
// be valid UTF-8.

class Rng {
public:
    explicit Rng(uint64_t seed) : s_(seed) {}
    uint64_t Next()
    {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 7;
        s_ ^= s_ << 17;
        return s_;
    }
    size_t Below(size_t n) { return n == 0 ? 0 : static_cast<size_t>(Next() % n); }

private:
    uint64_t s_;
};

std::string Mutate(const std::string& base, Rng& rng)
{
    std::string s = base;
    const int edits = 1 + static_cast<int>(rng.Below(8));
    for (int e = 0; e < edits; ++e) {
        switch (rng.Below(7)) {
        case 0:  // flip a bit
            if (!s.empty())
                s[rng.Below(s.size())] ^= static_cast<char>(1u << rng.Below(8));
            break;
        case 1:  // a notable byte
            if (!s.empty()) {
                static const char kBytes[] = {'\0', '\xFF', '\x80', '\n', '[', ']', '=', '"', '\xC7', '-'};
                s[rng.Below(s.size())] = kBytes[rng.Below(sizeof kBytes)];
            }
            break;
        case 2:  // cut
            s.resize(rng.Below(s.size() + 1));
            break;
        case 3:  // insert random bytes
        {
            std::string junk(rng.Below(40), '\0');
            for (char& c : junk)
                c = static_cast<char>(rng.Next());
            s.insert(rng.Below(s.size() + 1), junk);
            break;
        }
        case 4:  // duplicate a chunk
            if (!s.empty()) {
                const size_t from = rng.Below(s.size());
                const size_t len = rng.Below(std::min<size_t>(s.size() - from, 700) + 1);
                s.insert(rng.Below(s.size() + 1), s.substr(from, len));
            }
            break;
        case 5:  // fill a range with one byte (a field without its NUL)
            if (!s.empty()) {
                const size_t from = rng.Below(s.size());
                const size_t len = rng.Below(std::min<size_t>(s.size() - from, 300) + 1);
                s.replace(from, len, len, static_cast<char>(rng.Next()));
            }
            break;
        default:  // erase a range
            if (!s.empty()) {
                const size_t from = rng.Below(s.size());
                s.erase(from, rng.Below(s.size() - from + 1));
            }
            break;
        }
    }
    return s;
}

std::string KvxSample()
{
    std::string h(224, '\0');
    h.replace(0, 4, "0.1b");
    h.replace(10, 3, "mms");
    h.replace(15, 4, "info");
    h.replace(124, 4, "user");
    h.replace(154, 4, "pass");
    std::string bytes = h;
    const char* addresses[] = {"mms://h/a.asf", "/home/u/b.wmv", "c:\\x\\\xC7\xD1.wma", "http://h/c.asx?q"};
    for (const char* address : addresses) {
        std::string r(584, '\0');
        r.replace(0, 8, "Brimcast");
        r.replace(50, 8, "Brimcast");
        r.replace(100, 4, "\xC7\xD1\xB1\xDB");
        r.replace(150, std::string(address).size(), address);
        r.replace(425, 7, "0:01:02");
        r.replace(435, 2, "3M");
        r.replace(488, 5, " inf ");
        bytes += r;
    }
    return bytes;
}

const char kQsdSample[] =
    "[Info]\r\nFiles=4\r\n"
    "[Folder 0]\r\nTitle=\"Quoted\"\r\nPath=C:\\a\r\nUrl=mms://r/a.asf\r\nName=a\r\n"
    "[Folder 1]\r\nTitle=\r\nUrl=http://r/b.wmv?x=1\r\n"
    "[Folder 2]\r\nTitle=\xC7\xD1\xB1\xDB\r\nUrl=/home/u/c.asf\r\n"
    "; comment\r\n[Folder 3]\r\nUrl=\r\n";

// The rows from `from` on (the ones just added).
void ExpectSaneRows(const MediaList& list, int from)
{
    for (int r = from; r < list.RowCount(); ++r)
        for (const std::string& cell : list.Row(r).cells)
            ASSERT_TRUE(IsValidUtf8(cell));
    ASSERT_TRUE(IsValidUtf8(list.InfoText()));
}

constexpr int kRuns = 20000;
// A guard for slow sanitizer machines; the run count is the real bound.
constexpr auto kTimeBudget = std::chrono::seconds(40);

TEST(ListFileMutations, KvxReaderSurvivesMutatedFiles)
{
    const std::string base = KvxSample();
    Rng rng(0x9E3779B97F4A7C15ull);
    AppSettings settings;
    MediaList list(settings, nullptr);
    int probes = 0;
    list.SetCredentialProbe([&](const std::string&, const std::string&, const std::string&) { ++probes; });
    const auto start = std::chrono::steady_clock::now();
    int accepted = 0;
    for (int i = 0; i < kRuns && std::chrono::steady_clock::now() - start < kTimeBudget; ++i) {
        const std::string input = Mutate(base, rng);
        const int before = list.RowCount();
        ListReadReport report;
        const int first = list.ReadKvxBytes(input, &report);
        const int added = list.RowCount() - before;
        ASSERT_GE(added, 0);
        ASSERT_LE(static_cast<size_t>(added), input.size() < 224 ? 0 : (input.size() - 224) / 584);
        if (first >= 0) {
            ++accepted;
            ASSERT_EQ(first, before);
            ASSERT_GT(added, 0);
        } else {
            ASSERT_EQ(added, 0);
        }
        ExpectSaneRows(list, before);
        ASSERT_TRUE(IsValidUtf8(settings.m_memberUser));
        ASSERT_TRUE(IsValidUtf8(settings.m_memberPassword));
        if (list.RowCount() > 2000)
            list.New(-1);
    }
    // The mutations keep a fair share of files readable, so both paths ran.
    EXPECT_GT(accepted, 100);
    EXPECT_GT(probes, 0);
}

TEST(ListFileMutations, QsdReaderSurvivesMutatedFiles)
{
    const std::string base = kQsdSample;
    Rng rng(0xD1B54A32D192ED03ull);
    AppSettings settings;
    MediaList list(settings, nullptr);
    const auto start = std::chrono::steady_clock::now();
    int withRows = 0;
    for (int i = 0; i < kRuns && std::chrono::steady_clock::now() - start < kTimeBudget; ++i) {
        const std::string input = Mutate(base, rng);
        const int before = list.RowCount();
        const int files = list.ReadQsdBytes(input);
        ASSERT_GE(files, 0);
        const int added = list.RowCount() - before;
        ASSERT_GE(added, 0);
        if (files == 0)
            ASSERT_EQ(added, 0);
        else
            ASSERT_LE(added, files);
        withRows += added > 0;
        for (int r = before; r < list.RowCount(); ++r) {
            const std::string address = list.Cell(r, kColOriginalFile);
            ASSERT_FALSE(address.empty());
            ASSERT_LE(address.size(), 199u * 3);  // CP949 grows at most 1.5x, U+FFFD 3x
        }
        ExpectSaneRows(list, before);
        if (list.RowCount() > 2000)
            list.New(-1);
    }
    EXPECT_GT(withRows, 100);
}

}  // namespace
