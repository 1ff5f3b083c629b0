// Feeds the ASX reader (all three configurations) and the ASF walk with
// thousands of deterministic mutations of real inputs: bit flips,
// truncations, size fields set to extremes and splices. Run under
// AddressSanitizer and UndefinedBehaviorSanitizer this finds any read or
// write out of bounds; the invariants below find wrong results.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "asf_test_builder.h"
#include "formats/asf_file_info.h"
#include "formats/asx_reader.h"
#include "formats/utf16.h"
#include "test_support.h"

namespace {

class Rng {
public:
    explicit Rng(uint64_t seed) : state_(seed) {}
    uint64_t Next()
    {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }

private:
    uint64_t state_;
};

// A wall-clock cap beside the iteration count keeps slow sanitizer builds short.
class Budget {
public:
    explicit Budget(std::chrono::milliseconds limit) : end_(std::chrono::steady_clock::now() + limit) {}
    bool Left() const { return std::chrono::steady_clock::now() < end_; }

private:
    std::chrono::steady_clock::time_point end_;
};

const uint64_t kExtremes[] = {0, 1, 23, 24, 29, 30, 0x7FFFFFFF, 0xFFFFFFFF, 0x100000000ull,
                              0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull, ~0ull};

void StoreLe(std::string& s, size_t at, uint64_t v, size_t width)
{
    for (size_t i = 0; i < width && at + i < s.size(); ++i)
        s[at + i] = static_cast<char>(v >> (8 * i));
}

// One mutation of input; sizeFields are offsets of known 64-bit object
// sizes, other inputs may be spliced in.
std::string Mutate(Rng& rng, const std::string& input, const std::vector<std::string>& others,
                   const std::vector<size_t>& sizeFields, const std::string& specials)
{
    std::string s = input;
    int rounds = 1 + static_cast<int>(rng.Below(3));
    for (int round = 0; round < rounds; ++round) {
        switch (rng.Below(7)) {
        case 0:  // flip a few bits
            for (size_t n = 1 + rng.Below(8); n > 0 && !s.empty(); --n)
                s[rng.Below(s.size())] ^= static_cast<char>(1u << rng.Below(8));
            break;
        case 1:  // truncate
            s.resize(rng.Below(s.size() + 1));
            break;
        case 2:  // an object size set to an extreme or an off-by-one value
            if (!sizeFields.empty()) {
                size_t at = sizeFields[rng.Below(sizeFields.size())];
                uint64_t v = rng.Below(3) == 0 ? (s.size() - std::min(at, s.size())) + rng.Below(3) - 1
                                               : kExtremes[rng.Below(std::size(kExtremes))];
                StoreLe(s, at, v, 8);
            }
            break;
        case 3:  // any 2- or 4-byte field set to an extreme
            if (!s.empty())
                StoreLe(s, rng.Below(s.size()), kExtremes[rng.Below(std::size(kExtremes))],
                        rng.Below(2) ? 2 : 4);
            break;
        case 4: {  // splice a piece of another input in
            const std::string& other = others[rng.Below(others.size())];
            size_t from = rng.Below(other.size() + 1);
            size_t length = rng.Below(other.size() - from + 1);
            size_t at = rng.Below(s.size() + 1);
            if (rng.Below(2))
                s.insert(at, other, from, length);
            else
                s.replace(at, std::min(length, s.size() - at), other, from, length);
            break;
        }
        case 5:  // insert characters that drive the grammar
            for (size_t n = 1 + rng.Below(4); n > 0; --n)
                s.insert(s.begin() + static_cast<long>(rng.Below(s.size() + 1)),
                         specials[rng.Below(specials.size())]);
            break;
        default: {  // repeat a piece, to push counts past their limits
            if (s.empty())
                break;
            size_t from = rng.Below(s.size());
            size_t length = 1 + rng.Below(std::min<size_t>(s.size() - from, 200));
            std::string piece = s.substr(from, length);
            size_t times = 1 + rng.Below(300);
            std::string repeated;
            for (size_t i = 0; i < times && repeated.size() < 200000; ++i)
                repeated += piece;
            s.insert(from, repeated);
            break;
        }
        }
    }
    return s;
}

// Valid UTF-8 survives a round trip through UTF-16 unchanged.
bool ValidUtf8(const std::string& s)
{
    std::string le = Utf8ToUtf16Le(s);
    return Utf16LeToUtf8(reinterpret_cast<const uint8_t*>(le.data()), le.size()) == s;
}

void CheckAsx(AsxReader::Mode mode, const std::string& text, const std::vector<std::string>& leading)
{
    static const std::set<std::string> kMessages = {
        "ASF syntax error 1!\n", "ASF syntax error 2!\n", "ASF syntax error 3!\n", "ASF syntax error 4!\n",
        "ASF syntax error 5!\n", "ASF syntax error 6!\n", "ASF syntax error 7!\n", "ASF syntax error 8!\n"};
    AsxReader::Result r = AsxReader::Read(mode, text, leading);
    ASSERT_LE(r.messages.size(), AsxReader::kMaxMessages);
    for (const std::string& m : r.messages)
        ASSERT_TRUE(kMessages.count(m)) << m;
    ASSERT_LE(r.output.size(), AsxReader::kMaxReferences);
    ASSERT_LE(static_cast<size_t>(r.referenceCount), r.output.size());
    if (mode == AsxReader::Mode::StreamingClient) {
        if (r.output.empty())
            return;
        ASSERT_GT(r.referenceCount, 0);
        for (size_t i = 0; i < leading.size(); ++i)
            ASSERT_EQ(r.output[i], leading[i]);
        // References take text, markers do not (a reference may itself read "-e").
        size_t bytes = 0, markers = 0;
        for (size_t i = leading.size(); i < r.output.size(); ++i) {
            bytes += r.output[i].size() + 1;
            markers += r.output[i] == AsxReader::kEntryMarker;
        }
        ASSERT_LE(bytes, AsxReader::kMaxReferenceText + 3 * markers);
        return;
    }
    if (r.referenceCount == 0) {
        // The fallback: the whole text up to its first NUL, or nothing.
        if (text.size() > 10)
            ASSERT_EQ(r.output, std::vector<std::string>{std::string(text.c_str())});
        else
            ASSERT_TRUE(r.output.empty());
        return;
    }
    size_t bytes = 0;
    for (const std::string& ref : r.output) {
        ASSERT_EQ(ref.find('\0'), std::string::npos);
        ASSERT_LE(ref.size(), AsxReader::kMaxAttributeText);
        bytes += ref.size() + 1;
    }
    ASSERT_LE(bytes, AsxReader::kMaxReferenceText);
    ASSERT_EQ(static_cast<size_t>(r.referenceCount), r.output.size());
}

void CheckAsf(const std::string& bytes)
{
    AsfFileInfo info;
    bool ok = info.ParseBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    ASSERT_EQ(ok, !info.Objects().empty());
    ASSERT_EQ(info.FileSize(), bytes.size());
    ASSERT_LE(info.Objects().size(), AsfFileInfo::kMaxObjects);
    uint64_t last = 0;
    for (size_t i = 0; i < info.Objects().size(); ++i) {
        const AsfObjectRecord& r = info.Objects()[i];
        ASSERT_GE(r.size, 24u);
        ASSERT_LE(r.size, bytes.size() - r.offset);
        ASSERT_TRUE(i == 0 || r.offset > last);
        last = r.offset;
    }
    for (const std::string* t : {&info.Title(), &info.Author(), &info.Copyright(), &info.Description(),
                                 &info.Rating()}) {
        ASSERT_LE(t->size(), AsfFileInfo::kMaxText);
        ASSERT_TRUE(ValidUtf8(*t));
    }
    for (const auto* list : {&info.AudioCodecs(), &info.VideoCodecs()}) {
        ASSERT_LE(list->size(), AsfFileInfo::kMaxCodecEntries);
        for (const std::string& c : *list)
            ASSERT_LE(c.size(), 2 * AsfFileInfo::kMaxText + 1);
    }
    ASSERT_EQ(info.Status().end == AsfWalkEnd::Complete, info.Status().Text().empty());
    FileInformationLines(info);
    info.DurationSeconds();
}

TEST(FormatsMutation, AsxReaderSurvivesMutatedPlaylists)
{
    testsupport::TempDir dir;
    std::vector<std::string> seeds = {
        "<ASX version=\"3.0\"><Entry><ref href=\"mms://host/a.asf\"/></Entry></ASX>",
        "<ASX><Entry><Ref HREF = \"mms://host/a\"></Entry><Entry><EntryRef "
        "href=\"http://host/b.asx\"/></Entry></ASX>",
        "<ASX version=\"3.0\">\r\n<Entry>\r\n<TITLE>제목</TITLE>\r\n<ref "
        "href=\"mms://h/x\"/>\r\n</Entry>\r\n</ASX>\r\n",
        "<asx><moreinfo href=\"http://info\"/><entry><ref href=x a=b/><ref href=''></entry></asx>",
        "[Reference]\r\nRef1=http://host/a.asf\r\nRef2=mms://host/b\r\n[Other]\r\nRef3=no\r\n",
        "ASF http://host/a.asf\r\n  asf\tmms://host/b\r\nhttp://host/c\r\nmmst://d\r\n",
        "<!-- comment --><?xml?><ASX><Ref href=mms://bad></ASX>",
    };
    const std::string specials("<>/=\"[]\r\n\t \0-!?AaEeRrFf", 23);
    const std::vector<std::string> leading = {"client", "-x", "value"};
    Rng rng(20240601);
    Budget budget(std::chrono::seconds(4));
    int runs = 0;
    for (; runs < 6000 && budget.Left(); ++runs) {
        std::string text = Mutate(rng, seeds[rng.Below(seeds.size())], seeds, {}, specials);
        for (AsxReader::Mode mode :
             {AsxReader::Mode::MainView, AsxReader::Mode::RecordingJob, AsxReader::Mode::StreamingClient}) {
            ASSERT_NO_FATAL_FAILURE(CheckAsx(mode, text, leading)) << testing::PrintToString(text);
        }
    }
    EXPECT_GT(runs, 200);
}

TEST(FormatsMutation, AsfWalkSurvivesMutatedFiles)
{
    std::vector<std::string> seeds = {asftest::SampleFile()};
    testsupport::SampleSpec spec;
    spec.seconds = 1;
    seeds.push_back(testsupport::ReadFile(testsupport::MakeSampleAsf(spec)));
    spec.video = false;
    seeds.push_back(testsupport::ReadFile(testsupport::MakeSampleAsf(spec)));
    // The size fields of every object of each seed.
    std::vector<std::vector<size_t>> sizeFields;
    for (const std::string& seed : seeds) {
        AsfFileInfo info;
        ASSERT_TRUE(info.ParseBuffer(reinterpret_cast<const uint8_t*>(seed.data()), seed.size()));
        ASSERT_EQ(info.Status().end, AsfWalkEnd::Complete);
        std::vector<size_t> fields;
        for (const AsfObjectRecord& r : info.Objects())
            fields.push_back(static_cast<size_t>(r.offset) + 16);
        sizeFields.push_back(fields);
    }
    const std::string specials(1, '\0');
    testsupport::TempDir dir;
    Rng rng(77);
    Budget budget(std::chrono::seconds(5));
    int runs = 0;
    for (; runs < 6000 && budget.Left(); ++runs) {
        size_t which = rng.Below(seeds.size());
        std::string bytes = Mutate(rng, seeds[which], seeds, sizeFields[which], specials);
        ASSERT_NO_FATAL_FAILURE(CheckAsf(bytes)) << "run " << runs;
        // Now and then the file walk must agree with the memory walk.
        if (runs % 100 == 0) {
            std::string path = dir.File("m.asf");
            testsupport::WriteFile(path, bytes);
            AsfFileInfo fromFile, fromMemory;
            bool a = fromFile.Parse(path);
            bool b = fromMemory.ParseBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            ASSERT_EQ(a, b);
            ASSERT_EQ(fromFile.Objects().size(), fromMemory.Objects().size());
            ASSERT_EQ(fromFile.Title(), fromMemory.Title());
            ASSERT_EQ(fromFile.Status().end, fromMemory.Status().end);
        }
    }
    EXPECT_GT(runs, 200);
}

}  // namespace
