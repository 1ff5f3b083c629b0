#pragma once

#include <string>

namespace mmsh {

// The streaming client's messages. Errors and notes replace the last
// message (the text a caller can read after a call); info messages say what
// the client does and are dropped unformatted. Nothing here reaches
// ClientHooks: this client reports outcomes through its return value, hooks
// and file.
class MessageLog {
public:
    // Messages are formatted into at most this many bytes.
    static constexpr size_t kMaxMessage = 4095;

    void Info(const char* /*format*/, ...) __attribute__((format(printf, 2, 3))) {}
    void Note(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Error(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const std::string& last() const { return last_; }

private:
    std::string last_;
};

}  // namespace mmsh
