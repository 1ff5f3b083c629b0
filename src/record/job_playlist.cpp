// The playlist branch of the job driver: a playlist address is fetched into
// a private temporary file (or read from disk) and each of its entries is
// driven in turn.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include "formats/asx_reader.h"
#include "formats/file_sink.h"
#include "formats/list_file_io.h"
#include "formats/printf.h"
#include "medialist/media_list.h"
#include "record/cmms_thread.h"
#include "record/job_driver.h"
#include "record/output_names.h"

namespace {

bool Contains(const std::string& text, std::string_view what)
{
    return text.find(what) != std::string::npos;
}

}  // namespace

void JobDriver::DrivePlaylist(const std::string& address, const std::string& title, int depth)
{
    if (depth >= kMaxPlaylistDepth) {
        thread_.ReportError(Printf("Playlists nested more than %d deep: %s", kMaxPlaylistDepth,
                                   address.c_str()));
        return;
    }
    const bool network = (Contains(address, "mms") || Contains(address, "rtsp") ||
                          Contains(address, "http")) &&
                         !IsLocalPath(address);
    std::string path = address;
    if (!network && path.rfind("file://", 0) == 0)
        path = path.substr(7);

    // Playlists that name each other (or themselves) are read once each,
    // and one job reads only so many.
    if (!visitedPlaylists_.insert(network ? address : path).second) {
        thread_.ReportError(Printf("The playlist %s was read before in this job", address.c_str()));
        return;
    }
    if (visitedPlaylists_.size() > kMaxPlaylistsPerJob) {
        thread_.ReportError(Printf("More than %zu playlists in one job: %s", kMaxPlaylistsPerJob,
                                   address.c_str()));
        playlistLimitReached_ = true;
        return;
    }

    std::string text;
    if (network ? !DownloadPlaylist(address, &text) : !LoadPlaylist(path, path, &text))
        return;
    AsxReader::Result result = AsxReader::Read(AsxReader::Mode::RecordingJob, text);
    for (const std::string& m : result.messages)
        thread_.Trace(m);
    DriveEntries(result.output, title, depth + 1);
}

bool JobDriver::DownloadPlaylist(const std::string& address, std::string* text)
{
    RecordJob& job = thread_.job();
    // A private file of our own, never a name the network chose: the
    // playlist is read from it and it is removed.
    std::error_code ec;
    std::string folder = std::filesystem::temp_directory_path(ec).string();
    if (ec || folder.empty())
        folder = "/tmp";
    std::string pattern = JoinBase(folder, "brimcast-playlist-XXXXXX");
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) {
        thread_.ReportError(Printf("Cannot make a temporary file for the playlist %s: %s", address.c_str(),
                                   std::strerror(errno)));
        return false;
    }
    const std::string temp = pattern;
    FileSink out(fd);
    RecordRequest request;
    request.out = &out;
    request.url = address;
    request.playerAgent = job.playerAgent;
    // Saved whatever its type: a playlist served as text must reach the
    // reader whole, not be searched for its first mms:// address.
    request.body = RecordRequest::Body::SaveWhatever;
    const uint64_t got = thread_.RunClient(ClientKind::HttpDownload, request);
    if (got == 0 && !job.stopRequested)
        thread_.NoteFailedAttempt(ClientKind::HttpDownload, address);
    const bool written = out.Close();
    bool ok = false;
    if (job.stopRequested) {
        // Nothing more to do.
    } else if (got == 0 || !written) {
        // The download's own error text says more than anything we could.
        if (!job.errorFlag)
            thread_.ReportError(Printf("Playlist download failed: %s", address.c_str()));
    } else {
        ok = LoadPlaylist(temp, address, text);
    }
    ::unlink(temp.c_str());
    return ok;
}

bool JobDriver::LoadPlaylist(const std::string& path, const std::string& shown, std::string* text)
{
    // Only a regular file is read (a FIFO would block the worker beyond any
    // stop), and only one under the playlist limit.
    std::string error;
    switch (LoadPlaylistFile(path, text, &error)) {
    case ReadStatus::Ok:
        return true;
    case ReadStatus::TooLarge:
        thread_.ReportError(Printf("The playlist %s is too large", shown.c_str()));
        return false;
    case ReadStatus::CannotOpen:
        thread_.ReportError(Printf("Cannot read the playlist %s", shown.c_str()));
        return false;
    }
    return false;
}

void JobDriver::DriveEntries(const std::vector<std::string>& entries, const std::string& title,
                             int depth)
{
    RecordJob& job = thread_.job();
    if (entries.empty()) {
        thread_.ReportError("The playlist holds no entries");
        return;
    }
    if (entries.size() == 1) {
        if (!job.stopRequested)
            Drive(entries[0], title, depth);
        return;
    }
    reportEntries_ = true;
    for (size_t i = 0; i < entries.size() && !job.stopRequested && !playlistLimitReached_; ++i) {
        // A password the user declined ends the attempts of its own entry
        // only; the job still ends with it, so nothing after the job starts
        // by itself.
        const bool declinedBefore = job.noNext;
        job.noNext = false;
        Drive(entries[i], title.empty() ? std::string() : Printf("%s%zu", title.c_str(), i), depth);
        job.noNext = job.noNext || declinedBefore;
    }
}
