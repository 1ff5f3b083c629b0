#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/app_settings.h"
#include "base/cancel_signal.h"
#include "formats/asf_file_writer.h"

class ByteSink;
class ClientHooks;
class Profile;
class UserPrompts;

// What every protocol client is given when it is made: the job's copy of the
// settings, where to report, and the shared profile and prompts for the
// credential store and dialog (either may be null: then no credentials are
// looked up or asked for).
struct ClientEnvironment {
    AppSettings settings;
    ClientHooks* hooks = nullptr;
    Profile* profile = nullptr;
    UserPrompts* prompts = nullptr;
    // A connection attempt without an answer fails after this long.
    int connectTimeoutMs = 20000;
    // A connection on which nothing arrives for this long is treated as
    // broken (0: wait until stopped).
    int idleTimeoutMs = 60000;
    // Ends the questions the client asks (the job's stop); null: never.
    const CancelSignal* cancel = nullptr;

    const CancelSignal& Cancel() const { return cancel ? *cancel : CancelSignal::Never(); }
};

// Where a resumed recording starts in the file it goes on with, in the unit
// of the client it is given to:
//   Packet  the number of whole packets the file holds (MMS over TCP, RTSP);
//   Byte    a file position, which may lie past 4 GiB (MMS over HTTP; the HTTP
//           download takes it too, but only at 0: it cannot resume);
//   None    from the beginning (every client takes it).
// A position of another unit is the caller's error: the client fails the
// attempt with RefusalFor's reason before it connects, and never reads the
// number as one of its own unit.
class ResumeAt {
public:
    enum class Unit { None, Packet, Byte };

    ResumeAt() = default;
    static ResumeAt Packet(uint64_t count) { return ResumeAt(Unit::Packet, count); }
    static ResumeAt Byte(uint64_t offset) { return ResumeAt(Unit::Byte, offset); }

    Unit unit() const { return unit_; }
    // The packet count or byte offset; 0 for None.
    uint64_t value() const { return value_; }
    // Why a client that resumes in `taken` cannot start here; "" when it can.
    std::string RefusalFor(Unit taken) const
    {
        if (unit_ == Unit::None || unit_ == taken)
            return {};
        return std::string("a resume position given as a ") + UnitName(unit_) +
               " to a client that resumes by " + UnitName(taken);
    }

    bool operator==(const ResumeAt&) const = default;

private:
    ResumeAt(Unit unit, uint64_t value) : unit_(unit), value_(value) {}
    static const char* UnitName(Unit unit)
    {
        return unit == Unit::Packet ? "packet count" : unit == Unit::Byte ? "byte offset" : "nothing";
    }

    Unit unit_ = Unit::None;
    uint64_t value_ = 0;
};

// The arguments of one recording attempt. `resume` is where it starts (see
// ResumeAt for the unit each client takes). A null `out` runs a probe: the
// client goes through its exchange, reports, and ends where it would write
// data.
struct RecordRequest {
    // What the HTTP download does with the body it fetches (the other
    // clients ignore it).
    enum class Body {
        ScanPages,     // a text page is searched for a stream address, not saved;
                       // anything else is saved
        SaveWhatever,  // saved whatever its type (a playlist served as text)
        AsfOnly,       // an address that names an ASF file: kept only when it
                       // begins with an ASF header or is a playlist
    };

    // Where the recording goes; its cursor stands where the attempt starts
    // (where the file is resumed, else 0). The clients that record ASF place
    // the header and packets themselves.
    ByteSink* out = nullptr;
    std::string url;
    std::string playerAgent;
    ResumeAt resume;
    Body body = Body::ScanPages;
    std::string user;
    std::string password;
    // On a resume: the header of the file handed over, as a stream sends it.
    // A client that records ASF goes on only when the server's header
    // describes the same stream (AsfFileWriter::Options::keptHeader), and
    // otherwise writes nothing and reports OnResumeRefused. Empty: nothing
    // is compared.
    std::vector<uint8_t> keptHeader;
    // On a resume: the file's copy of the packet the attempt starts with
    // (the packet numbered `resume`, or the one at its offset), the last one
    // the file holds. The server must send it again, with the same payloads,
    // before anything is written; a stream that does not is another one,
    // reported as OnResumeRefused. Empty: not required.
    std::vector<uint8_t> repeatedPacket;
    // A broadcast that goes on in the file after a reconnect (the stream
    // clients only; `resume` is None then): see AsfFileWriter::Continuation.
    std::shared_ptr<const AsfFileWriter::Continuation> continuation;
};

// One protocol client as the job driver and the URL check see it.
class ProtocolClient {
public:
    virtual ~ProtocolClient() = default;
    // Records one address; returns the bytes written (or counted, for a
    // probe). 0 means failure and allows the next client to try.
    virtual uint64_t Record(const RecordRequest& request) = 0;
    // Asks a running Record to return; callable from any thread, returns at
    // once. The request stays in force until the next Record starts, which
    // clears it: one address's stop must not end the next one's attempt.
    // Nothing else of one Record reaches the next: each call starts from a
    // fresh attempt state.
    virtual void Stop() = 0;
};

enum class ClientKind { MmsTcp, Rtsp, Mmsh, HttpDownload };
