// The playlist branch of the job driver: a playlist address is fetched (or
// read from disk) and each of its entries is driven in turn.

#include <string_view>

#include "formats/asx_reader.h"
#include "formats/file_sink.h"
#include "formats/printf.h"
#include "medialist/list_file_io.h"
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
    RecordJob& job = thread_.job();
    if (depth >= kMaxPlaylistDepth) {
        thread_.ReportError(Printf("Playlists nested more than %d deep: %s", kMaxPlaylistDepth,
                                   address.c_str()));
        return;
    }
    const bool network = (Contains(address, "mms") || Contains(address, "rtsp") ||
                          Contains(address, "http")) &&
                         !IsLocalPath(address);
    if (!network) {
        std::string path = address;
        if (path.rfind("file://", 0) == 0)
            path = path.substr(7);
        ReadLocalPlaylist(path, title, depth);
        return;
    }

    const std::string name = address.substr(address.rfind('/') + 1);
    std::string file = SafeFileName(name);
    if (file.empty())
        file = HostFileName(address, ".asx");
    const std::string path = JoinBase(job.settings.m_baseDir, file);
    job.SetOutputPath(path);
    std::unique_ptr<FileSink> out = FileSink::Create(path);
    if (!out)
        out = OpenWithSaveAs(name);
    if (!out) {
        thread_.ReportError("File Creation Error");
        return;
    }
    RecordRequest request;
    request.out = out.get();
    request.url = address;
    request.playerAgent = job.playerAgent;
    // Saved whatever its type: a playlist served as text must reach the
    // reader whole, not be searched for its first mms:// address.
    request.extra = kSaveWhateverArrives;
    const uint64_t got = thread_.RunClient(ClientKind::HttpDownload, request);
    out->Close();
    if (job.stopRequested)
        return;
    if (got == 0) {
        // The download's own error text says more than anything we could.
        if (!job.errorFlag)
            thread_.ReportError(Printf("Playlist download failed: %s", address.c_str()));
        return;
    }
    ReadLocalPlaylist(job.OutputPath(), title, depth);
}

void JobDriver::ReadLocalPlaylist(const std::string& path, const std::string& title, int depth)
{
    // Only a regular file is read (a FIFO would block the worker beyond any
    // stop), and only one under the playlist limit.
    std::string text, error;
    switch (LoadPlaylistFile(path, &text, &error)) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::TooLarge:
        thread_.ReportError(Printf("The playlist %s is too large", path.c_str()));
        return;
    case ReadStatus::CannotOpen:
        thread_.ReportError(Printf("Cannot read the playlist %s", path.c_str()));
        return;
    }

    AsxReader::Result result = AsxReader::Read(AsxReader::Mode::RecordingJob, text);
    for (const std::string& m : result.messages)
        thread_.Trace(m);
    DriveEntries(result.output, title, depth + 1);
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
    for (size_t i = 0; i < entries.size() && !job.stopRequested; ++i)
        Drive(entries[i], title.empty() ? std::string() : Printf("%s%zu", title.c_str(), i), depth);
}
