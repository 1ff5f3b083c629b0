#include "record/job_driver.h"

#include <cerrno>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "formats/file_sink.h"
#include "medialist/media_list.h"
#include "record/cmms_thread.h"
#include "record/existing_file.h"
#include "record/fallback_table.h"
#include "record/output_names.h"

namespace {

bool Contains(const std::string& text, std::string_view what)
{
    return text.find(what) != std::string::npos;
}

// Brings the file back to where the attempts started, dropping what a
// failed attempt wrote: the next client starts a stream of its own and must
// not append it to another's leftovers.
void RewindTo(FileSink& file, uint64_t position)
{
    uint64_t size = 0;
    if (file.Size(&size) && size > position) {
        // A failure here shows when the file is closed; the cursor below
        // still makes the next client write over the leftovers.
        file.Truncate(position);
    }
    file.Seek(position);
}

constexpr uint32_t kPlaylistBits = 0x1000 | 0x2000 | 0x4000 | 0x10;

}  // namespace

void JobDriver::Drive(const std::string& address, const std::string& title, int depth)
{
    RecordJob& job = thread_.job();
    if (job.stopRequested)
        return;

    // rtsp:// goes through the MMS row first; the RTSP client gets the
    // original address only as a last attempt.
    const std::string recorded = Contains(address, "rtsp://") ? RewriteRtspToMms(address) : address;

    if (ClassifyEntry(recorded) & kPlaylistBits) {
        DrivePlaylist(recorded, title, depth);
        return;
    }

    if (!reportEntries_) {
        RecordOne(recorded, address, title);
        return;
    }
    // An entry's result is its own: an earlier entry's failure does not make
    // it fail. The job keeps the worst of them.
    const bool failedBefore = job.errorFlag;
    const bool incompleteBefore = job.incomplete;
    const std::string errorBefore = job.ErrorText();
    job.errorFlag = false;
    job.incomplete = false;
    job.SetErrorText({});
    job.bytesWritten = 0;
    job.SetOutputPath({});
    RecordOne(recorded, address, title);
    // A stop ends the job with this entry: the job's end tells of it.
    if (!job.stopRequested) {
        JobEvent e = JobEvent::Of(job.jobId, kStatusEntryFinished);
        e.address = address;
        e.result = job.Result();
        e.bytes = job.bytesWritten;
        e.text = job.OutputPath();
        if (e.result == JobResult::Failed)
            e.errorText = job.ErrorText();
        job.Post(std::move(e));
    }
    if (!job.errorFlag && failedBefore) {
        job.errorFlag = true;
        job.SetErrorText(errorBefore);
    }
    job.incomplete = job.incomplete || incompleteBefore;
}

void JobDriver::RecordOne(const std::string& recorded, const std::string& address, const std::string& title)
{
    RecordJob& job = thread_.job();
    job.SetOutputPath(MakeOutputPath(job.settings.m_baseDir, recorded, title));
    // A resume the server's stream turns out not to fit leaves the file as
    // it was; the file is then settled again as one that cannot be resumed.
    bool mayResume = true;
    for (;;) {
        ExistingFileDecision::Resume resume;
        if (!ExistingFileDecision(job, thread_.prompts(), thread_.resumeScanner()).Decide(&resume, mayResume))
            return;
        std::unique_ptr<FileSink> file = std::move(resume.file);
        const bool created = file == nullptr;
        if (!file) {
            file = OpenOutput();
            if (!file)
                return;
        }

        job.resumeRefused = false;
        RunAttempts(*file, recorded, address, resume.packet, resume.offset, resume.header);
        const bool refused = job.resumeRefused && !created && !job.stopRequested;

        if (!file->Close() && !job.errorFlag)
            thread_.ReportError("File Write Error");
        // A file this job created and nothing was written to is not a
        // recording; left behind it would only push the next try of the same
        // address to a numbered name.
        struct stat st;
        const std::string path = job.OutputPath();
        if (created && ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
            ::unlink(path.c_str());
        if (refused && mayResume) {
            thread_.Trace("The file holds another stream: it is not resumed");
            job.errorFlag = false;
            job.SetErrorText({});
            job.bytesWritten = 0;
            mayResume = false;
            continue;
        }
        Judge(recorded, resume.offset);
        return;
    }
}

std::unique_ptr<FileSink> JobDriver::OpenOutput()
{
    RecordJob& job = thread_.job();
    // A name that is taken meanwhile (by a link, say) is never written
    // through: a numbered name moves on to the next free number, anything
    // else ends here.
    for (int tries = 0; tries < 16; ++tries) {
        const std::string path = job.OutputPath();
        int error = 0;
        // What is still at the path is a regular file the user agreed to
        // replace; O_NOFOLLOW and the type check hold even if it changed.
        std::unique_ptr<FileSink> file =
            PathExists(path) ? FileSink::Create(path, &error) : FileSink::CreateNew(path, &error);
        if (file)
            return file;
        const std::string other = NotRegularFile(path);
        if (error == EEXIST && !job.settings.m_overWrite) {
            const std::string next = MakeUniqueName(path);
            if (next.empty())
                break;
            job.SetOutputPath(next);
            continue;
        }
        if (!other.empty()) {
            thread_.ReportError(NotRegularFileText(path, other));
            return nullptr;
        }
        break;
    }
    std::unique_ptr<FileSink> file = OpenWithSaveAs(LastComponent(job.OutputPath()));
    if (!file)
        thread_.ReportError("File Creation Error");
    return file;
}

void JobDriver::Judge(const std::string& address, uint64_t resumeOffset)
{
    RecordJob& job = thread_.job();
    const StreamEnd end = job.streamEnd;
    // A stream client wrote a header and at least one data packet, and the
    // stream ended as it should: that is a recording, however short.
    const bool holdsStream = job.dataPackets > 0;
    const bool endedAsItShould = end == StreamEnd::EndOfStream || end == StreamEnd::LimitReached ||
                                 end == StreamEnd::Stopped || end == StreamEnd::ConnectionLost;

    // Anything else of a media type this small is a server's refusal (an
    // error page, an empty reply) or a transfer cut short, not a recording.
    // A stop by the user is a cancel, not a failure, and a resumed file
    // counts with what it already held: the clients count only what they
    // add.
    const uint32_t type = AddressTypeBits(address);
    const uint64_t recordedBytes = resumeOffset + job.bytesWritten;
    if (!(holdsStream && endedAsItShould) && recordedBytes < kTooSmallBytes && !job.stopRequested &&
        ((type & kTypeOtherMedia) || ((type & kTypeAsfFamily) && !job.noNext))) {
        if (holdsStream && end == StreamEnd::Incomplete && job.ErrorText().empty())
            job.SetErrorText(kEndedEarlyText);
        job.errorFlag = true;
    }

    // An on-demand stream the server ended before its announced end: the
    // file is finalised and can be resumed, but it is not the whole stream.
    if (!job.errorFlag && !job.stopRequested && end == StreamEnd::Incomplete)
        job.incomplete = true;
}

std::unique_ptr<FileSink> JobDriver::OpenWithSaveAs(const std::string& name)
{
    std::string path = name;
    if (!ExistingFileDecision(thread_.job(), thread_.prompts(), thread_.resumeScanner()).AskSaveAs(path))
        return nullptr;
    thread_.job().SetOutputPath(path);
    if (const std::string other = NotRegularFile(path); !other.empty()) {
        thread_.ReportError(NotRegularFileText(path, other));
        return nullptr;
    }
    return FileSink::Create(path);
}

uint64_t JobDriver::RunAttempts(FileSink& file, const std::string& address,
                                const std::string& originalAddress, uint64_t resumePacket,
                                uint64_t resumeOffset, const std::vector<uint8_t>& keptHeader)
{
    RecordJob& job = thread_.job();
    auto request = [&](ClientKind kind, const std::string& url) {
        RecordRequest r;
        r.out = &file;
        r.url = url;
        r.playerAgent = job.playerAgent;
        if (resumePacket != 0 || resumeOffset != 0)
            r.keptHeader = keptHeader;
        if (kind == ClientKind::MmsTcp || kind == ClientKind::Rtsp) {
            r.resume = resumePacket;
        } else {
            r.resume = resumeOffset;
            r.extra = 0;
            r.user = job.User();
            r.password = job.Password();
        }
        return r;
    };
    auto mayContinue = [&](uint64_t previous) {
        return previous == 0 && !job.noNext && !job.stopRequested && !job.resumeRefused;
    };
    // The last error text any attempt gave, for a last attempt that fails
    // without a word.
    std::string lastError;
    auto prepareNext = [&]() {
        if (job.errorFlag)
            lastError = job.ErrorText();
        job.errorFlag = false;
        job.SetErrorText({});
        RewindTo(file, resumeOffset);
    };
    // A count of 0 is a failure even when the client said nothing: the job
    // must not show it as completed.
    auto settle = [&](uint64_t result) {
        if (result == 0 && !job.stopRequested && !job.errorFlag && !job.resumeRefused)
            thread_.ReportError(lastError.empty() ? std::string("Recording failed") : lastError);
        return result;
    };

    const FallbackRow& row = FallbackRowFor(RecordFallbackTable(), AddressTypeBits(address));
    uint64_t result = 0;
    for (int i = 0; i < row.count; ++i) {
        if (job.stopRequested)
            return result;
        if (i > 0) {
            if (!mayContinue(result))
                return settle(result);
            prepareNext();
        }
        result = thread_.RunClient(row.clients[i], request(row.clients[i], address));
    }
    if (originalAddress != address && mayContinue(result)) {
        prepareNext();
        result = thread_.RunClient(ClientKind::Rtsp, request(ClientKind::Rtsp, originalAddress));
    }
    return settle(result);
}
