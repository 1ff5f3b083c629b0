#include "formats/asf_guids.h"

#include "formats/le.h"
#include "formats/printf.h"

namespace {

struct NamedGuid {
    const Guid* guid;
    const char* name;
};

constexpr NamedGuid kKnown[] = {
    {&asf::kHeader, "ASF_Header"},
    {&asf::kContentDescription, "ASF_Content_Description"},
    {&asf::kStreamBitrateProperties, "ASF_Stream_Bitrate_Properties"},
    {&asf::kFileProperties, "ASF_File_Properties"},
    {&asf::kHeaderExtension, "ASF_Header_Extension"},
    {&asf::kStreamProperties, "ASF_Stream_Properties"},
    {&asf::kExtendedContentDescription, "ASF_Extended_Content_Description"},
    {&asf::kCodecList, "ASF_Codec_List"},
    {&asf::kData, "ASF_Data"},
    {&asf::kSimpleIndex, "ASF_Simple_Index"},
    {&asf::kAudioMedia, "ASF_Audio_Media"},
    {&asf::kVideoMedia, "ASF_Video_Media"},
};

}  // namespace

std::string AsfObjectName(const Guid& guid)
{
    for (const NamedGuid& k : kKnown) {
        if (*k.guid == guid)
            return k.name;
    }
    const uint8_t* b = guid.data();
    return Printf("%X-%X-%X-%X-%X-%X-%X-%X-%X-%X-%X", le::Load32(b), le::Load16(b + 4),
                  le::Load16(b + 6), b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
}

std::string GuidText(const Guid& guid)
{
    const uint8_t* b = guid.data();
    return Printf("%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", le::Load32(b),
                  le::Load16(b + 4), le::Load16(b + 6), b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
}
