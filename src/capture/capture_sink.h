#pragma once

#include <string>

// Where the frame parser puts the addresses it finds: the media list in the
// desktop program, the terminal in the CLI, a recorder in tests. Called on
// the capture thread.
class CaptureSink {
public:
    virtual ~CaptureSink() = default;

    // Adds a row; when a row with exactly this address exists, nothing is
    // added. The identity is the player identification to announce (empty
    // for HTTP and RTSP).
    virtual void AddCapturedRow(const std::string& address, const std::string& title,
                               const std::string& playerIdentity) = 0;
    // Sets the title of the first row whose address is exactly `address`.
    virtual void SetCapturedTitle(const std::string& address, const std::string& title) = 0;
};
