#include "capture/packet_capture.h"

#include <pcap/pcap.h>

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

void Fail(CaptureStartError* error, CaptureStartError::Kind kind, std::string message)
{
    if (error) {
        error->kind = kind;
        error->message = std::move(message);
    }
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
    for (pcap_if_t* d = list; d; d = d->next)
        adapters->push_back({d->name ? d->name : "", d->description ? d->description : ""});
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
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_open_offline(path.c_str(), errbuf);
    if (!handle) {
        Fail(error, CaptureStartError::kOther,
             Printf("Cannot read the capture file \"%s\": %s", path.c_str(), errbuf));
        return false;
    }
    return Begin(handle, true, Printf("capture file \"%s\"", path.c_str()), error);
}

bool PacketCapture::Begin(pcap* handle, bool offline, const std::string& source,
                          CaptureStartError* error)
{
    const int linkType = pcap_datalink(handle);
    if (!FrameParser::SupportsLinkType(linkType)) {
        pcap_close(handle);
        Fail(error, CaptureStartError::kUnsupportedLink,
             Printf("The %s delivers %s frames, which cannot be read; Ethernet, Linux cooked "
                    "and raw IP frames can.",
                    source.c_str(), LinkTypeText(linkType).c_str()));
        return false;
    }
    if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
        pcap_close(handle);
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
    linkType_ = linkType;
    framesSeen_.store(0, std::memory_order_relaxed);
    framesParsed_.store(0, std::memory_order_relaxed);
    running_.store(true, std::memory_order_release);
    thread_ = std::thread(&PacketCapture::Run, this);
    return true;
}

void PacketCapture::Stop()
{
    running_.store(false, std::memory_order_release);
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
    // Only this thread writes the counters: a plain store, no locked add.
    self->framesSeen_.store(self->framesSeen_.load(std::memory_order_relaxed) + 1,
                            std::memory_order_relaxed);
    if (header->caplen > kSkippedFrameSize) {
        self->framesParsed_.store(self->framesParsed_.load(std::memory_order_relaxed) + 1,
                                  std::memory_order_relaxed);
        self->parser_.ParseLinkFrame(self->linkType_, bytes, header->caplen);
    }
}

void PacketCapture::Run()
{
    std::string error;
    while (running_.load(std::memory_order_acquire)) {
        const int n = pcap_dispatch(handle_, -1, &PacketCapture::OnFrame,
                                    reinterpret_cast<unsigned char*>(this));
        if (n == PCAP_ERROR) {
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
        pcap_close(handle_);
        handle_ = nullptr;
    }
    if (endHandler_)
        endHandler_(error);
}
