#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "formats/asf_guids.h"
#include "formats/asf_layouts.h"

// One object met by the walk, in file order.
struct AsfObjectRecord {
    Guid guid;
    uint64_t size = 0;
    uint64_t offset = 0;
};

// One Stream Properties object, as the walk read it.
struct AsfStreamRecord {
    int number = 0;  // the low 7 bits of the stream flags
    Guid type;       // asf::kAudioMedia, asf::kVideoMedia or another type
    AsfWaveFormat audio;   // audio streams
    AsfBitmapInfo video;   // video streams
    uint32_t encodedWidth = 0;
    uint32_t encodedHeight = 0;
};

// How the last walk ended. Anything but Complete names the first problem.
enum class AsfWalkEnd {
    Complete,        // the objects reach exactly to the end of the file
    NotOpened,       // the file could not be opened
    NotRegularFile,  // a folder, a device, ...
    Empty,           // a file of 0 bytes
    NoHeader,        // does not begin with a whole Header object header
    TrailingBytes,   // after the last object come fewer bytes than an object header
    ZeroSize,        // an object of size 0
    SizeTooSmall,    // an object smaller than its own header (or a Header object without its body)
    PastEnd,         // an object claims to run past the end of the file
    TooManyObjects,  // the object list reached AsfFileInfo::kMaxObjects
    ReadError,       // reading failed
};

struct AsfWalkStatus {
    AsfWalkEnd end = AsfWalkEnd::NoHeader;
    uint64_t offset = 0;       // where the problem is
    uint64_t claimedSize = 0;  // the object size found there
    uint64_t remaining = 0;    // PastEnd: the bytes from offset to the end of the file
    Guid guid;                 // the object found there
    int error = 0;             // errno of NotOpened and ReadError
    // A short reason in English ("truncated: the ASF_Data object at offset
    // 759 claims 134450 bytes, 9000 remain"); empty when Complete.
    std::string Text() const;
};

// Where the bytes of a walk come from: a file or a memory buffer.
class AsfByteSource {
public:
    virtual ~AsfByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads up to n bytes at offset; returns how many came (fewer only at the
    // end or on an error, which then sets *error).
    virtual size_t ReadAt(uint64_t offset, uint8_t* out, size_t n, int* error) = 0;
};

// Walks the objects of an ASF file and keeps what the file information view
// and the media tools show: file properties, the content description texts,
// the audio and video formats, the codec list and the object list. Sizes and
// offsets are 64-bit, so files of 4 GiB and more are read correctly. The
// walk never reads skipped data, stays inside each object's declared size,
// and goes on with the object that follows at the declared end.
class AsfFileInfo {
public:
    // Texts are UTF-8 of at most this many bytes.
    static constexpr size_t kMaxText = 1023;
    // A walk stops after this many objects (real files hold a dozen or so).
    static constexpr size_t kMaxObjects = 65536;
    // Codec list entries read per Codec List object; streams kept per walk.
    static constexpr size_t kMaxCodecEntries = 1024;
    static constexpr size_t kMaxStreams = 128;

    AsfFileInfo();

    // Walks the file at path. True when it could be opened, begins with a
    // Header object and at least one object was listed; the fields then hold
    // what the walk found (up to the first damaged object: see Status()).
    bool Parse(const std::string& path);
    // The same walk over bytes in memory; name becomes Path().
    bool ParseBuffer(const uint8_t* data, size_t size, const std::string& name = {});
    bool ParseSource(AsfByteSource& source, const std::string& name);

    // Index of the first listed object with that GUID (its record copied to
    // *record when given), or -1.
    int FindObject(const Guid& guid, AsfObjectRecord* record = nullptr) const;

    // (play duration / 10000 - preroll) / 1000, truncating toward zero.
    int64_t DurationSeconds() const;

    const std::string& Path() const { return path_; }
    // 64-bit: recordings grow past 4 GiB.
    uint64_t FileSize() const { return fileSize_; }
    uint32_t HeaderObjectCount() const { return headerObjectCount_; }
    uint8_t HeaderReserved1() const { return headerReserved_[0]; }
    uint8_t HeaderReserved2() const { return headerReserved_[1]; }
    const AsfFileProperties& FileProperties() const { return fileProperties_; }
    const std::string& Title() const { return title_; }
    const std::string& Author() const { return author_; }
    const std::string& Copyright() const { return copyright_; }
    const std::string& Description() const { return description_; }
    const std::string& Rating() const { return rating_; }
    // The last audio and the last video stream's format.
    const AsfWaveFormat& AudioFormat() const { return audioFormat_; }
    bool AudioOnly() const { return audioOnly_; }
    const AsfBitmapInfo& VideoFormat() const { return videoFormat_; }
    const AsfDataObjectInfo& DataObject() const { return dataObject_; }
    // One "name\ndescription" text per codec entry of type 2 (audio) and 1 (video).
    const std::vector<std::string>& AudioCodecs() const { return audioCodecs_; }
    const std::vector<std::string>& VideoCodecs() const { return videoCodecs_; }
    const std::vector<AsfObjectRecord>& Objects() const { return objects_; }
    const std::vector<AsfStreamRecord>& Streams() const { return streams_; }
    const AsfWalkStatus& Status() const { return status_; }

private:
    class Walk;

    void Reset();

    std::string path_;
    uint64_t fileSize_ = 0;
    uint32_t headerObjectCount_ = 0;
    std::array<uint8_t, 2> headerReserved_{};
    AsfFileProperties fileProperties_;
    std::string title_, author_, copyright_, description_, rating_;
    AsfWaveFormat audioFormat_;
    bool audioOnly_ = true;
    AsfBitmapInfo videoFormat_;
    AsfDataObjectInfo dataObject_;
    std::vector<std::string> audioCodecs_, videoCodecs_;
    std::vector<AsfObjectRecord> objects_;
    std::vector<AsfStreamRecord> streams_;
    AsfWalkStatus status_;
};

// True when two ASF headers (each a Header object, as a stream sends it or
// as a file begins) describe the same stream: the same packet size, the
// same stream numbers with the same types, both on demand or both live, and
// on demand the same file id or the same play duration. A file cut short
// goes on with a server's stream only when this holds.
bool SameAsfStream(const uint8_t* a, size_t aLength, const uint8_t* b, size_t bLength);

// The lines of the file information view, in order: title, author,
// copyright, description, "size - duration", "%dKbps", "%d x %d (%d)",
// "%d kHz %dbit stereo/mono", first video codec, first audio codec, path.
std::vector<std::string> FileInformationLines(const AsfFileInfo& info);

// Texts used by those lines. (The media list's size column has its own
// form: ListSizeText in base/display_text.h.)
std::string InfoSizeText(uint64_t bytes);   // "512 bytes", "13.2 KB", "4.1 MB", "5.00 GB"
std::string DurationText(int64_t seconds);  // "%d:%02d:%02d", negative with a leading "-"
