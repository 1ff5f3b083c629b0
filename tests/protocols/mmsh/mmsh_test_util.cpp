#include "mmsh_test_util.h"

#include <cstring>

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include "formats/asf_guids.h"
#include "formats/le.h"
#include "test_support.h"

namespace mmshtest {

void RecordingHooks::OnHeaderReceived(const std::string&, uint32_t durationMs)
{
    std::lock_guard lock(mutex_);
    headers_.push_back(durationMs);
}

void RecordingHooks::OnProgress(uint32_t bytes, uint32_t progress, uint32_t timeMs)
{
    std::lock_guard lock(mutex_);
    progress_.push_back({bytes, progress, timeMs});
}

void RecordingHooks::OnFinished(uint32_t bytes)
{
    std::lock_guard lock(mutex_);
    finished_.push_back(bytes);
}

void RecordingHooks::ReportError(const std::string&)
{
    std::lock_guard lock(mutex_);
    ++errors_;
}

void RecordingHooks::OnCredentials(const std::string& user, const std::string& password)
{
    std::lock_guard lock(mutex_);
    credentials_.push_back(user + ":" + password);
}

void RecordingHooks::OnNoNext()
{
    std::lock_guard lock(mutex_);
    ++noNext_;
}

void RecordingHooks::OnStreamUrlFound(const std::string& url)
{
    std::lock_guard lock(mutex_);
    found_.push_back(url);
}

std::vector<uint32_t> RecordingHooks::headerDurations() const
{
    std::lock_guard lock(mutex_);
    return headers_;
}

std::vector<RecordingHooks::Progress> RecordingHooks::progress() const
{
    std::lock_guard lock(mutex_);
    return progress_;
}

std::vector<uint32_t> RecordingHooks::finished() const
{
    std::lock_guard lock(mutex_);
    return finished_;
}

std::vector<std::string> RecordingHooks::credentials() const
{
    std::lock_guard lock(mutex_);
    return credentials_;
}

std::vector<std::string> RecordingHooks::found() const
{
    std::lock_guard lock(mutex_);
    return found_;
}

int RecordingHooks::noNext() const
{
    std::lock_guard lock(mutex_);
    return noNext_;
}

int RecordingHooks::errors() const
{
    std::lock_guard lock(mutex_);
    return errors_;
}

void ScriptedPrompts::Answer(const std::string& user, const std::string& password, bool save)
{
    std::lock_guard lock(mutex_);
    CredentialAnswer a;
    a.accepted = true;
    a.user = user;
    a.password = password;
    a.save = save;
    answers_.push_back(a);
}

int ScriptedPrompts::asked() const
{
    std::lock_guard lock(mutex_);
    return asked_;
}

UserPrompts::CredentialAnswer ScriptedPrompts::AskCredentials(const std::string&, const std::string&,
                                                              const std::string&)
{
    std::lock_guard lock(mutex_);
    ++asked_;
    if (answers_.empty())
        return {};
    CredentialAnswer a = answers_.front();
    answers_.pop_front();
    return a;
}

AsfParts SplitAsf(const std::string& bytes)
{
    AsfParts parts;
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    if (bytes.size() < 30)
        return parts;
    uint64_t headerSize = le::Load64(p + 16);
    if (headerSize + 50 > bytes.size())
        return parts;
    parts.header = bytes.substr(0, headerSize + 50);
    size_t fp = parts.header.find(std::string(reinterpret_cast<const char*>(asf::kFileProperties.data()), 16));
    if (fp == std::string::npos)
        return parts;
    parts.filePropertiesOffset = static_cast<uint32_t>(fp);
    parts.packetSize = le::Load32(p + fp + 92);
    parts.preroll = le::Load32(p + fp + 80);
    uint64_t play = le::Load64(p + fp + 64);
    parts.durationMs = play ? static_cast<uint32_t>(play / 10000 - parts.preroll) : 0;
    uint64_t count = le::Load64(p + headerSize + 40);
    for (uint64_t i = 0; i < count && parts.packetSize > 0; ++i) {
        size_t at = headerSize + 50 + i * parts.packetSize;
        if (at + parts.packetSize > bytes.size())
            break;
        parts.packets.push_back(bytes.substr(at, parts.packetSize));
    }
    return parts;
}

std::vector<std::string> SplitRequests(const std::string& log)
{
    std::vector<std::string> out;
    size_t start = 0;
    for (;;) {
        size_t end = log.find("\r\n\r\n", start);
        if (end == std::string::npos)
            break;
        out.push_back(log.substr(start, end + 4 - start));
        start = end + 4;
    }
    return out;
}

std::string ClientGuidOf(const std::string& request)
{
    const std::string key = "Pragma: xClientGUID=";
    size_t at = request.find(key);
    if (at == std::string::npos)
        return {};
    size_t end = request.find("\r\n", at);
    return request.substr(at + key.size(), end - at - key.size());
}

std::string LoopbackName()
{
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    char name[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<sockaddr*>(&sa), sizeof(sa), name, sizeof(name), nullptr, 0,
                    NI_NAMEREQD) == 0)
        return name;
    return "127.0.0.1";
}

std::string Sample()
{
    testsupport::SampleSpec sample;
    sample.seconds = 4.0;
    sample.packetSize = 3200;
    return testsupport::MakeSampleAsf(sample);
}

std::string ShortSample()
{
    testsupport::SampleSpec sample;
    sample.seconds = 0.6;
    sample.video = false;
    sample.packetSize = 1000;
    return testsupport::MakeSampleAsf(sample);
}

bool DecodesFrom(const std::string& path, double seconds, std::string* diagnostics)
{
    testsupport::ProcessResult r = testsupport::RunProcess(
        {"ffmpeg", "-nostdin", "-v", "error", "-xerror", "-ss", std::to_string(seconds), "-i", path,
         "-f", "null", "-"},
        std::chrono::seconds(60));
    if (diagnostics)
        *diagnostics = r.out + r.err;
    return r.exitCode == 0 && r.out.empty() && r.err.empty();
}

}  // namespace mmshtest
