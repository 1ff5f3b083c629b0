#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "formats/byte_sink.h"

// A ByteSink on a file descriptor. Writes that follow one another are
// gathered and written with one call per kBuffer bytes; a write elsewhere,
// Size, Truncate, Flush and Close first write out what was gathered, so the
// order of writes holds.
class FileSink final : public ByteSink {
public:
    static constexpr size_t kBuffer = 256 * 1024;

    // None of these follows a symbolic link at path or waits on a FIFO: a
    // link, a FIFO, a folder or a device at path fails (ELOOP, ENXIO,
    // EISDIR or EINVAL).

    // A new file (mode 0666 before the umask); fails with EEXIST when
    // anything is at path already. Null on failure, with errno in *error
    // when given.
    static std::unique_ptr<FileSink> CreateNew(const std::string& path, int* error = nullptr);
    // A new file, or an existing regular file emptied.
    static std::unique_ptr<FileSink> Create(const std::string& path, int* error = nullptr);
    // An existing regular file, kept as it is, for writing in place (a resume).
    static std::unique_ptr<FileSink> OpenExisting(const std::string& path, int* error = nullptr);

    // Takes ownership of fd.
    explicit FileSink(int fd);
    // Closes, ignoring failures: call Close to learn of them.
    ~FileSink() override;
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool WriteAt(uint64_t position, const void* data, size_t n) override;
    bool Size(uint64_t* size) override;
    bool Truncate(uint64_t size) override;
    bool Flush() override;
    int Error() const override { return error_; }

    // Writes out what is held back and closes the descriptor. False when
    // that failed or any earlier call of this sink failed.
    bool Close();

private:
    bool WriteOut(uint64_t position, const uint8_t* data, size_t n);
    bool Fail(int error);

    int fd_;
    std::unique_ptr<uint8_t[]> pending_;
    size_t pendingLength_ = 0;
    uint64_t pendingPosition_ = 0;
    int error_ = 0;
    bool failed_ = false;
};
