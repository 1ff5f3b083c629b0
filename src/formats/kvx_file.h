#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The ".kvx" list file: a 224-byte header, then one 584-byte record per row
// until the end of the file (there is no count). Every text field is
// NUL-terminated inside its field and padded with zero bytes, so a field
// holds at most its size minus one bytes. This layer only encodes and
// decodes bytes; the media list turns records into rows.
namespace kvx {

struct Field {
    size_t offset;
    size_t size;
};

constexpr size_t kHeaderSize = 224;
constexpr size_t kRecordSize = 584;

// Header fields.
constexpr Field kVersion{0, 10};
constexpr Field kTag{10, 5};
constexpr Field kListInfo{15, 109};
constexpr Field kUser{124, 30};
constexpr Field kPassword{154, 30};
constexpr Field kHeaderReserved{184, 40};

// Record fields.
constexpr Field kProgramTag1{0, 50};
constexpr Field kProgramTag2{50, 50};
constexpr Field kTitle{100, 50};
constexpr Field kAddress{150, 275};
constexpr Field kTime{425, 10};
constexpr Field kSize{435, 53};
constexpr Field kInfo{488, 96};

constexpr char kVersionText[] = "0.1b";
constexpr char kTagText[] = "mms";
constexpr char kProgramTagText[] = "Brimcast";
// The writer stores at most this much of the two information texts.
constexpr size_t kListInfoMax = 100;
constexpr size_t kInfoMax = 94;

struct Header {
    std::string version;
    std::string tag;
    std::string info;
    std::string user;
    std::string password;
};

struct Record {
    std::string title;
    std::string address;
    std::string time;
    std::string size;
    std::string info;
};

// Encoding takes UTF-8 text (other texts, the credentials excepted, are
// read as CP949 first); a field too long for its slot is cut at a character
// boundary. The version, tag and program tags are always the format's own.
void EncodeHeader(const Header& header, uint8_t (&out)[kHeaderSize]);
void EncodeRecord(const Record& record, uint8_t (&out)[kRecordSize]);

// Decoding returns the raw bytes of each field up to its first NUL (at most
// size minus one bytes), without any conversion.
Header DecodeHeader(const uint8_t* bytes);
Record DecodeRecord(const uint8_t* bytes);

// True when the size text reads as a negative integer the way atoi would
// read it ("-12M" does, "-0" and "-x" do not); such a text is stored empty.
bool IsNegativeSizeText(std::string_view text);

enum class ParseStatus {
    Ok,
    TooShort,    // fewer bytes than a header
    BadVersion,  // version other than "0.1b"
    BadTag,      // tag other than "mms"
};

struct File {
    ParseStatus status = ParseStatus::TooShort;
    Header header;
    std::vector<Record> records;
    size_t trailingBytes = 0;  // a record cut short at the end, ignored
};

// Parses a whole file. Texts come out as UTF-8, each field decided alone: a
// field that is valid UTF-8 is taken as it is, any other is read as CP949
// (lists saved on Windows systems). A list saved there and edited since holds
// both, and neither kind turns the other into mojibake.
File Parse(std::string_view bytes);

}  // namespace kvx
