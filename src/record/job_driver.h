#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "protocols/protocol_client.h"
#include "record/resume_check.h"

class CmmsThread;
class FileSink;
class OutputClaim;

// The body of a recording: classifies the address, expands playlists,
// settles the output file and runs the clients in fallback order. Runs on
// the job's worker; leaves its outcome in the job record.
//
// Its parts: the fallback table (record/fallback_table.h), the output names
// (record/output_names.h), the existing-file decision
// (record/existing_file.h) and the playlist branch (job_playlist.cpp).
class JobDriver {
public:
    // A recording of media type below this many bytes counts as failed,
    // unless it holds a stream (Judge).
    static constexpr uint64_t kTooSmallBytes = 256 * 1024;
    // The error of a stream cut short before its first data packet.
    static constexpr const char* kEndedEarlyText = "The server ended the stream before its end";
    // The error of an address whose server sent a stream's header and no
    // data packet (the file made for it is removed).
    static constexpr const char* kHeaderOnlyText = "The server sent a header and no data";
    // The error of a recording of a media type that is too small to be one.
    static constexpr const char* kTooSmallText = "The recording is too small to be a stream";
    // An outage ends the job after this many reconnects in a row that reach
    // the stream but bring no new data packet.
    static constexpr int kMaxFruitlessAttempts = 3;
    // One job reads at most this many playlists.
    static constexpr size_t kMaxPlaylistsPerJob = 64;

    explicit JobDriver(CmmsThread& thread) : thread_(thread) {}

    void Drive(const std::string& address, const std::string& title, int depth = 0);

private:
    // Records one address that is no playlist into its own file (a playlist
    // it turns out to serve is followed at depth).
    void RecordOne(const std::string& recorded, const std::string& address, const std::string& title, int depth);
    // The playlist branch.
    void DrivePlaylist(const std::string& address, const std::string& title, int depth);
    // The text of a playlist from the network, or from the file at path
    // (shown: how errors name it); false, with the error reported, when
    // there is none.
    bool DownloadPlaylist(const std::string& address, std::string* text);
    bool LoadPlaylist(const std::string& path, const std::string& shown, std::string* text);
    void DriveEntries(const std::vector<std::string>& entries, const std::string& title,
                      int depth);

    // Asks for a path and creates that file; null when the user cancelled or
    // the file cannot be made. The path is claimed with `claim` (another
    // recording's path becomes a numbered name).
    std::unique_ptr<FileSink> OpenWithSaveAs(const std::string& name, OutputClaim& claim);
    // Creates the file at the job's output path (see Drive), held by
    // `claim`; null, with the error reported, when no file could be made.
    std::unique_ptr<FileSink> OpenOutput(OutputClaim& claim);
    // Claims path for this job, or, when another recording holds it, the
    // first free numbered name, which becomes the output path. False, with
    // the error reported, when there is none.
    bool Claim(OutputClaim& claim, const std::string& path);
    // An address of the ASF family must bring an ASF stream. What the HTTP
    // download (the last attempt's client) kept of anything else (a
    // playlist, saved for this) is no recording: a file the job made goes,
    // and a playlist is followed.
    enum class BodyCheck { Asf, Playlist, NotAsf };
    BodyCheck CheckAsfBody(const std::string& address, bool created, uint64_t resumeOffset);
    // Decides what the finished attempts of one address come to: failed for
    // its size or for a file that held a header alone, incomplete, or (by
    // leaving the job as it is) completed. recorded: the last attempt
    // brought something; headerOnly: the file made for it held a header and
    // no data packet.
    void Judge(const std::string& address, uint64_t resumeOffset, bool recorded, bool headerOnly);
    // Runs the fallback attempts on an open file; returns the last result.
    // A dropped broadcast whose header changes goes on in a new file, which
    // then replaces *file.
    uint64_t RunAttempts(std::unique_ptr<FileSink>* file, const std::string& address,
                         const std::string& originalAddress, const ResumePoint& resume);
    // Runs one client and, while its stream's connection drops (see
    // Reconnect), reconnects it; returns what its attempts wrote
    // (job_reconnect.cpp).
    uint64_t RunWithReconnect(std::unique_ptr<FileSink>* file, ClientKind kind,
                              const RecordRequest& request, uint64_t resumeOffset);
    // One outage: waits and reconnects until an attempt heals it (Over: it
    // brought a few seconds of new media, see CmmsThread::ArmReconnected,
    // or the stream reached its end), the outage would last longer than the
    // setting, kMaxFruitlessAttempts attempts in a row brought nothing new,
    // the server sends another stream (GaveUp), the job is stopped, or the
    // file fails (reported). The attempts' results are added to *written,
    // their new data packets to *packets.
    enum class Outage { Over, GaveUp, Stopped, Failed };
    Outage Reconnect(std::unique_ptr<FileSink>* file, ClientKind kind, const RecordRequest& request,
                     uint64_t resumeOffset, uint64_t* written, uint64_t* packets);
    // A broadcast whose streams changed: records the client's next session
    // into the next numbered file beside the job's first output path, which
    // replaces *file once it holds a data packet; a file that gets none is
    // removed. False when a file fails (reported).
    bool GoOnInNextFile(std::unique_ptr<FileSink>* file, ClientKind kind, const RecordRequest& first,
                        uint32_t attempt, int64_t lostAtMs, std::chrono::steady_clock::time_point lostAt,
                        uint64_t* written);

    CmmsThread& thread_;
    // The playlists this job has read (addresses, or paths of local ones).
    std::set<std::string> visitedPlaylists_;
    bool playlistLimitReached_ = false;
    // Inside a playlist of several entries: each entry's end is posted on
    // its own (EntryFinished) before it counts towards the job's.
    bool reportEntries_ = false;
    // The first output path of the address, whose numbered names the files
    // of a changed broadcast take.
    std::string firstPath_;
    // The client of the last attempt RunAttempts made, and its address.
    ClientKind lastClient_ = ClientKind::MmsTcp;
    std::string lastUrl_;
};
