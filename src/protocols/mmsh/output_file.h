#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>

namespace mmsh {

// Positioned writes into the caller's output stream. Packets arriving in
// order are gathered into one buffer and written with one call per
// kWriteBuffer bytes instead of one per packet; a write elsewhere in the
// file first writes out what was gathered, so the order of writes holds.
// The stream's own buffer is flushed when this starts and its position is
// set after the last write when it finishes, so the caller can go on
// using the stream.
class OutputFile {
public:
    static constexpr size_t kWriteBuffer = 256 * 1024;

    explicit OutputFile(FILE* file);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool WriteAt(uint64_t position, const void* data, size_t n);
    // Writes out what was gathered.
    bool Flush();
    // Flushes and tells the length of the file.
    bool Length(uint64_t* length);
    // Flushes and cuts the file to length.
    bool Truncate(uint64_t length);
    // Flushes and leaves the stream positioned after the last write.
    bool Finish();
    int lastErrno() const { return lastErrno_; }

private:
    bool WriteOut(uint64_t position, const uint8_t* data, size_t n);

    FILE* file_;
    int fd_ = -1;
    std::unique_ptr<uint8_t[]> pending_;
    size_t pendingLength_ = 0;
    uint64_t pendingPosition_ = 0;
    uint64_t lastEnd_ = 0;
    int lastErrno_ = 0;
    bool finished_ = false;
};

}  // namespace mmsh
