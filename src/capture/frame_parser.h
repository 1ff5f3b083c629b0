#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "capture/capture_settings.h"

class CaptureMemory;
class CaptureSink;

// Recognises the request that opens a stream in one captured frame (an HTTP
// GET to port 80 or 8080, an RTSP DESCRIBE to port 554, an MMS open-file
// command to port 1755), rebuilds the stream address and hands it to the
// sink; from MMS traffic it also learns the player identification and the
// stream title.
//
// Frames are hostile: every length is checked against the bytes captured
// before it is used, and nothing is read outside [frame, frame + length).
// Runs on the capture thread only; one parser per capture.
class FrameParser {
public:
    FrameParser(CaptureMemory& memory, CaptureSink& sink);

    void SetSettings(CaptureSettings settings);
    const CaptureSettings& settings() const { return settings_; }

    // One Ethernet frame (plain IPv4 or PPPoE session/discovery).
    void ParseCapturedFrame(const uint8_t* frame, size_t length);
    // One frame of the given libpcap link type (DLT_*).
    void ParseLinkFrame(int linkType, const uint8_t* frame, size_t length);

    // Whether frames of this libpcap link type can be mapped to their IPv4
    // packet; captures of any other type are refused.
    static bool SupportsLinkType(int linkType);

    // Limits of the texts built from a frame.
    static constexpr size_t kMaxHttpAddress = 8191;
    static constexpr size_t kMaxMmsFileName = 1023;  // characters
    static constexpr size_t kMaxTitle = 1023;        // characters

private:
    void ParseEtherType(unsigned type, const uint8_t* p, size_t length);
    void ParseIpv4(const uint8_t* p, size_t length);
    void ParseHttp(std::string_view payload, const uint8_t* host, unsigned port);
    void ParseRtsp(std::string_view payload);
    void ParseMmsCommand(const uint8_t* payload, size_t length, const uint8_t* host);
    void ParseMmsHeader(const uint8_t* payload, size_t length);
    void AddRow(const std::string& address, const std::string& identity);

    CaptureMemory& memory_;
    CaptureSink& sink_;
    CaptureSettings settings_;
};
