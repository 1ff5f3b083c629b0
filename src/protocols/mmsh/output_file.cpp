#include "protocols/mmsh/output_file.h"

#include <cerrno>

#include <sys/types.h>
#include <unistd.h>

namespace mmsh {

OutputFile::OutputFile(FILE* file) : file_(file)
{
    off_t at = ftello(file_);
    positionKnown_ = at >= 0;
    position_ = at >= 0 ? static_cast<uint64_t>(at) : 0;
}

bool OutputFile::WriteHere(const void* data, size_t n)
{
    if (n > 0 && std::fwrite(data, 1, n, file_) != n) {
        lastErrno_ = errno;
        positionKnown_ = false;
        return false;
    }
    position_ += n;
    return true;
}

bool OutputFile::WriteAt(uint64_t position, const void* data, size_t n)
{
    if (!positionKnown_ || position != position_) {
        if (fseeko(file_, static_cast<off_t>(position), SEEK_SET) != 0) {
            lastErrno_ = errno;
            positionKnown_ = false;
            return false;
        }
        position_ = position;
        positionKnown_ = true;
    }
    return WriteHere(data, n);
}

bool OutputFile::Flush()
{
    if (std::fflush(file_) != 0) {
        lastErrno_ = errno;
        return false;
    }
    return true;
}

bool OutputFile::Length(uint64_t* length)
{
    if (!Flush())
        return false;
    if (fseeko(file_, 0, SEEK_END) != 0) {
        lastErrno_ = errno;
        positionKnown_ = false;
        return false;
    }
    off_t end = ftello(file_);
    if (end < 0) {
        lastErrno_ = errno;
        positionKnown_ = false;
        return false;
    }
    position_ = static_cast<uint64_t>(end);
    positionKnown_ = true;
    *length = position_;
    return true;
}

bool OutputFile::Truncate(uint64_t length)
{
    if (!Flush())
        return false;
    if (ftruncate(fileno(file_), static_cast<off_t>(length)) != 0) {
        lastErrno_ = errno;
        return false;
    }
    positionKnown_ = false;
    return true;
}

}  // namespace mmsh
