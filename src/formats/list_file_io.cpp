#include "formats/list_file_io.h"

#include "base/replace_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

bool WriteAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string TooLargeText(uint64_t size, uint64_t maxBytes)
{
    char text[96];
    if (size > maxBytes)
        std::snprintf(text, sizeof text, "file too large (%llu bytes, at most %llu)",
                      static_cast<unsigned long long>(size), static_cast<unsigned long long>(maxBytes));
    else
        std::snprintf(text, sizeof text, "file too large (more than %llu bytes)",
                      static_cast<unsigned long long>(maxBytes));
    return text;
}

}  // namespace

ReadStatus ReadFileBounded(const std::string& path, uint64_t maxBytes, std::string* out,
                           std::string* error, uint64_t* size)
{
    out->clear();
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        if (error)
            *error = std::strerror(errno);
        return ReadStatus::CannotOpen;
    }
    // Only regular files: a device or a FIFO could block or never end.
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (error)
            *error = S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : "not a regular file";
        return ReadStatus::CannotOpen;
    }
    if (size)
        *size = static_cast<uint64_t>(st.st_size);
    if (static_cast<uint64_t>(st.st_size) > maxBytes) {
        if (error)
            *error = TooLargeText(static_cast<uint64_t>(st.st_size), maxBytes);
        return ReadStatus::TooLarge;
    }
    out->reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (error)
                *error = std::strerror(errno);
            return ReadStatus::CannotOpen;
        }
        if (n == 0)
            break;
        if (out->size() + static_cast<size_t>(n) > maxBytes) {
            if (error)
                *error = TooLargeText(0, maxBytes);
            out->clear();
            return ReadStatus::TooLarge;
        }
        out->append(buffer, static_cast<size_t>(n));
    }
    if (size)
        *size = out->size();
    return ReadStatus::Ok;
}

ReadStatus LoadPlaylistFile(const std::string& path, std::string* text, std::string* error)
{
    return ReadFileBounded(path, kMaxPlaylistBytes, text, error);
}

bool WriteListFile(const std::string& path, const std::string& bytes, mode_t mode, std::string* error)
{
    const ReplaceResult replaced = ReplaceFile(path, bytes, mode);
    if (replaced)
        return true;
    if (replaced.step == ReplaceResult::Step::Create) {
        // A file written over keeps no more permission than mode allows
        // (a list that now holds a password is closed to others first).
        Fd direct(::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, mode));
        struct stat st {};
        if (direct.get() >= 0 && ::fstat(direct.get(), &st) == 0 &&
            ((st.st_mode & 07777 & ~mode) == 0 || ::fchmod(direct.get(), st.st_mode & mode & 07777) == 0) &&
            ::ftruncate(direct.get(), 0) == 0 && WriteAll(direct.get(), bytes) && ::close(direct.release()) == 0)
            return true;
        if (error)
            *error = std::strerror(errno);
        return false;
    }
    if (error)
        *error = replaced.Text();
    return false;
}
