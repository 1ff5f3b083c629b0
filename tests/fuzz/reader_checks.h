#pragma once

// What must hold for the readers on any input whatever, shared by the
// libFuzzer targets. Each check returns the first broken rule ("" when all
// hold) and sets *read when the input was read as something (references,
// objects, rows), so that a mutator producing only junk is noticed.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/asf_file_info.h"
#include "formats/asx_reader.h"
#include "formats/kvx_file.h"
#include "formats/legacy_text.h"
#include "formats/qsd_file.h"
#include "medialist/media_list.h"

#define REQUIRE(condition)     \
    do {                       \
        if (!(condition))      \
            return #condition; \
    } while (0)

inline std::string CheckAsxReader(const std::string& text, bool* read)
{
    static const std::vector<std::string> kLeading = {"client", "-x", "value"};
    for (AsxReader::Mode mode :
         {AsxReader::Mode::MainView, AsxReader::Mode::RecordingJob, AsxReader::Mode::StreamingClient}) {
        const AsxReader::Result r = AsxReader::Read(mode, text, kLeading);
        const bool stream = mode == AsxReader::Mode::StreamingClient;
        REQUIRE(r.output.size() <= AsxReader::kMaxReferences && r.messages.size() <= AsxReader::kMaxMessages);
        for (const std::string& m : r.messages)
            REQUIRE(m.size() == 20 && m.starts_with("ASF syntax error ") && m[17] >= '1' && m[17] <= '8');
        REQUIRE(size_t(r.referenceCount) <= r.output.size());
        *read = *read || r.referenceCount > 0;
        REQUIRE(r.output.empty() == (r.referenceCount == 0));  // nothing without a reference
        if (r.output.empty())
            continue;
        REQUIRE(stream ? std::equal(kLeading.begin(), kLeading.end(), r.output.begin())
                       : size_t(r.referenceCount) == r.output.size());
        // References take text, markers do not (a reference may itself read "-e").
        size_t bytes = 0, markers = 0;
        for (size_t i = stream ? kLeading.size() : 0; i < r.output.size(); ++i) {
            REQUIRE(stream ||
                    (r.output[i].find('\0') == std::string::npos &&
                     r.output[i].size() <= std::max(AsxReader::kMaxAttributeText - 6,  // "href" + 2 NULs
                                                    AsxReader::kMaxLine)));
            bytes += r.output[i].size() + 1;
            markers += r.output[i] == AsxReader::kEntryMarker;
        }
        REQUIRE(bytes <= AsxReader::kMaxReferenceText + 3 * markers);
    }
    return "";
}

inline std::string CheckAsfWalk(const std::string& bytes, bool* read)
{
    AsfFileInfo info;
    *read = info.ParseBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    REQUIRE(*read == !info.Objects().empty() && info.Objects().size() <= AsfFileInfo::kMaxObjects);
    uint64_t next = 0;
    for (const AsfObjectRecord& r : info.Objects()) {
        REQUIRE(r.size >= 24 && r.offset >= next && r.offset <= bytes.size() &&
                r.size <= bytes.size() - r.offset);
        next = r.offset + 1;
    }
    for (const std::string* t :
         {&info.Title(), &info.Author(), &info.Copyright(), &info.Description(), &info.Rating()})
        REQUIRE(t->size() <= AsfFileInfo::kMaxText && IsValidUtf8(*t));
    for (const auto* codecs : {&info.AudioCodecs(), &info.VideoCodecs()}) {
        REQUIRE(codecs->size() <= AsfFileInfo::kMaxCodecEntries);
        for (const std::string& c : *codecs)
            REQUIRE(c.size() <= 2 * AsfFileInfo::kMaxText + 1 && IsValidUtf8(c));
    }
    REQUIRE((info.Status().end == AsfWalkEnd::Complete) == info.Status().Text().empty());
    FileInformationLines(info);
    return "";
}

// The list readers append to a list: rows only from whole records or
// entries with an address, every text UTF-8.
inline std::string CheckListRows(const MediaList& list, int before)
{
    for (int row = before; row < list.RowCount(); ++row)
        for (const std::string& cell : list.Row(row).cells)
            REQUIRE(IsValidUtf8(cell));
    REQUIRE(IsValidUtf8(list.InfoText()));
    return "";
}

inline std::string CheckKvxRead(MediaList& list, const std::string& bytes, bool* read)
{
    const kvx::File file = kvx::Parse(bytes);
    for (const kvx::Record& r : file.records) {
        uint8_t out[kvx::kRecordSize];
        kvx::EncodeRecord(r, out);  // what was read writes back without overrun
    }
    const int before = list.RowCount();
    const int first = list.ReadKvxBytes(bytes);
    *read = list.RowCount() > before;
    REQUIRE(first == (*read ? before : -1));
    REQUIRE(first < 0 || size_t(list.RowCount() - before) == file.records.size());
    return CheckListRows(list, before);
}

inline std::string CheckQsdRead(MediaList& list, const std::string& bytes, bool* read)
{
    const qsd::File file = qsd::Parse(bytes);
    for (const qsd::Entry& e : file.entries)
        REQUIRE(e.index >= 0 && e.index < file.files && IsValidUtf8(e.title) && IsValidUtf8(e.url));
    const int before = list.RowCount();
    const int files = list.ReadQsdBytes(bytes);
    *read = list.RowCount() > before;
    REQUIRE(files >= 0 && (files > 0 || !*read) && size_t(list.RowCount() - before) <= file.entries.size());
    return CheckListRows(list, before);
}

#undef REQUIRE

// For the libFuzzer targets: a broken rule ends the run, naming the rule.
inline void AbortIfBroken(const std::string& broken)
{
    if (!broken.empty()) {
        std::fprintf(stderr, "broken: %s\n", broken.c_str());
        std::abort();
    }
}
