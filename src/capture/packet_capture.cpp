#include "capture/packet_capture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "capture/frame_parser.h"
#include "formats/printf.h"

namespace {

constexpr const char* kPermissionHint =
    "capturing needs root or the CAP_NET_RAW and CAP_NET_ADMIN capabilities";

std::string LinkTypeText(int linkType)
{
    const char* name = pcap_datalink_val_to_name(linkType);
    const char* description = pcap_datalink_val_to_description(linkType);
    if (name && description)
        return Printf("%s (%s, link type %d)", name, description, linkType);
    return Printf("link type %d", linkType);
}

bool AdapterExists(const std::string& name)
{
    std::vector<CaptureAdapter> adapters;
    std::string ignored;
    if (!ListCaptureAdapters(&adapters, &ignored))
        return true;  // cannot tell: let the open report what is wrong
    for (const CaptureAdapter& a : adapters) {
        if (a.name == name)
            return true;
    }
    return false;
}

// An IPv4 or IPv6 address as text; "" for other families.
std::string AddressText(const struct sockaddr* address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (!address)
        return {};
    if (address->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const struct sockaddr_in*>(address);
        return inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) ? text : "";
    }
    if (address->sa_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const struct sockaddr_in6*>(address);
        return inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text) ? text : "";
    }
    return {};
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

bool ListCaptureAdapters(std::vector<CaptureAdapter>* adapters, std::string* error)
{
    adapters->clear();
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* list = nullptr;
    if (pcap_findalldevs(&list, errbuf) != 0) {
        if (error)
            *error = Printf("Cannot list the network adapters: %s", errbuf);
        return false;
    }
    for (pcap_if_t* d = list; d; d = d->next) {
        CaptureAdapter adapter{d->name ? d->name : "", d->description ? d->description : "", {}};
        for (pcap_addr_t* a = d->addresses; a; a = a->next) {
            const std::string text = AddressText(a->addr);
            if (!text.empty())
                adapter.addresses.push_back(text);
        }
        adapters->push_back(std::move(adapter));
    }
    pcap_freealldevs(list);
    return true;
}

PacketCapture::PacketCapture(FrameParser& parser) : parser_(parser) {}

PacketCapture::~PacketCapture()
{
    Stop();
    Wait();
}

void PacketCapture::SetEndHandler(EndHandler handler) { endHandler_ = std::move(handler); }

bool PacketCapture::StartLive(const std::string& adapter, CaptureStartError* error)
{
    if (IsRunning()) {
        Fail(error, CaptureStartError::kBusy, "A capture is already running.");
        return false;
    }
    if (!AdapterExists(adapter)) {
        Fail(error, CaptureStartError::kNoSuchAdapter,
             Printf("There is no network adapter named \"%s\".", adapter.c_str()));
        return false;
    }
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(adapter.c_str(), errbuf);
    if (!handle) {
        Fail(error, CaptureStartError::kOther,
             Printf("Unable to open the driver for \"%s\": %s", adapter.c_str(), errbuf));
        return false;
    }
    pcap_set_promisc(handle, 1);
    pcap_set_timeout(handle, kReadTimeoutMs);
    pcap_set_buffer_size(handle, kDriverBufferBytes);
    const int status = pcap_activate(handle);
    if (status < 0) {
        // pcap_geterr holds the detail for the generic codes; the named
        // codes may leave it empty.
        std::string detail = pcap_geterr(handle);
        if (detail.empty())
            detail = pcap_statustostr(status);
        pcap_close(handle);
        switch (status) {
        case PCAP_ERROR_PERM_DENIED:
        case PCAP_ERROR_PROMISC_PERM_DENIED:
            Fail(error, CaptureStartError::kNotPermitted,
                 Printf("Capturing on \"%s\" is not permitted (%s): %s.", adapter.c_str(),
                        detail.c_str(), kPermissionHint));
            break;
        case PCAP_ERROR_NO_SUCH_DEVICE:
            Fail(error, CaptureStartError::kNoSuchAdapter,
                 Printf("There is no network adapter named \"%s\" (%s).", adapter.c_str(),
                        detail.c_str()));
            break;
        default:
            Fail(error, CaptureStartError::kOther,
                 Printf("Unable to open the driver for \"%s\": %s", adapter.c_str(),
                        detail.c_str()));
            break;
        }
        return false;
    }
    return Begin(handle, false, Printf("adapter \"%s\"", adapter.c_str()), error);
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
                          CaptureStartError* error)
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
    linkType_ = handle ? pcap_datalink(handle) : -1;
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

void PacketCapture::OnFrame(unsigned char* user, const struct pcap_pkthdr* header,
                            const unsigned char* bytes)
{
    auto* self = reinterpret_cast<PacketCapture*>(user);
    if (!self->running_.load(std::memory_order_relaxed)) {
        pcap_breakloop(self->handle_);
        return;
    }
    // Only this thread writes the counter: a plain store, no locked add.
    self->framesSeen_.store(self->framesSeen_.load(std::memory_order_relaxed) + 1,
                            std::memory_order_relaxed);
    if (header->caplen > kSkippedFrameSize)
        self->parser_.ParseLinkFrame(self->linkType_, bytes, header->caplen);
}

void PacketCapture::Run()
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
    // A receive failure ends the capture too: a flag left set would show a
    // capture that no longer runs.
    running_.store(false, std::memory_order_release);
    {
        std::lock_guard lock(handleMutex_);
        if (handle_)
            pcap_close(handle_);
        handle_ = nullptr;
    }
    if (endHandler_)
        endHandler_(error);
}
