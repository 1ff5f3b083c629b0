#pragma once

#include <atomic>
#include <mutex>
#include <string>

// What the frame parser remembers across frames and across captures, for as
// long as the program runs: the front end creates one and keeps it. Start
// and Stop never reset it.
//
// The parser (capture thread) writes and reads it; the lock lets a front end
// look at it from its own thread.
class CaptureMemory {
public:
    static constexpr const char* kInitialPlayerIdentification =
        "NSPlayer/4.1.0.3928; {3300AD50-2C39-46C0-AE0A-21A0EBC0721E}";
    // A connect command's identification is kept to this many bytes: the
    // player version and its GUID, without the host that follows them.
    static constexpr size_t kMaxPlayerIdentification = 59;

    std::string PlayerIdentification() const;
    void SetPlayerIdentification(const std::string& identification);

    // The MMS address whose stream header (and title) is awaited; empty when
    // none is.
    std::string AwaitedHeaderAddress() const;
    void AwaitHeaderFor(const std::string& address);
    void ClearAwaitedHeader();
    bool AwaitingHeader() const;

private:
    mutable std::mutex mutex_;
    std::string playerIdentification_ = kInitialPlayerIdentification;
    std::string awaitedHeaderAddress_;
    // Read for every frame a server on port 1755 sends: no lock for that.
    std::atomic<bool> awaitingHeader_{false};
};
