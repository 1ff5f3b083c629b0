#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace mmsh {

// Positioned writes into the caller's output stream. The position is
// tracked here so that packets arriving in order cost no seek at all and
// the stream's own buffering stays in effect.
class OutputFile {
public:
    // Takes the stream's current position as the write position.
    explicit OutputFile(FILE* file);

    bool WriteHere(const void* data, size_t n);
    bool WriteAt(uint64_t position, const void* data, size_t n);
    // Flushes and tells the length of the file.
    bool Length(uint64_t* length);
    // Flushes and cuts the file to length.
    bool Truncate(uint64_t length);
    bool Flush();
    int lastErrno() const { return lastErrno_; }

private:
    FILE* file_;
    uint64_t position_ = 0;
    bool positionKnown_ = false;
    int lastErrno_ = 0;
};

}  // namespace mmsh
