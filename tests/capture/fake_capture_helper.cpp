// A stand-in for the capture helper, installed by tests beside a copy of a
// program. It answers like the helper, or breaks its rules, as the adapter
// name asks:
//   replay     the frames of replay.pcap beside this file, then exit 0
//   quiet      the head, then nothing, and it ignores SIGTERM
//   huge       the head, then a frame record of 4 GiB - 1 bytes
//   fails      the head, one frame of replay.pcap, then an error record
//   killed     the head, then it dies of SIGKILL
//   denied     an error record: capturing is not permitted
// --list lists "replay" and "denied". Each run writes its pid to pid beside
// this file.
#include <pcap/pcap.h>
#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "capture/helper_protocol.h"

namespace {

using capturehelper::RecordType;

std::string g_folder;

void Write(const std::string& bytes)
{
    if (::write(STDOUT_FILENO, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        std::exit(0);
}

std::string Le32(uint32_t v)
{
    return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
            static_cast<char>(v >> 24)};
}

void Head(uint32_t version, uint32_t linkType)
{
    Write(capturehelper::EncodeRecord(RecordType::kHead, Le32(version) + Le32(linkType)));
}

// The frames of replay.pcap, at most limit of them.
void Replay(int limit)
{
    char errbuf[PCAP_ERRBUF_SIZE];
    pcap_t* savefile = pcap_open_offline((g_folder + "/replay.pcap").c_str(), errbuf);
    if (!savefile)
        std::exit(3);
    pcap_pkthdr* header;
    const u_char* bytes;
    for (int n = 0; n < limit && pcap_next_ex(savefile, &header, &bytes) == 1; ++n)
        Write(capturehelper::EncodeRecord(
            RecordType::kFrame, std::string(reinterpret_cast<const char*>(bytes), header->caplen)));
    pcap_close(savefile);
}

[[noreturn]] void Wait()
{
    for (;;)
        ::pause();
}

}  // namespace

int main(int argc, char** argv)
{
    char self[PATH_MAX] = {};
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    g_folder = std::string(self, n > 0 ? static_cast<size_t>(n) : 0);
    g_folder.erase(g_folder.find_last_of('/'));
    if (FILE* f = std::fopen((g_folder + "/pid").c_str(), "w")) {
        std::fprintf(f, "%d\n", static_cast<int>(::getpid()));
        std::fclose(f);
    }
    const std::string mode = argc >= 2 ? argv[1] : "";
    if (mode == "--list") {
        Write(capturehelper::EncodeRecord(RecordType::kRights, std::string(1, '\1')));
        for (const char* name : {"replay", "denied"})
            Write(capturehelper::EncodeRecord(RecordType::kAdapter,
                                              capturehelper::EncodeAdapter({name, "Fake adapter", {"192.0.2.9"}})));
        return 0;
    }
    const std::string adapter = argc >= 3 ? argv[2] : "";
    if (adapter == "denied") {
        Write(capturehelper::EncodeRecord(RecordType::kError,
                                          "\1Capturing on \"denied\" is not permitted (socket: Operation not permitted)"));
        return 1;
    }
    Head(capturehelper::kProtocolVersion, 1 /* Ethernet */);
    if (adapter == "replay") {
        Replay(INT_MAX);
        return 0;
    }
    if (adapter == "quiet") {
        std::signal(SIGTERM, SIG_IGN);
        Wait();
    }
    if (adapter == "huge")
        Write("F" + Le32(0xFFFFFFFFu) + std::string(4096, 'x'));
    if (adapter == "fails") {
        Replay(1);
        Write(capturehelper::EncodeRecord(RecordType::kError, "\3Error: receiving frames failed: gone"));
        return 1;
    }
    if (adapter == "killed")
        std::raise(SIGKILL);
    Wait();
}
