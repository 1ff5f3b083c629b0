#include "formats/asf_file_reader.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "formats/asf_guids.h"
#include "formats/le.h"
#include "formats/printf.h"

AsfFileReader::~AsfFileReader() { Close(); }

void AsfFileReader::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool AsfFileReader::Fail(std::string why)
{
    error_ = std::move(why);
    Close();
    return false;
}

bool AsfFileReader::ReadAt(uint64_t position, uint8_t* out, size_t n) const
{
    if (fd_ < 0 || position > fileSize_ || n > fileSize_ - position)
        return false;
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(fd_, out + done, n - done, static_cast<off_t>(position + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        done += static_cast<size_t>(got);
    }
    return true;
}

uint64_t AsfFileReader::IndexObjectAt(uint64_t position) const
{
    uint8_t head[asf::kObjectHeaderSize];
    if (!ReadAt(position, head, sizeof(head)) || !asf::kSimpleIndex.Matches(head))
        return 0;
    const uint64_t size = le::Load64(head + 16);
    if (size < asf::kObjectHeaderSize || size > kMaxIndexSize || size > fileSize_ - position)
        return 0;
    return size;
}

bool AsfFileReader::Open(const std::string& path)
{
    Close();
    error_.clear();
    headerBytes_.clear();
    header_ = AsfStreamHeader{};
    fileSize_ = packetCount_ = indexAt_ = 0;

    // A FIFO is refused below, not waited on.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return Fail(Printf("cannot open: %s", std::strerror(errno)));
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode))
        return Fail("not a regular file");
    fileSize_ = static_cast<uint64_t>(st.st_size);
    posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);

    uint8_t head[asf::kObjectHeaderSize];
    if (!ReadAt(0, head, sizeof(head)) || !asf::kHeader.Matches(head))
        return Fail("no ASF header");
    const uint64_t headerObjectSize = le::Load64(head + 16);
    if (headerObjectSize > kMaxHeaderSize)
        return Fail("the header is too large");
    const uint64_t length = headerObjectSize + asf::kDataObjectPrefix;
    if (length > fileSize_)
        return Fail("the file ends inside its header");
    headerBytes_.resize(static_cast<size_t>(length));
    if (!ReadAt(0, headerBytes_.data(), headerBytes_.size()))
        return Fail("cannot read the header");
    if (ParseStreamHeader(headerBytes_.data(), headerBytes_.size(), &header_) != AsfHeaderCheck::Ok)
        return Fail("not a header of fixed-size packets");

    const uint64_t size = header_.packetSize;
    const uint64_t dataStart = header_.length;
    const uint64_t dataObjectSize =
        le::Load64(headerBytes_.data() + header_.dataObjectAt + AsfDataObjectInfo::kObjectSizeAt);
    uint64_t dataEnd = fileSize_;
    if (dataObjectSize > asf::kDataObjectPrefix && dataObjectSize <= fileSize_ - header_.dataObjectAt) {
        // A Data object the file backs ends where it says.
        dataEnd = header_.dataObjectAt + dataObjectSize;
        packetCount_ = (dataEnd - dataStart) / size;
        if (const uint64_t index = IndexObjectAt(dataEnd); index != 0)
            indexAt_ = dataEnd;
        return true;
    }
    // Otherwise (a file cut short, or a broadcast's header) the packets run
    // to the end of the file, or to an index object written after them.
    packetCount_ = (dataEnd - dataStart) / size;
    const uint64_t lowest = packetCount_ > 64 / size + 1 ? packetCount_ - (64 / size + 1) : 0;
    for (uint64_t k = packetCount_ + 1; k-- > lowest;) {
        const uint64_t at = dataStart + k * size;
        if (at < fileSize_) {
            const uint64_t index = IndexObjectAt(at);
            if (index != 0 && at + index == fileSize_) {
                packetCount_ = k;
                indexAt_ = at;
                break;
            }
        }
    }
    return true;
}

bool AsfFileReader::ReadPacket(uint64_t index, std::vector<uint8_t>* packet) const
{
    if (index >= packetCount_)
        return false;
    packet->resize(header_.packetSize);
    return ReadAt(DataStart() + index * header_.packetSize, packet->data(), packet->size());
}

bool AsfFileReader::ReadPackets(uint64_t first, size_t count, std::vector<uint8_t>* packets) const
{
    if (first > packetCount_ || count > packetCount_ - first)
        return false;
    packets->resize(count * header_.packetSize);
    return ReadAt(DataStart() + first * header_.packetSize, packets->data(), packets->size());
}

bool AsfFileReader::ReadIndexObject(std::vector<uint8_t>* object) const
{
    if (indexAt_ == 0)
        return false;
    const uint64_t size = IndexObjectAt(indexAt_);
    if (size == 0)
        return false;
    object->resize(static_cast<size_t>(size));
    return ReadAt(indexAt_, object->data(), object->size());
}

bool ResumeScan::Scan(const std::string& path)
{
    *this = ResumeScan{};
    AsfFileReader reader;
    if (!reader.Open(path))
        return false;
    packetSize = reader.Header().packetSize;
    declaredPackets = reader.Header().declaredPackets;
    const uint64_t whole = reader.PacketCount();
    if (whole == 0 || reader.Header().Live() || declaredPackets < whole + kMinMissingPackets)
        return false;
    resumePacket = whole - 1;
    resumeOffset = reader.DataStart() + resumePacket * packetSize;
    header = reader.HeaderBytes();
    if (!reader.ReadPacket(resumePacket, &lastPacket)) {
        *this = ResumeScan{};
        return false;
    }
    return true;
}
