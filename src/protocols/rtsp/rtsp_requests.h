#pragma once

#include <cstddef>
#include <string>

// The six requests with which the client presents itself as a Windows Media
// player, byte for byte. Each takes the address exactly as the job passed
// it; the session identifier is the text the server's SETUP reply gave,
// leading blank included. Each returns the whole request, or an empty string
// when it would not fit the 8192-byte request buffer or when the address or
// identifier holds a CR, LF or NUL (which would forge further header lines).
namespace rtsp {

constexpr size_t kMaxRequest = 8192;

std::string DescribeRequest(const std::string& url);
// localPort: the local port of the connection; the client ports asked for
// are the next two numbers, not wrapped at 65535.
std::string SetupRtxRequest(const std::string& url, int localPort);
std::string SetParameterRequest(const std::string& url, const std::string& session);
std::string SetupAudioRequest(const std::string& url, const std::string& session);
std::string SetupVideoRequest(const std::string& url, const std::string& session);
std::string PlayRequest(const std::string& url, const std::string& session);

}  // namespace rtsp
