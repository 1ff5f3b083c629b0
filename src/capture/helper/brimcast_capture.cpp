// brimcast-capture: the capture helper. The only file of Brimcast that may
// carry the capture capability (cap_net_raw); the desktop program and the
// CLI run it as a child and read its standard output.
//
// It opens one adapter with libpcap, lets through only the TCP traffic of
// the ports it is asked for (a fixed set), gives up every privilege, and
// then copies frames to standard output as records (helper_protocol.h),
// nothing else. It writes no file, reads no file of the caller's choosing,
// and takes no option beyond those below.
#include <grp.h>
#include <linux/capability.h>
#include <pcap/pcap.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <unistd.h>

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "capture/helper_protocol.h"

namespace {

using capturehelper::ErrorKind;
using capturehelper::RecordType;

constexpr char kUsage[] =
    "Usage: brimcast-capture --list\n"
    "       brimcast-capture --interface NAME [--ports PORT[,PORT...]]\n"
    "\n"
    "The capture helper of Brimcast; the desktop program and brimcast-cli run it.\n"
    "  --list            the adapters, as records on standard output\n"
    "  --interface NAME  capture on this adapter (promiscuous) and write its frames\n"
    "                    to standard output as records, until ended\n"
    "  --ports LIST      the TCP ports to let through, out of 80, 554, 1755 and\n"
    "                    8080 (all four when not given)\n"
    "Standard output must be a pipe or a file opened by the caller.\n";

constexpr int kReadTimeoutMs = 1000;
constexpr int kDriverBufferBytes = 512000;
constexpr uid_t kNobody = 65534;
constexpr int kCapNetRaw = 13;

// Writes all of it to standard output; a reader that went away ends us.
void WriteAll(const struct iovec* parts, int count)
{
    std::vector<struct iovec> rest(parts, parts + count);
    size_t first = 0;
    while (first < rest.size()) {
        const ssize_t n = ::writev(STDOUT_FILENO, rest.data() + first, static_cast<int>(rest.size() - first));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::_Exit(0);  // EPIPE and the like: nobody reads any more
        }
        size_t done = static_cast<size_t>(n);
        while (first < rest.size() && done >= rest[first].iov_len)
            done -= rest[first++].iov_len;
        if (first < rest.size()) {
            rest[first].iov_base = static_cast<char*>(rest[first].iov_base) + done;
            rest[first].iov_len -= done;
        }
    }
}

void WriteRecord(RecordType type, const void* payload, size_t size)
{
    unsigned char head[capturehelper::kRecordHeaderBytes] = {
        static_cast<unsigned char>(type), static_cast<unsigned char>(size),
        static_cast<unsigned char>(size >> 8), static_cast<unsigned char>(size >> 16),
        static_cast<unsigned char>(size >> 24)};
    const struct iovec parts[2] = {{head, sizeof head}, {const_cast<void*>(payload), size}};
    WriteAll(parts, 2);
}

void WriteRecord(RecordType type, const std::string& payload)
{
    WriteRecord(type, payload.data(), payload.size());
}

[[noreturn]] void Fail(ErrorKind kind, const std::string& text)
{
    std::string payload(1, static_cast<char>(kind));
    payload += text.substr(0, capturehelper::kMaxErrorBytes - 1);
    WriteRecord(RecordType::kError, payload);
    std::exit(1);
}

bool HoldsCaptureRight()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return false;
    return (data[0].effective & (1u << kCapNetRaw)) != 0;
}

pid_t g_parent = 0;

// Ends us with the program that started us, even when that one is killed.
// A change of user ids clears this, so it is set again after one.
void EndWithParent()
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL, 0, 0, 0);
    if (::getppid() != g_parent)
        std::_Exit(0);  // it is gone already
}

// Gives up everything: root becomes nobody, every capability goes, and no
// later exec could bring any back. The open capture keeps working.
bool DropEverything()
{
    if (::getuid() == 0 || ::geteuid() == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
            ::setresuid(kNobody, kNobody, kNobody) != 0)
            return false;
    }
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct none[2] = {};
    if (::syscall(SYS_capset, &header, none) != 0)
        return false;
    ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0);
    EndWithParent();
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && !HoldsCaptureRight();
}

std::string AddressText(const struct sockaddr* address)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address && address->sa_family == AF_INET) {
        const auto* in = reinterpret_cast<const struct sockaddr_in*>(address);
        return ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) ? text : "";
    }
    if (address && address->sa_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const struct sockaddr_in6*>(address);
        return ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text) ? text : "";
    }
    return {};
}

int List()
{
    const char rights = HoldsCaptureRight() ? 1 : 0;
    if (!DropEverything())
        Fail(ErrorKind::kOther, "The capture helper could not give up its privileges.");
    WriteRecord(RecordType::kRights, &rights, 1);
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* list = nullptr;
    if (::pcap_findalldevs(&list, errbuf) != 0)
        Fail(ErrorKind::kOther, std::string("Cannot list the network adapters: ") + errbuf);
    size_t count = 0;
    for (pcap_if_t* d = list; d && count < capturehelper::kMaxAdapters; d = d->next) {
        if (!d->name || !capturehelper::ValidInterfaceName(d->name))
            continue;
        capturehelper::AdapterRecord adapter{d->name, d->description ? d->description : "", {}};
        for (pcap_addr_t* a = d->addresses; a; a = a->next) {
            std::string text = AddressText(a->addr);
            if (!text.empty())
                adapter.addresses.push_back(std::move(text));
        }
        WriteRecord(RecordType::kAdapter, capturehelper::EncodeAdapter(adapter));
        ++count;
    }
    ::pcap_freealldevs(list);
    return 0;
}

void OnFrame(unsigned char*, const struct pcap_pkthdr* header, const unsigned char* bytes)
{
    const size_t size = header->caplen < capturehelper::kMaxFrameBytes ? header->caplen
                                                                       : capturehelper::kMaxFrameBytes;
    WriteRecord(RecordType::kFrame, bytes, size);
}

int Capture(const std::string& adapter, const std::vector<uint16_t>& ports)
{
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = ::pcap_create(adapter.c_str(), errbuf);
    if (!handle)
        Fail(ErrorKind::kOther, "Unable to open the driver for \"" + adapter + "\": " + errbuf);
    ::pcap_set_promisc(handle, 1);
    ::pcap_set_timeout(handle, kReadTimeoutMs);
    ::pcap_set_buffer_size(handle, kDriverBufferBytes);
    const int status = ::pcap_activate(handle);
    if (status < 0) {
        std::string detail = ::pcap_geterr(handle);
        if (detail.empty())
            detail = ::pcap_statustostr(status);
        switch (status) {
        case PCAP_ERROR_PERM_DENIED:
        case PCAP_ERROR_PROMISC_PERM_DENIED:
            Fail(ErrorKind::kNotPermitted,
                 "Capturing on \"" + adapter + "\" is not permitted (" + detail + ")");
        case PCAP_ERROR_NO_SUCH_DEVICE:
            Fail(ErrorKind::kNoSuchAdapter,
                 "There is no network adapter named \"" + adapter + "\" (" + detail + ").");
        default:
            Fail(ErrorKind::kOther, "Unable to open the driver for \"" + adapter + "\": " + detail);
        }
    }
    struct bpf_program program {};
    if (::pcap_compile(handle, &program, capturehelper::FilterFor(ports).c_str(), 1,
                       PCAP_NETMASK_UNKNOWN) != 0 ||
        ::pcap_setfilter(handle, &program) != 0)
        Fail(ErrorKind::kOther, std::string("Cannot filter the capture: ") + ::pcap_geterr(handle));
    ::pcap_freecode(&program);
    if (!DropEverything())
        Fail(ErrorKind::kOther, "The capture helper could not give up its privileges.");

    std::string head;
    for (uint32_t v : {capturehelper::kProtocolVersion, static_cast<uint32_t>(::pcap_datalink(handle))})
        for (int shift = 0; shift < 32; shift += 8)
            head += static_cast<char>(v >> shift);
    WriteRecord(RecordType::kHead, head);
    for (;;) {
        if (::pcap_dispatch(handle, -1, &OnFrame, nullptr) == PCAP_ERROR)
            Fail(ErrorKind::kOther, std::string("Error: receiving frames failed: ") + ::pcap_geterr(handle));
        // Between reads (at least once a second): a reader that closed its
        // end ends the capture even while no frame comes.
        pollfd out{STDOUT_FILENO, 0, 0};
        if (::poll(&out, 1, 0) > 0 && (out.revents & (POLLERR | POLLHUP | POLLNVAL)))
            return 0;
    }
}

[[noreturn]] void Usage(const char* problem)
{
    std::fprintf(stderr, "brimcast-capture: %s\n%s", problem, kUsage);
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv)
{
    g_parent = ::getppid();
    EndWithParent();
    std::signal(SIGPIPE, SIG_IGN);  // a write to a closed pipe fails instead

    std::string adapter, ports;
    bool list = false, haveAdapter = false, havePorts = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::puts("brimcast-capture 0.1.0");
            return 0;
        }
        if (a == "--list" && !list) {
            list = true;
        } else if (a == "--interface" && !haveAdapter && i + 1 < argc) {
            adapter = argv[++i];
            haveAdapter = true;
        } else if (a == "--ports" && !havePorts && i + 1 < argc) {
            ports = argv[++i];
            havePorts = true;
        } else {
            Usage(("unknown or repeated argument '" + capturehelper::ShownText(a, 64) + "'").c_str());
        }
    }
    if (list)
        return haveAdapter || havePorts ? (Usage("--list takes no other option"), 2) : List();
    if (!haveAdapter)
        Usage("give --list or --interface NAME");
    if (!capturehelper::ValidInterfaceName(adapter))
        Usage("not an adapter name");
    std::vector<uint16_t> watched(std::begin(capturehelper::kWatchablePorts),
                                  std::end(capturehelper::kWatchablePorts));
    if (havePorts && !capturehelper::ParsePorts(ports, &watched))
        Usage("--ports takes 80, 554, 1755 and 8080, each at most once, separated by commas");
    return Capture(adapter, watched);
}
