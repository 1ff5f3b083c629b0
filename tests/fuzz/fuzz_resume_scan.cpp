// libFuzzer target: a partly recorded file that a resume reads: the resume
// scan (which packet and file position a recording goes on from) and the
// file reader under it (the streamed header, the packets the file backs,
// the index object after them). The input is the file.
//
// Checked beyond memory safety: the reader's packets lie inside the file,
// and a resume is offered only for a packet that the file holds whole,
// with enough of the announced stream still missing.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "formats/asf_file_reader.h"
#include "formats/printf.h"

namespace {

void Require(bool condition, const char* what)
{
    if (condition)
        return;
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The file lives in memory, under a path like any other.
    static const int fd = memfd_create("resume", MFD_CLOEXEC);
    static const std::string path = Printf("/proc/self/fd/%d", fd);
    Require(fd >= 0, "memfd_create failed");
    Require(ftruncate(fd, 0) == 0 && pwrite(fd, data, size, 0) == static_cast<ssize_t>(size), "cannot write the file");

    AsfFileReader reader;
    if (reader.Open(path)) {
        const uint64_t count = reader.PacketCount();
        const uint64_t packetSize = reader.Header().packetSize;
        Require(packetSize > 0 && reader.DataStart() <= size, "the packets start inside the file");
        Require(count <= (size - reader.DataStart()) / packetSize, "every packet counted lies inside the file");
        std::vector<uint8_t> packet;
        for (uint64_t i : {uint64_t{0}, count / 2, count - 1, count}) {
            if (i > count || (i == count - 1 && count == 0))
                continue;
            Require(reader.ReadPacket(i, &packet) == (i < count), "a counted packet reads, one past them does not");
        }
        std::vector<uint8_t> index;
        if (reader.ReadIndexObject(&index))
            Require(index.size() >= 24 && index.size() <= size, "the index object lies inside the file");
    }

    ResumeScan scan;
    if (scan.Scan(path)) {
        Require(scan.packetSize > 0, "a resume has a packet size");
        Require(scan.resumeOffset + scan.packetSize <= size, "the resume packet is in the file");
        Require(scan.declaredPackets >= scan.resumePacket + 1 + ResumeScan::kMinMissingPackets,
                "a resume leaves enough of the stream missing");
    }
    return 0;
}
