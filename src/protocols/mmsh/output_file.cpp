#include "protocols/mmsh/output_file.h"

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace mmsh {

OutputFile::OutputFile(FILE* file) : file_(file), pending_(new uint8_t[kWriteBuffer])
{
    if (std::fflush(file_) != 0)
        lastErrno_ = errno;
    fd_ = fileno(file_);
    off_t at = ftello(file_);
    lastEnd_ = at > 0 ? static_cast<uint64_t>(at) : 0;
}

OutputFile::~OutputFile() { Finish(); }

bool OutputFile::WriteOut(uint64_t position, const uint8_t* data, size_t n)
{
    while (n > 0) {
        ssize_t done = ::pwrite(fd_, data, n, static_cast<off_t>(position));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            lastErrno_ = done < 0 ? errno : EIO;
            return false;
        }
        data += done;
        n -= static_cast<size_t>(done);
        position += static_cast<uint64_t>(done);
    }
    return true;
}

bool OutputFile::Flush()
{
    if (pendingLength_ == 0)
        return true;
    bool ok = WriteOut(pendingPosition_, pending_.get(), pendingLength_);
    pendingLength_ = 0;
    return ok;
}

bool OutputFile::WriteAt(uint64_t position, const void* data, size_t n)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    lastEnd_ = position + n;
    if (pendingLength_ > 0 && position == pendingPosition_ + pendingLength_ &&
        n <= kWriteBuffer - pendingLength_) {
        std::memcpy(pending_.get() + pendingLength_, bytes, n);
        pendingLength_ += n;
        return true;
    }
    if (!Flush())
        return false;
    if (n >= kWriteBuffer)
        return WriteOut(position, bytes, n);
    std::memcpy(pending_.get(), bytes, n);
    pendingPosition_ = position;
    pendingLength_ = n;
    return true;
}

bool OutputFile::Length(uint64_t* length)
{
    if (!Flush())
        return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        lastErrno_ = errno;
        return false;
    }
    *length = static_cast<uint64_t>(st.st_size);
    return true;
}

bool OutputFile::Truncate(uint64_t length)
{
    if (!Flush())
        return false;
    if (::ftruncate(fd_, static_cast<off_t>(length)) != 0) {
        lastErrno_ = errno;
        return false;
    }
    return true;
}

bool OutputFile::Finish()
{
    if (finished_)
        return true;
    finished_ = true;
    bool ok = Flush();
    // The stream's idea of its position was left behind by the direct writes.
    if (fseeko(file_, static_cast<off_t>(lastEnd_), SEEK_SET) != 0 && ok) {
        lastErrno_ = errno;
        ok = false;
    }
    return ok;
}

}  // namespace mmsh
