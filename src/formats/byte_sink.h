#pragma once

#include <cstddef>
#include <cstdint>

// Where a recording's bytes go: a file (FileSink) or, in tests, anything
// else. Positions are byte offsets from the start and 64-bit. A sink may
// hold written bytes back (Flush writes them out), so a failure can show
// at a later call than the write that caused it; every call after a
// failure may fail too. Error() tells the errno of the last failure.
//
// Besides positioned writes the sink keeps a cursor for writers that only
// append (Write); the one who hands the sink over sets it (Seek).
class ByteSink {
public:
    virtual ~ByteSink() = default;

    virtual bool WriteAt(uint64_t position, const void* data, size_t n) = 0;
    // The length of what the sink holds, bytes held back included.
    virtual bool Size(uint64_t* size) = 0;
    // Cuts (or extends with zeros) to size.
    virtual bool Truncate(uint64_t size) = 0;
    // Writes out what is held back.
    virtual bool Flush() = 0;
    virtual int Error() const = 0;

    // Writes at the cursor and moves it on; false leaves it where it was.
    bool Write(const void* data, size_t n)
    {
        if (!WriteAt(cursor_, data, n))
            return false;
        cursor_ += n;
        return true;
    }
    uint64_t Position() const { return cursor_; }
    void Seek(uint64_t position) { cursor_ = position; }

private:
    uint64_t cursor_ = 0;
};
