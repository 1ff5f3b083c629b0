#include "base/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

std::string ReplaceResult::Text() const
{
    return step == Step::Done ? std::string() : std::string(std::strerror(error));
}

ReplaceResult ReplaceFile(const std::string& path, std::string_view bytes, mode_t mode)
{
    using Step = ReplaceResult::Step;
    mode &= 07777;
    struct stat old {};
    const bool replacing = ::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);

    static std::atomic<unsigned> counter{0};
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%d.%u.tmp", static_cast<int>(::getpid()), counter.fetch_add(1));
    const std::string temporary = path + suffix;
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          replacing ? (old.st_mode & mode & 0777) : mode);
    if (fd < 0)
        return {Step::Create, errno};
    auto fail = [&](Step step, int error) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return ReplaceResult{step, error};
    };
    // The old bits exactly, not less the umask: the user chose them.
    if (replacing && ::fchmod(fd, old.st_mode & mode) != 0)
        return fail(Step::Write, errno);
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(Step::Write, n < 0 ? errno : EIO);
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0)
        return fail(Step::Write, errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return {Step::Write, error};
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return {Step::Rename, error};
    }
    return {};
}
