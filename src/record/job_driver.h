#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "protocols/protocol_client.h"

class CmmsThread;

// Address type bits: one of the scheme group, one of the extension group.
enum AddressType : uint32_t {
    kTypeHttpOrLocal = 0x1,  // http:, mmsu: and everything else
    kTypeMms = 0x2,          // mms: or mmst:
    kTypeRtsp = 0x80,
    kTypeAsfFamily = 0x10,   // .asx .asf .wax .wma .wmv
    kTypeOtherMedia = 0x20,  // .mov .mpg .mpeg .rm .ram .rpm .mp3
    kTypeOther = 0x40,
};

// The type bits of an address (substring tests on the lower-cased text).
uint32_t AddressTypeBits(const std::string& address);

// One row of a fallback table: the clients tried, in order, for a scheme
// bit with or without the ASF family bit.
struct FallbackRow {
    uint32_t scheme;
    bool asfFamily;
    int count;
    ClientKind clients[4];
};

// The order of a recording and the order of the URL check's probe.
const std::vector<FallbackRow>& RecordFallbackTable();
const std::vector<FallbackRow>& ProbeFallbackTable();
// The row of a table for the given type bits (every combination has one).
const FallbackRow& FallbackRowFor(const std::vector<FallbackRow>& table, uint32_t typeBits);

// Every "rtsp://" becomes "mms://".
std::string RewriteRtspToMms(const std::string& address);

// The host part of an address ("" for a path without a scheme).
std::string HostOfAddress(const std::string& address);

// A file name safe to put in the base folder: "/" and NUL become "_", and
// an over-long name is cut (at a character boundary, keeping its
// extension). "." and ".." come back empty: the caller refuses them.
std::string SafeFileName(const std::string& name);

// The output path of a recording: base folder + title (with the address's
// extension) or the address's own file name. A name that comes out empty,
// "." or ".." is replaced by the host name + ".asf".
std::string MakeOutputPath(const std::string& baseDir, const std::string& address,
                           const std::string& title);
// The first of path(0).ext ... path(99).ext that does not exist; (99) when
// every one does.
std::string MakeUniqueName(const std::string& path);

// The process-wide "Pass" + "All" answer: once set, every later existing
// output file is kept without a question.
bool PassAll();
void SetPassAll(bool value);

// The body of a recording: classifies the address, expands playlists,
// settles the output file and runs the clients in fallback order. Runs on
// the job's worker; leaves its outcome in the job record.
class JobDriver {
public:
    // Playlists referring to playlists stop at this depth.
    static constexpr int kMaxPlaylistDepth = 8;
    // A recording of media type below this many bytes counts as failed.
    static constexpr uint32_t kTooSmallBytes = 256 * 1024;
    // RecordRequest::extra of the HTTP download: save the body even when it
    // is a text page (0 looks into text pages for a stream address).
    static constexpr int kSaveWhateverArrives = -1;

    explicit JobDriver(CmmsThread& thread) : thread_(thread) {}

    void Drive(const std::string& address, const std::string& title, int depth = 0);

private:
    void DrivePlaylist(const std::string& address, const std::string& title, int depth);
    void ReadLocalPlaylist(const std::string& path, const std::string& title, int depth);
    void DriveEntries(const std::vector<std::string>& entries, const std::string& title,
                      int depth);
    // Settles an existing output file. False when the job must end here.
    bool DecideExisting(FILE** file, uint32_t* resumePacket, uint32_t* resumeOffset);
    bool AskSaveAs(std::string& path);
    FILE* OpenWithSaveAs(const std::string& name);
    // Runs the fallback attempts on an open file; returns the last result.
    uint32_t RunAttempts(FILE* file, const std::string& address,
                         const std::string& originalAddress, uint32_t resumePacket,
                         uint32_t resumeOffset);

    CmmsThread& thread_;
};
