#include "formats/asf_file_info.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/le.h"
#include "formats/printf.h"
#include "formats/utf16.h"

namespace {

class FileSource : public AsfByteSource {
public:
    explicit FileSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, uint8_t* out, size_t n, int* error) override
    {
        size_t done = 0;
        while (done < n) {
            ssize_t got = pread(fd_, out + done, n - done, static_cast<off_t>(offset + done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                *error = errno;
                break;
            }
            if (got == 0)
                break;
            done += static_cast<size_t>(got);
        }
        return done;
    }

private:
    int fd_;
    uint64_t size_;
};

class MemorySource : public AsfByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint64_t Size() const override { return size_; }
    size_t ReadAt(uint64_t offset, uint8_t* out, size_t n, int*) override
    {
        if (offset >= size_)
            return 0;
        size_t count = static_cast<size_t>(std::min<uint64_t>(n, size_ - offset));
        std::memcpy(out, data_ + offset, count);
        return count;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

// A UTF-16 string of n bytes converts to at most kMaxText bytes, and every
// UTF-16 unit gives at least one byte: more units than that are never needed.
constexpr size_t kMaxTextSourceBytes = 2 * (AsfFileInfo::kMaxText + 1);

}  // namespace

// One walk: reads inside the current object only, through the source.
class AsfFileInfo::Walk {
public:
    Walk(AsfFileInfo& info, AsfByteSource& source) : info_(info), source_(source) {}

    bool Run();

private:
    // Reads n bytes at pos when they lie inside [pos, limit); false otherwise
    // (a read error also ends the walk).
    bool Read(uint64_t pos, uint64_t limit, uint8_t* out, size_t n);
    // Reads a UTF-16LE string of n bytes at pos inside limit into text.
    bool ReadString(uint64_t pos, uint64_t limit, uint64_t n, std::string* text);
    void Stop(AsfWalkEnd end, uint64_t offset, uint64_t size = 0, const Guid& guid = Guid())
    {
        info_.status_.end = end;
        info_.status_.offset = offset;
        info_.status_.claimedSize = size;
        info_.status_.guid = guid;
    }

    void ReadContentDescription(uint64_t body, uint64_t end);
    void ReadStreamProperties(uint64_t body, uint64_t end);
    void ReadCodecList(uint64_t body, uint64_t end);

    AsfFileInfo& info_;
    AsfByteSource& source_;
    bool readFailed_ = false;
};

bool AsfFileInfo::Walk::Read(uint64_t pos, uint64_t limit, uint8_t* out, size_t n)
{
    if (readFailed_ || pos > limit || limit - pos < n)
        return false;
    int error = 0;
    size_t got = source_.ReadAt(pos, out, n, &error);
    if (got == n)
        return true;
    readFailed_ = true;
    Stop(AsfWalkEnd::ReadError, pos);
    info_.status_.error = error;
    return false;
}

bool AsfFileInfo::Walk::ReadString(uint64_t pos, uint64_t limit, uint64_t n, std::string* text)
{
    if (pos > limit || limit - pos < n)
        return false;
    size_t wanted = static_cast<size_t>(std::min<uint64_t>(n, kMaxTextSourceBytes));
    std::vector<uint8_t> bytes(wanted);
    if (wanted > 0 && !Read(pos, limit, bytes.data(), wanted))
        return false;
    *text = Utf16LeToUtf8(bytes.data(), wanted, kMaxText);
    return true;
}

void AsfFileInfo::Walk::ReadContentDescription(uint64_t body, uint64_t end)
{
    uint8_t lengths[10];
    if (!Read(body, end, lengths, sizeof(lengths)))
        return;
    std::string* texts[5] = {&info_.title_, &info_.author_, &info_.copyright_, &info_.description_,
                             &info_.rating_};
    uint64_t pos = body + sizeof(lengths);
    for (int i = 0; i < 5; ++i) {
        uint16_t n = le::Load16(lengths + 2 * i);
        std::string text;
        if (!ReadString(pos, end, n, &text))
            return;
        *texts[i] = std::move(text);
        pos += n;
    }
}

void AsfFileInfo::Walk::ReadStreamProperties(uint64_t body, uint64_t end)
{
    uint8_t fixed[asf::kStreamPropertiesFixed];
    if (!Read(body, end, fixed, sizeof(fixed)))
        return;
    AsfStreamRecord stream;
    stream.type = Guid::FromBytes(fixed);
    stream.number = le::Load16(fixed + 48) & 0x7F;
    uint64_t typeData = body + sizeof(fixed);
    if (stream.type == asf::kAudioMedia) {
        uint8_t wave[AsfWaveFormat::kSize];
        if (!Read(typeData, end, wave, sizeof(wave)))
            return;
        info_.audioFormat_ = stream.audio = AsfWaveFormat::Decode(wave);
    } else if (stream.type == asf::kVideoMedia) {
        info_.audioOnly_ = false;
        uint8_t prefix[asf::kVideoInfoPrefix];
        if (!Read(typeData, end, prefix, sizeof(prefix)))
            return;
        stream.encodedWidth = le::Load32(prefix);
        stream.encodedHeight = le::Load32(prefix + 4);
        uint8_t bitmap[AsfBitmapInfo::kSize];
        if (!Read(typeData + sizeof(prefix), end, bitmap, sizeof(bitmap)))
            return;
        info_.videoFormat_ = stream.video = AsfBitmapInfo::Decode(bitmap);
    }
    if (info_.streams_.size() < kMaxStreams)
        info_.streams_.push_back(stream);
}

void AsfFileInfo::Walk::ReadCodecList(uint64_t body, uint64_t end)
{
    uint8_t head[20];
    if (!Read(body, end, head, sizeof(head)))
        return;
    uint32_t count = le::Load32(head + 16);
    uint64_t pos = body + sizeof(head);
    for (uint32_t i = 0; i < count && i < kMaxCodecEntries; ++i) {
        uint8_t field[4];
        if (!Read(pos, end, field, 4))
            return;
        uint16_t type = le::Load16(field);
        uint64_t nameBytes = 2ull * le::Load16(field + 2);
        std::string name, description;
        if (!ReadString(pos + 4, end, nameBytes, &name))
            return;
        pos += 4 + nameBytes;
        if (!Read(pos, end, field, 2))
            return;
        uint64_t descriptionBytes = 2ull * le::Load16(field);
        if (!ReadString(pos + 2, end, descriptionBytes, &description))
            return;
        pos += 2 + descriptionBytes;
        if (!Read(pos, end, field, 2))
            return;
        uint64_t informationBytes = le::Load16(field);
        if (end - pos - 2 < informationBytes)
            return;
        pos += 2 + informationBytes;
        std::string text = PrintfBounded(2 * kMaxText + 1, "%s\n%s", name.c_str(), description.c_str());
        if (type == 1)
            info_.videoCodecs_.push_back(std::move(text));
        else if (type == 2)
            info_.audioCodecs_.push_back(std::move(text));
    }
}

bool AsfFileInfo::Walk::Run()
{
    const uint64_t fileSize = source_.Size();
    info_.fileSize_ = fileSize;
    uint8_t header[asf::kObjectHeaderSize];
    if (fileSize == 0) {
        Stop(AsfWalkEnd::Empty, 0);
        return false;
    }
    if (!Read(0, fileSize, header, sizeof(header)) || !asf::kHeader.Matches(header)) {
        if (!readFailed_)
            Stop(AsfWalkEnd::NoHeader, 0);
        return false;
    }

    uint64_t pos = 0;
    for (;;) {
        if (info_.objects_.size() >= kMaxObjects) {
            Stop(AsfWalkEnd::TooManyObjects, pos);
            break;
        }
        uint64_t left = fileSize - pos;
        if (left == 0) {
            Stop(AsfWalkEnd::Complete, pos);
            break;
        }
        if (left < sizeof(header)) {
            Stop(AsfWalkEnd::TrailingBytes, pos, left);
            break;
        }
        if (!Read(pos, fileSize, header, sizeof(header)))
            break;
        Guid guid = Guid::FromBytes(header);
        uint64_t size = le::Load64(header + 16);
        if (size == 0) {
            Stop(AsfWalkEnd::ZeroSize, pos, size, guid);
            break;
        }
        // A size that is negative as a signed number is past the end too.
        if (size > left) {
            Stop(AsfWalkEnd::PastEnd, pos, size, guid);
            info_.status_.remaining = left;
            break;
        }
        if (size < sizeof(header)) {
            Stop(AsfWalkEnd::SizeTooSmall, pos, size, guid);
            break;
        }
        info_.objects_.push_back({guid, size, pos});
        const uint64_t body = pos + sizeof(header);
        const uint64_t end = pos + size;

        if (guid == asf::kHeader) {
            uint8_t fields[6];
            if (!Read(body, end, fields, sizeof(fields))) {
                if (!readFailed_)
                    Stop(AsfWalkEnd::SizeTooSmall, pos, size, guid);
                break;
            }
            info_.headerObjectCount_ = le::Load32(fields);
            info_.headerReserved_ = {fields[4], fields[5]};
            // The header's children follow its fixed part.
            pos = body + sizeof(fields);
            continue;
        }
        if (guid == asf::kFileProperties) {
            // A longer body than the known layout is not read; a shorter one
            // is read as far as it goes.
            if (size - sizeof(header) <= AsfFileProperties::kSize) {
                uint8_t fields[AsfFileProperties::kSize] = {};
                if (Read(body, end, fields, static_cast<size_t>(size - sizeof(header))))
                    info_.fileProperties_ = AsfFileProperties::Decode(fields);
            }
        } else if (guid == asf::kContentDescription) {
            ReadContentDescription(body, end);
        } else if (guid == asf::kStreamProperties) {
            ReadStreamProperties(body, end);
        } else if (guid == asf::kCodecList) {
            ReadCodecList(body, end);
        } else if (guid == asf::kData) {
            uint8_t fields[AsfDataObjectInfo::kSize];
            if (Read(body, end, fields, sizeof(fields)))
                info_.dataObject_ = AsfDataObjectInfo::Decode(fields);
        }
        if (readFailed_)
            break;
        // Every object is self-delimiting: go on at its declared end, however
        // its body was read.
        pos = end;
    }
    return !info_.objects_.empty();
}

AsfFileInfo::AsfFileInfo() { Reset(); }

void AsfFileInfo::Reset()
{
    path_.clear();
    fileSize_ = 0;
    headerObjectCount_ = 0;
    headerReserved_ = {};
    fileProperties_ = {};
    title_.clear();
    author_.clear();
    copyright_.clear();
    description_.clear();
    rating_.clear();
    audioFormat_ = {};
    audioOnly_ = true;
    videoFormat_ = {};
    dataObject_ = {};
    audioCodecs_.clear();
    videoCodecs_.clear();
    objects_.clear();
    streams_.clear();
    status_ = AsfWalkStatus();
}

bool AsfFileInfo::ParseSource(AsfByteSource& source, const std::string& name)
{
    Reset();
    path_ = name;
    Walk walk(*this, source);
    return walk.Run();
}

bool AsfFileInfo::ParseBuffer(const uint8_t* data, size_t size, const std::string& name)
{
    MemorySource source(data, data ? size : 0);
    return ParseSource(source, name);
}

bool AsfFileInfo::Parse(const std::string& path)
{
    Reset();
    path_ = path;
    // Non-blocking so that a FIFO cannot hold the open; only regular files
    // are walked.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        status_.end = AsfWalkEnd::NotOpened;
        status_.error = errno;
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        status_.end = AsfWalkEnd::NotRegularFile;
        return false;
    }
    FileSource source(fd, static_cast<uint64_t>(st.st_size));
    Walk walk(*this, source);
    bool ok = walk.Run();
    close(fd);
    return ok;
}

int AsfFileInfo::FindObject(const Guid& guid, AsfObjectRecord* record) const
{
    for (size_t i = 0; i < objects_.size(); ++i) {
        if (objects_[i].guid == guid) {
            if (record)
                *record = objects_[i];
            return static_cast<int>(i);
        }
    }
    return -1;
}

int64_t AsfFileInfo::DurationSeconds() const
{
    const AsfFileProperties& p = fileProperties_;
    // Both values are signed 64-bit in the file's arithmetic; the difference
    // is formed wider so that no header value can overflow it.
    __int128 ms = static_cast<__int128>(static_cast<int64_t>(p.playDuration) / 10000) -
                  static_cast<int64_t>(p.preroll);
    __int128 seconds = ms / 1000;
    if (seconds > INT64_MAX)
        return INT64_MAX;
    if (seconds < INT64_MIN)
        return INT64_MIN;
    return static_cast<int64_t>(seconds);
}

std::string AsfWalkStatus::Text() const
{
    unsigned long long at = offset;
    unsigned long long claimed = claimedSize;
    switch (end) {
    case AsfWalkEnd::Complete:
        return {};
    case AsfWalkEnd::NotOpened:
        return Printf("cannot open: %s", std::strerror(error));
    case AsfWalkEnd::NotRegularFile:
        return "not a regular file";
    case AsfWalkEnd::Empty:
        return "empty file";
    case AsfWalkEnd::NoHeader:
        return "not an ASF file (no header object at the start)";
    case AsfWalkEnd::TrailingBytes:
        return Printf("truncated: %llu bytes after the last object at offset %llu", claimed, at);
    case AsfWalkEnd::ZeroSize:
        // A broadcast file may leave its Data object's size 0 until it is finalised.
        if (guid == asf::kData)
            return Printf("unfinished: the ASF_Data object at offset %llu has size 0", at);
        return Printf("damaged: an object of size 0 at offset %llu", at);
    case AsfWalkEnd::SizeTooSmall:
        return Printf("damaged: the %s object at offset %llu claims %llu bytes, too few for itself",
                      AsfObjectName(guid).c_str(), at, claimed);
    case AsfWalkEnd::PastEnd:
        if (claimedSize > static_cast<uint64_t>(INT64_MAX))
            return Printf("damaged: the %s object at offset %llu claims an impossible size (%llu bytes)",
                          AsfObjectName(guid).c_str(), at, claimed);
        return Printf("truncated: the %s object at offset %llu claims %llu bytes, only %llu remain",
                      AsfObjectName(guid).c_str(), at, claimed,
                      static_cast<unsigned long long>(remaining));
    case AsfWalkEnd::TooManyObjects:
        return Printf("more than %zu objects; the walk stopped at offset %llu", AsfFileInfo::kMaxObjects, at);
    case AsfWalkEnd::ReadError:
        if (error == 0)
            return Printf("read error at offset %llu: the file ended early", at);
        return Printf("read error at offset %llu: %s", at, std::strerror(error));
    }
    return {};
}

namespace {

struct StreamIdentity {
    AsfFileProperties properties;
    std::vector<std::pair<int, Guid>> streams;  // number and type, by number
};

bool ReadIdentity(const uint8_t* data, size_t length, StreamIdentity* out)
{
    AsfFileInfo info;
    if (!info.ParseBuffer(data, length) || info.FindObject(asf::kFileProperties) < 0)
        return false;
    out->properties = info.FileProperties();
    for (const AsfStreamRecord& s : info.Streams())
        out->streams.emplace_back(s.number, s.type);
    std::sort(out->streams.begin(), out->streams.end(),
              [](const auto& x, const auto& y) { return x.first < y.first; });
    return true;
}

}  // namespace

bool SameAsfStream(const uint8_t* a, size_t aLength, const uint8_t* b, size_t bLength)
{
    StreamIdentity x, y;
    if (!ReadIdentity(a, aLength, &x) || !ReadIdentity(b, bLength, &y))
        return false;
    const AsfFileProperties& p = x.properties;
    const AsfFileProperties& q = y.properties;
    if (p.minDataPacketSize != q.minDataPacketSize || p.maxDataPacketSize != q.maxDataPacketSize ||
        x.streams != y.streams || (p.playDuration == 0) != (q.playDuration == 0))
        return false;
    return p.playDuration == 0 || p.fileId == q.fileId || p.playDuration == q.playDuration;
}
