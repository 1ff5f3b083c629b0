#include "formats/list_file_io.h"

#include <atomic>
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

bool ReplaceFile(const std::string& path, const std::string& bytes, mode_t mode,
                 std::string* error)
{
    static std::atomic<unsigned> counter{0};
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%d.%u.tmp", static_cast<int>(::getpid()),
                  counter.fetch_add(1));
    const std::string temp = path + suffix;
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (fd.get() < 0) {
        // No room for a temporary file beside it (a folder we may not write
        // into): write the file in place instead.
        Fd direct(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode));
        if (direct.get() < 0 || !WriteAll(direct.get(), bytes) || ::close(direct.release()) != 0) {
            if (error)
                *error = std::strerror(errno);
            return false;
        }
        return true;
    }
    if (!WriteAll(fd.get(), bytes) || ::fsync(fd.get()) != 0 || ::close(fd.release()) != 0 ||
        ::rename(temp.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        if (error)
            *error = std::strerror(saved);
        return false;
    }
    return true;
}
