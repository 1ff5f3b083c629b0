#pragma once

#include <cstdint>
#include <string>

// Notifications of the protocol clients. The recording worker (CmmsThread)
// implements them once for all four clients; the bodies here do nothing, so
// a client used on its own (tests, the URL check) needs no implementation.
// Messages arrive already formatted: clients format with Printf().
class ClientHooks {
public:
    virtual ~ClientHooks() = default;

    virtual void OnConnecting(const std::string& /*url*/, int /*port*/) {}
    virtual void OnHeaderReceived(const std::string& /*url*/, uint32_t /*durationMs*/) {}
    virtual void OnProgress(uint32_t /*bytesWritten*/, uint32_t /*progress*/, uint32_t /*timeMs*/) {}
    virtual void OnFinished(uint32_t /*bytesWritten*/) {}
    virtual void Trace(const std::string& /*text*/) {}
    virtual void ReportError(const std::string& /*text*/) {}
    virtual void OnText(const std::string& /*text*/) {}
    virtual void OnCredentials(const std::string& /*user*/, const std::string& /*password*/) {}
    virtual void OnNoNext() {}
    virtual void OnStreamUrlFound(const std::string& /*url*/) {}
};
