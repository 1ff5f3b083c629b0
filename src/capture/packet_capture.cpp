#include "capture/packet_capture.h"

#include <fcntl.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "capture/frame_parser.h"
#include "capture/helper_protocol.h"
#include "formats/le.h"
#include "formats/printf.h"

namespace {

std::string LinkTypeText(int linkType)
{
    const char* name = pcap_datalink_val_to_name(linkType);
    const char* description = pcap_datalink_val_to_description(linkType);
    if (name && description)
        return Printf("%s (%s, link type %d)", name, description, linkType);
    return Printf("link type %d", linkType);
}

void Fail(CaptureStartError* error, CaptureStartError::Kind kind, std::string message)
{
    if (error) {
        error->kind = kind;
        error->message = std::move(message);
    }
}

// How often a wait for savefile bytes looks at the stop request.
constexpr int kReadTickMs = 100;

// The source of a savefile stream: its descriptor and the stop request.
struct StreamSource {
    int fd;
    const std::atomic<bool>* stop;
};

// Reads of the stream: waits for bytes in ticks and reports the end of the
// file once a stop is requested, so libpcap's blocking reads come back.
ssize_t ReadSource(void* cookie, char* buffer, size_t size)
{
    auto* source = static_cast<StreamSource*>(cookie);
    for (;;) {
        if (source->stop->load(std::memory_order_acquire))
            return 0;
        pollfd p{source->fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kReadTickMs);
        if (ready < 0 && errno != EINTR)
            return -1;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(source->fd, buffer, size);
        if (n >= 0)
            return n;
        if (errno != EINTR && errno != EAGAIN)
            return -1;
    }
}

int CloseSource(void* cookie)
{
    auto* source = static_cast<StreamSource*>(cookie);
    const int rc = ::close(source->fd);
    delete source;
    return rc;
}

// A read-only stdio stream on fd (taken over) whose reads end at a stop.
FILE* StopAwareStream(int fd, const std::atomic<bool>* stop)
{
    cookie_io_functions_t functions{};
    functions.read = &ReadSource;
    functions.close = &CloseSource;
    auto* source = new StreamSource{fd, stop};
    FILE* stream = fopencookie(source, "r", functions);
    if (!stream) {
        ::close(fd);
        delete source;
    }
    return stream;
}

}  // namespace

PacketCapture::PacketCapture(FrameParser& parser) : parser_(parser), helperPath_(FindCaptureHelper()) {}

PacketCapture::~PacketCapture()
{
    Stop();
    Wait();
}

void PacketCapture::SetEndHandler(EndHandler handler) { endHandler_ = std::move(handler); }

bool PacketCapture::StartLive(const std::string& adapter, const std::vector<uint16_t>& ports,
                              CaptureStartError* error)
{
    if (IsRunning()) {
        Fail(error, CaptureStartError::kBusy, "A capture is already running.");
        return false;
    }
    if (!capturehelper::ValidInterfaceName(adapter)) {
        Fail(error, CaptureStartError::kNoSuchAdapter,
             Printf("There is no network adapter named \"%s\".",
                    capturehelper::ShownText(adapter, 64).c_str()));
        return false;
    }
    int linkType = -1;
    std::unique_ptr<CaptureHelperProcess> helper = OpenWithHelper(adapter, ports, &linkType, error);
    return helper && Begin(nullptr, false, Printf("adapter \"%s\"", adapter.c_str()), error,
                           std::move(helper), linkType);
}

std::unique_ptr<CaptureHelperProcess> PacketCapture::OpenWithHelper(const std::string& adapter,
                                                                    const std::vector<uint16_t>& ports,
                                                                    int* linkType, CaptureStartError* error)
{
    using capturehelper::RecordReader;
    using capturehelper::RecordType;
    auto helper = std::make_unique<CaptureHelperProcess>();
    std::string why;
    bool notPermitted = false;
    if (!helper->Start(helperPath_, {"--interface", adapter, "--ports", capturehelper::PortsText(ports)},
                       &why, &notPermitted)) {
        Fail(error, notPermitted ? CaptureStartError::kNotPermitted : CaptureStartError::kOther, why);
        return nullptr;
    }
    // The helper answers once the adapter is open (a head) or could not be
    // (an error); anything else ends it.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHelperStartMs);
    for (;;) {
        RecordType type;
        std::string_view payload;
        const RecordReader::Status status = helper->Next(&type, &payload);
        if (status == RecordReader::Status::kRecord) {
            if (type == RecordType::kHead && payload.size() == capturehelper::kHeadBytes &&
                le::Load32(reinterpret_cast<const uint8_t*>(payload.data())) == capturehelper::kProtocolVersion) {
                *linkType = static_cast<int>(le::Load32(reinterpret_cast<const uint8_t*>(payload.data()) + 4));
                break;
            }
            if (type == RecordType::kError && !payload.empty()) {
                const auto kind = static_cast<capturehelper::ErrorKind>(payload[0]);
                Fail(error,
                     kind == capturehelper::ErrorKind::kNotPermitted    ? CaptureStartError::kNotPermitted
                     : kind == capturehelper::ErrorKind::kNoSuchAdapter ? CaptureStartError::kNoSuchAdapter
                                                                        : CaptureStartError::kOther,
                     capturehelper::ShownText(payload.substr(1), capturehelper::kMaxErrorBytes));
                return nullptr;
            }
            Fail(error, CaptureStartError::kOther,
                 Printf("The capture helper %s answered with something other than a capture.",
                        helperPath_.c_str()));
            return nullptr;
        }
        if (status == RecordReader::Status::kMalformed) {
            Fail(error, CaptureStartError::kOther,
                 Printf("The capture helper %s sent malformed output: %s.", helperPath_.c_str(),
                        helper->problem().c_str()));
            return nullptr;
        }
        const int left = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              deadline - std::chrono::steady_clock::now())
                                              .count());
        const CaptureHelperProcess::ReadStatus read = helper->Read(left > 0 ? left : 0);
        if (read == CaptureHelperProcess::ReadStatus::kEnd || read == CaptureHelperProcess::ReadStatus::kFailed ||
            left <= 0) {
            const std::string how = read == CaptureHelperProcess::ReadStatus::kEnd ? helper->Finish() : "";
            Fail(error, CaptureStartError::kOther,
                 Printf("The capture helper %s did not open the adapter (it %s).", helperPath_.c_str(),
                        how.empty() ? "gave no answer" : how.c_str()));
            return nullptr;
        }
    }
    if (!FrameParser::SupportsLinkType(*linkType)) {
        Fail(error, CaptureStartError::kUnsupportedLink,
             Printf("The adapter \"%s\" delivers %s frames, which cannot be read; Ethernet, Linux cooked "
                    "and raw IP frames can.",
                    adapter.c_str(), LinkTypeText(*linkType).c_str()));
        return nullptr;
    }
    return helper;
}

bool PacketCapture::StartSavefile(const std::string& path, CaptureStartError* error)
{
    if (IsRunning()) {
        Fail(error, CaptureStartError::kBusy, "A capture is already running.");
        return false;
    }
    const std::string source = path == "-" ? std::string("standard input")
                                           : Printf("capture file \"%s\"", path.c_str());
    // Opening a FIFO waits for its writer unless it is opened non-blocking;
    // the reads wait in ticks instead.
    const int fd = path == "-" ? ::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 0)
                               : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat info {};
    if (fd < 0 || ::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int code = fd < 0 || !S_ISDIR(info.st_mode) ? errno : EISDIR;
        if (fd >= 0)
            ::close(fd);
        Fail(error, CaptureStartError::kOther,
             Printf("Cannot read the %s: %s", source.c_str(), std::strerror(code)));
        return false;
    }
    if (path != "-")
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    readStop_.store(false, std::memory_order_release);
    FILE* stream = StopAwareStream(fd, &readStop_);
    if (!stream) {
        Fail(error, CaptureStartError::kOther,
             Printf("Cannot read the %s: %s", source.c_str(), std::strerror(errno)));
        return false;
    }
    if (!S_ISREG(info.st_mode)) {
        // A pipe, FIFO or device may hold back even its head: the thread
        // reads it, where a stop reaches the wait.
        pendingStream_ = stream;
        return Begin(nullptr, true, source, error);
    }
    pcap_t* handle = OpenSavefile(stream, source, error);
    return handle && Begin(handle, true, source, error);
}

pcap* PacketCapture::OpenSavefile(FILE* stream, const std::string& source, CaptureStartError* error)
{
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_fopen_offline(stream, errbuf);
    if (!handle) {
        std::fclose(stream);
        Fail(error, CaptureStartError::kOther, Printf("Cannot read the %s: %s", source.c_str(), errbuf));
    }
    return handle;
}

bool PacketCapture::SupportedLink(pcap* handle, const std::string& source, CaptureStartError* error)
{
    const int linkType = pcap_datalink(handle);
    if (FrameParser::SupportsLinkType(linkType))
        return true;
    Fail(error, CaptureStartError::kUnsupportedLink,
         Printf("The %s delivers %s frames, which cannot be read; Ethernet, Linux cooked "
                "and raw IP frames can.",
                source.c_str(), LinkTypeText(linkType).c_str()));
    return false;
}

bool PacketCapture::Begin(pcap* handle, bool offline, const std::string& source,
                          CaptureStartError* error, std::unique_ptr<CaptureHelperProcess> helper,
                          int linkType)
{
    if (handle && !SupportedLink(handle, source, error)) {
        pcap_close(handle);
        return false;
    }
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
        if (handle)
            pcap_close(handle);
        if (pendingStream_)
            std::fclose(pendingStream_);
        pendingStream_ = nullptr;
        Fail(error, CaptureStartError::kBusy, "A capture cannot start from its own end handler.");
        return false;
    }
    // A thread that ended by itself (end of file, receive failure) or is
    // still finishing a stop is collected before the next one starts.
    Wait();
    {
        std::lock_guard lock(handleMutex_);
        handle_ = handle;
    }
    offline_ = offline;
    source_ = source;
    helper_ = std::move(helper);  // the previous one was ended by its thread
    linkType_ = handle ? pcap_datalink(handle) : linkType;
    framesSeen_.store(0, std::memory_order_relaxed);
    running_.store(true, std::memory_order_release);
    thread_ = std::thread(&PacketCapture::Run, this);
    return true;
}

void PacketCapture::Stop()
{
    running_.store(false, std::memory_order_release);
    readStop_.store(true, std::memory_order_release);
    std::lock_guard lock(handleMutex_);
    if (handle_)
        pcap_breakloop(handle_);  // wakes a receive that waits for frames
}

void PacketCapture::Wait()
{
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

void PacketCapture::Deliver(const unsigned char* frame, size_t capturedLength)
{
    // Only this thread writes the counter: a plain store, no locked add.
    framesSeen_.store(framesSeen_.load(std::memory_order_relaxed) + 1, std::memory_order_relaxed);
    if (capturedLength > kSkippedFrameSize)
        parser_.ParseLinkFrame(linkType_, frame, capturedLength);
}

void PacketCapture::OnFrame(unsigned char* user, const struct pcap_pkthdr* header,
                            const unsigned char* bytes)
{
    auto* self = reinterpret_cast<PacketCapture*>(user);
    if (!self->running_.load(std::memory_order_relaxed)) {
        pcap_breakloop(self->handle_);
        return;
    }
    self->Deliver(bytes, header->caplen);
}

void PacketCapture::Run()
{
    const std::string error = helper_ ? ReadHelper() : ReadSavefile();
    // A receive failure ends the capture too: a flag left set would show a
    // capture that no longer runs.
    running_.store(false, std::memory_order_release);
    {
        std::lock_guard lock(handleMutex_);
        if (handle_)
            pcap_close(handle_);
        handle_ = nullptr;
    }
    if (helper_)
        helper_->Stop();
    if (endHandler_)
        endHandler_(error);
}

std::string PacketCapture::ReadHelper()
{
    using capturehelper::RecordReader;
    using capturehelper::RecordType;
    for (;;) {
        RecordType type;
        std::string_view payload;
        RecordReader::Status status = RecordReader::Status::kNeedMore;
        while (running_.load(std::memory_order_acquire) &&
               (status = helper_->Next(&type, &payload)) == RecordReader::Status::kRecord) {
            if (type == RecordType::kFrame) {
                Deliver(reinterpret_cast<const unsigned char*>(payload.data()), payload.size());
            } else if (type == RecordType::kError && !payload.empty()) {
                return capturehelper::ShownText(payload.substr(1), capturehelper::kMaxErrorBytes);
            } else {
                return Printf("The capture helper sent a record of type %u in the middle of a capture; "
                              "the capture ended.",
                              static_cast<unsigned>(type));
            }
        }
        if (!running_.load(std::memory_order_acquire))
            return {};
        if (status == RecordReader::Status::kMalformed)
            return Printf("The capture helper sent malformed output (%s); the capture ended.",
                          helper_->problem().c_str());
        switch (helper_->Read(kReadTickMs)) {
        case CaptureHelperProcess::ReadStatus::kData:
        case CaptureHelperProcess::ReadStatus::kIdle:
            break;
        case CaptureHelperProcess::ReadStatus::kEnd: {
            const std::string how = helper_->Finish();
            return how.empty() ? std::string()
                               : Printf("The capture on the %s ended: the capture helper %s.",
                                        source_.c_str(), how.c_str());
        }
        case CaptureHelperProcess::ReadStatus::kFailed:
            return Printf("Error: receiving frames failed: %s", std::strerror(errno));
        }
    }
}

std::string PacketCapture::ReadSavefile()
{
    std::string error;
    if (!handle_ && pendingStream_) {
        FILE* stream = pendingStream_;
        pendingStream_ = nullptr;
        CaptureStartError openError;
        pcap_t* handle = OpenSavefile(stream, source_, &openError);
        if (handle && !SupportedLink(handle, source_, &openError)) {
            pcap_close(handle);
            handle = nullptr;
        }
        std::lock_guard lock(handleMutex_);
        handle_ = handle;
        if (handle)
            linkType_ = pcap_datalink(handle);
        else if (running_.load(std::memory_order_acquire))
            error = openError.message;  // after a stop the head was never going to come
    }
    while (handle_ && running_.load(std::memory_order_acquire)) {
        const int n = pcap_dispatch(handle_, -1, &PacketCapture::OnFrame,
                                    reinterpret_cast<unsigned char*>(this));
        if (n == PCAP_ERROR) {
            // A stop cuts a savefile short; that is no failure.
            if (running_.load(std::memory_order_acquire))
                error = Printf("Error: receiving frames failed: %s", pcap_geterr(handle_));
            break;
        }
        if (offline_ && n == 0)
            break;  // end of the savefile
    }
    return error;
}
