#include "formats/file_sink.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Opens without following a link and without waiting on a FIFO, and keeps
// the descriptor only for a regular file; empties it when asked.
std::unique_ptr<FileSink> OpenWith(const std::string& path, int flags, bool empty, int* error)
{
    auto fail = [error](int code) -> std::unique_ptr<FileSink> {
        if (error)
            *error = code;
        return nullptr;
    };
    const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        return fail(errno);
    struct stat st {};
    int code = 0;
    if (::fstat(fd, &st) != 0)
        code = errno;
    else if (!S_ISREG(st.st_mode))
        code = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    else if (empty && st.st_size != 0 && ::ftruncate(fd, 0) != 0)
        code = errno;
    else if (const int now = ::fcntl(fd, F_GETFL); now < 0 || ::fcntl(fd, F_SETFL, now & ~O_NONBLOCK) != 0)
        code = errno;
    if (code != 0) {
        ::close(fd);
        return fail(code);
    }
    return std::make_unique<FileSink>(fd);
}

// Positions beyond what off_t holds cannot be written.
bool Representable(uint64_t position, size_t n)
{
    constexpr uint64_t kMax = static_cast<uint64_t>(std::numeric_limits<off_t>::max());
    return position <= kMax && n <= kMax - position;
}

}  // namespace

std::unique_ptr<FileSink> FileSink::CreateNew(const std::string& path, int* error)
{
    return OpenWith(path, O_WRONLY | O_CREAT | O_EXCL, false, error);
}

std::unique_ptr<FileSink> FileSink::Create(const std::string& path, int* error)
{
    return OpenWith(path, O_WRONLY | O_CREAT, true, error);
}

std::unique_ptr<FileSink> FileSink::OpenExisting(const std::string& path, int* error)
{
    return OpenWith(path, O_RDWR, false, error);
}

FileSink::FileSink(int fd) : fd_(fd), pending_(new uint8_t[kBuffer]) {}

FileSink::~FileSink() { Close(); }

bool FileSink::Fail(int error)
{
    error_ = error;
    failed_ = true;
    return false;
}

bool FileSink::WriteOut(uint64_t position, const uint8_t* data, size_t n)
{
    if (!Representable(position, n))
        return Fail(EFBIG);
    while (n > 0) {
        const ssize_t done = ::pwrite(fd_, data, n, static_cast<off_t>(position));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return Fail(done < 0 ? errno : EIO);
        data += done;
        n -= static_cast<size_t>(done);
        position += static_cast<uint64_t>(done);
    }
    return true;
}

bool FileSink::Flush()
{
    if (fd_ < 0)
        return Fail(EBADF);
    if (pendingLength_ == 0)
        return true;
    const size_t n = pendingLength_;
    pendingLength_ = 0;
    return WriteOut(pendingPosition_, pending_.get(), n);
}

bool FileSink::WriteAt(uint64_t position, const void* data, size_t n)
{
    if (fd_ < 0)
        return Fail(EBADF);
    if (!Representable(position, n))
        return Fail(EFBIG);
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (pendingLength_ > 0 && position == pendingPosition_ + pendingLength_ &&
        n <= kBuffer - pendingLength_) {
        std::memcpy(pending_.get() + pendingLength_, bytes, n);
        pendingLength_ += n;
        return true;
    }
    if (!Flush())
        return false;
    if (n >= kBuffer)
        return WriteOut(position, bytes, n);
    std::memcpy(pending_.get(), bytes, n);
    pendingPosition_ = position;
    pendingLength_ = n;
    return true;
}

bool FileSink::Size(uint64_t* size)
{
    if (!Flush())
        return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0)
        return Fail(errno);
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool FileSink::Truncate(uint64_t size)
{
    if (!Flush())
        return false;
    if (!Representable(size, 0))
        return Fail(EFBIG);
    if (::ftruncate(fd_, static_cast<off_t>(size)) != 0)
        return Fail(errno);
    return true;
}

bool FileSink::Close()
{
    if (fd_ < 0)
        return !failed_;
    Flush();
    if (::close(fd_) != 0 && errno != EINTR)
        Fail(errno);
    fd_ = -1;
    return !failed_;
}
