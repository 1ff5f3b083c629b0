// What the stream clients tell of a header they read, on headers made here.

#include <gtest/gtest.h>

#include <string>

#include "../formats/asf_test_builder.h"
#include "formats/asf_guids.h"
#include "protocols/asf_recording.h"

namespace {

// A header of File Properties (play duration, preroll, flags, bit rate) and a title.
std::string Header(uint64_t play100ns, uint64_t prerollMs, uint32_t flags, uint32_t bitrate,
                   const std::u16string& title)
{
    using namespace asftest;
    const std::string props = std::string(16, '\x11') + U64(0) + U64(0) + U64(0) + U64(play100ns) + U64(play100ns) +
                              U64(prerollMs) + U32(flags) + U32(3200) + U32(3200) + U32(bitrate);
    return asftest::Header({Object(asf::kFileProperties, props), ContentDescription({title + u'\0'})});
}

StreamInfo Read(const std::string& h)
{
    return asfrecording::HeaderStreamInfo(reinterpret_cast<const uint8_t*>(h.data()), h.size());
}

TEST(HeaderStreamInfo, TellsDeliveryDurationBitrateAndTitle)
{
    // 64 s of play with a 3 s preroll, 364 kbit/s.
    EXPECT_EQ(StreamInfoText(Read(Header(640000000, 3000, 2, 364000, u"Harbour \uCE74\uBA54\uB77C"))), "on demand, 0:01:01, 364 kbps, Harbour \xEC\xB9\xB4\xEB\xA9\x94\xEB\x9D\xBC");
    // A broadcast: no play duration, or the broadcast flag with a leftover one.
    for (uint64_t play : {uint64_t{0}, uint64_t{640000000}})
        EXPECT_EQ(StreamInfoText(Read(Header(play, 3000, 1, 64000, u"On air"))), "live, 64 kbps, On air") << play;
}

TEST(HeaderStreamInfo, HostileHeadersGiveBlanksOrNothing)
{
    // Line breaks and escapes in a title would break the CLI's one line per
    // address and the list's single-line cells.
    EXPECT_EQ(Read(Header(640000000, 0, 2, 1, u"a\nb\r\x1b[2Jc\x7f")).title, "a b  [2Jc ");
    // Cut anywhere before the File Properties object ends, or not a header
    // at all: nothing is known.
    const std::string whole = Header(640000000, 0, 2, 1, u"t");
    for (size_t cut : {size_t{0}, size_t{10}, size_t{30}, size_t{60}, whole.size() - 1})
        EXPECT_EQ(Read(whole.substr(0, cut)), StreamInfo()) << cut;
    EXPECT_EQ(Read(std::string(200, '\xff')), StreamInfo());
    // Bytes after a whole header (the Data object's start, packets) change nothing.
    EXPECT_EQ(Read(whole + std::string(50, '\0')), Read(whole));
}

}  // namespace
