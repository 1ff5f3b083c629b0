#pragma once

#include <functional>
#include <string>

namespace mmsh {

// The streaming client's messages. Errors and notes replace the last
// message (the text a caller can read after a call); info messages are only
// formatted when someone listens. Nothing here reaches ClientHooks: this
// client reports outcomes through its return value, hooks and file.
class MessageLog {
public:
    enum class Level { Info, Note, Error };
    using Observer = std::function<void(Level, const std::string&)>;

    // Messages are formatted into at most this many bytes.
    static constexpr size_t kMaxMessage = 4095;

    void Info(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Note(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void Error(const char* format, ...) __attribute__((format(printf, 2, 3)));

    const std::string& last() const { return last_; }
    void SetLast(std::string text) { last_ = std::move(text); }
    void SetObserver(Observer observer) { observer_ = std::move(observer); }

private:
    void Emit(Level level, std::string text);

    std::string last_;
    Observer observer_;
};

}  // namespace mmsh
