// Feeds the ASX reader (all three configurations), the ASF walk and the
// media list's .kvx and .qsd readers thousands of deterministic mutations of
// real inputs. Under AddressSanitizer and UndefinedBehaviorSanitizer this
// finds reads and writes out of bounds; the shared checks find wrong results.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <random>

#include "asf_test_builder.h"
#include "base/app_settings.h"
#include "kvx_bytes.h"
#include "reader_checks.h"

namespace {

// The engine's sequence is fixed by the standard: the same inputs everywhere.
struct Rng : std::mt19937_64 {
    using std::mt19937_64::mt19937_64;
    size_t Below(size_t n) { return n ? size_t((*this)() % n) : 0; }
};

const uint64_t kExtremes[] = {0,          1,          23,         24,         29,         30,
                              0x7FFFFFFF, 0xFFFFFFFF, 1ull << 32, ~0ull >> 1, 1ull << 63, ~0ull};

struct Seeds {
    std::vector<std::string> inputs;
    std::string specials;                 // characters that drive the grammar
    std::vector<size_t> sizeFields = {};  // of the first input: offsets of 64-bit object sizes
};

// One to three rounds of: bit flips; a cut; an object size, or any 2- or
// 4-byte field, set to an extreme or off by one; a splice of another input;
// grammar characters inserted or as a run (fields without their NUL); a
// piece repeated (counts past their limits).
std::string Mutate(Rng& rng, const Seeds& seeds)
{
    const size_t which = rng.Below(seeds.inputs.size());
    std::string s = seeds.inputs[which];
    for (size_t round = 1 + rng.Below(3); round > 0; --round) {
        const size_t at = rng.Below(s.size() + 1),
                     n = 1 + rng.Below(std::min<size_t>(s.size() - at, 600) + 1);
        const std::vector<size_t>& fields = which == 0 ? seeds.sizeFields : std::vector<size_t>();
        switch (rng.Below(6)) {
            case 0:
                for (size_t k = 1 + rng.Below(8); k > 0 && !s.empty(); --k)
                    s[rng.Below(s.size())] ^= static_cast<char>(1u << rng.Below(8));
                break;
            case 1:
                s.resize(at);
                break;
            case 2: {
                const uint64_t extreme = kExtremes[rng.Below(std::size(kExtremes))];
                if (fields.empty() || rng.Below(2)) {
                    s.replace(at, 4, asftest::Le(extreme, rng.Below(2) ? 2 : 4));
                } else {
                    const size_t field = std::min(fields[rng.Below(fields.size())], s.size());
                    s.replace(field, 8,
                              asftest::U64(rng.Below(2) ? extreme : s.size() - field + rng.Below(3) - 1));
                }
                break;
            }
            case 3: {
                const std::string& other = seeds.inputs[rng.Below(seeds.inputs.size())];
                const size_t from = rng.Below(other.size() + 1);
                s.replace(at, rng.Below(2) ? 0 : n, other, from, rng.Below(other.size() - from + 1));
                break;
            }
            case 4:
                s.replace(at, rng.Below(2) ? 0 : n, rng.Below(2) ? 1 + rng.Below(4) : n,
                          seeds.specials[rng.Below(seeds.specials.size())]);
                break;
            default:
                for (size_t k = rng.Below(300), piece = std::min<size_t>(n, 200); k > 0 && s.size() < 200000;
                     --k)
                    s.insert(at, std::string(s, at, piece));
        }
    }
    return s;
}

TEST(FormatsMutation, ReadersSurviveMutatedInputs)
{
    const Seeds asx = {
        {"<ASX version=\"3.0\"><Entry><ref href=\"mms://host/a.asf\"/></Entry></ASX>",
         "<ASX><Entry><Ref HREF = \"mms://h/a\"></Entry><Entry><EntryRef href=\"http://h/b\"/></Entry>",
         "<asx><moreinfo href=\"http://info\"/><entry><ref href=x a=b/><ref href=''><TITLE>제목</TITLE>"
         "<!-- comment --><?xml?><ASX><Ref href=mms://bad></ASX>",
         "[Reference]\r\nRef1=http://host/a.asf\r\nRef2=mms://host/b\r\n[Other]\r\nRef3=no\r\n",
         "ASF http://host/a.asf\r\n  asf\tmms://host/b\r\nhttp://host/c\r\nmmst://d\r\n",
         "\xEF\xBB\xBF[Reference]\nRef1=mms://host/a\nRef02=http://host/b\n",
         "junk <Ref href=\"mms://host/a\"/><EntryRef href=\"http://host/b.asx\"/>"},
        std::string("<>/=\"[]\r\n\t \0-!?AaEeRrFf", 23)};
    Seeds asf = {{asftest::SampleFile(), asftest::Header({asftest::FileProperties()}) + asftest::Data(2, 50)},
                 std::string(1, '\0')};
    AsfFileInfo info;
    ASSERT_TRUE(
        info.ParseBuffer(reinterpret_cast<const uint8_t*>(asf.inputs[0].data()), asf.inputs[0].size()));
    for (const AsfObjectRecord& r : info.Objects())
        asf.sizeFields.push_back(static_cast<size_t>(r.offset) + 16);
    std::string kvxFile = KvxHeader("info", "user", "pass");
    for (std::string address : {"mms://h/a.asf", "/home/u/b.wmv", "c:\\x\\\xC7\xD1.wma", "http://h/c.asx?q"})
        kvxFile += KvxRecord("\xC7\xD1\xB1\xDB", address, "0:01:02", "3M", " inf ");
    const std::string listSpecials("\0\xFF\x80\n[]=\"\xC7-", 10);
    const Seeds kvx = {{kvxFile}, listSpecials};
    const Seeds qsd = {
        {"[Info]\r\nFiles=4\r\n[Folder 0]\r\nTitle=\"Quoted\"\r\nPath=C:\\a\r\nUrl=mms://r/a.asf\r\n"
         "[Folder 1]\r\nTitle=\r\nUrl=http://r/b.wmv?x=1\r\n[Folder 2]\r\nTitle=\xC7\xD1\xB1\xDB\r\n"
         "Url=/home/u/c.asf\r\n; comment\r\n[Folder 3]\r\nUrl=\r\n"},
        listSpecials};

    // The list readers append to one list, cleared now and then.
    AppSettings settings;
    MediaList list(settings, nullptr);
    list.SetCredentialProbe([](const std::string&, const std::string&, const std::string&) {});
    const std::pair<const Seeds*, std::function<std::string(const std::string&, bool*)>> targets[] = {
        {&asx, CheckAsxReader},
        {&asf, CheckAsfWalk},
        {&kvx, [&](const std::string& b, bool* read) { return CheckKvxRead(list, b, read); }},
        {&qsd, [&](const std::string& b, bool* read) { return CheckQsdRead(list, b, read); }},
    };
    for (const auto& [seeds, check] : targets) {
        Rng rng(20240601 + seeds->inputs.size());
        // A wall-clock cap beside the count keeps slow sanitizer builds short.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        int runs = 0, read = 0;
        for (; runs < 5000 && std::chrono::steady_clock::now() < end; ++runs) {
            const std::string input = Mutate(rng, *seeds);
            bool wasRead = false;
            ASSERT_EQ(check(input, &wasRead), "") << testing::PrintToString(input.substr(0, 2000));
            read += wasRead;
            if (list.RowCount() > 2000)
                list.New(-1);
        }
        EXPECT_GT(runs, 200);
        EXPECT_GT(read * 10, runs) << seeds->inputs[0].substr(0, 10);
        EXPECT_TRUE(IsValidUtf8(settings.m_memberUser));
    }
}

}  // namespace
