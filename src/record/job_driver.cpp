#include "record/job_driver.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <string_view>

#include <sys/stat.h>
#include <unistd.h>

#include "formats/ascii.h"
#include "formats/asx_reader.h"
#include "formats/printf.h"
#include "medialist/list_file_io.h"
#include "medialist/media_list.h"
#include "record/cmms_thread.h"
#include "record/status_sink.h"
#include "record/user_prompts.h"

namespace {

std::atomic<bool> g_passAll{false};

bool Contains(const std::string& text, std::string_view what)
{
    return text.find(what) != std::string::npos;
}

bool PathExists(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The text after the last "/", or, when there is none, after the last "\".
std::string LastComponent(const std::string& text)
{
    size_t slash = text.rfind('/');
    if (slash == std::string::npos)
        slash = text.rfind('\\');
    return slash == std::string::npos ? text : text.substr(slash + 1);
}

std::string JoinBase(const std::string& baseDir, const std::string& file)
{
    if (baseDir.empty())
        return file;
    if (baseDir.back() == '/')
        return baseDir + file;
    return baseDir + "/" + file;
}

// A name for a file whose own name was empty or refused.
std::string HostFileName(const std::string& address, const char* extension)
{
    std::string host = SafeFileName(HostOfAddress(address));
    if (host.empty())
        host = "recording";
    return SafeFileName(host + extension);
}

// Length in bytes of the longest prefix of text that is at most max bytes
// and does not end inside a UTF-8 sequence.
size_t Utf8Cut(const std::string& text, size_t max)
{
    if (text.size() <= max)
        return text.size();
    size_t n = max;
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    return n;
}

// Brings the file back to where the attempts started, dropping what a
// failed attempt wrote: the next client starts a stream of its own and must
// not append it to another's leftovers.
void RewindTo(FILE* file, long position)
{
    std::fflush(file);
    long now = std::ftell(file);
    if (now != position) {
        if (::ftruncate(::fileno(file), position) != 0) {
            // Keep going: the seek below still makes the next client write
            // over the leftovers from the start.
        }
        std::fseek(file, position, SEEK_SET);
    }
}

constexpr uint32_t kPlaylistBits = 0x1000 | 0x2000 | 0x4000 | 0x10;

}  // namespace

uint32_t AddressTypeBits(const std::string& address)
{
    const std::string a = ascii::LowerCopy(address);
    uint32_t bits;
    if (Contains(a, "mms:") || Contains(a, "mmst:"))
        bits = kTypeMms;
    else if (Contains(a, "rtsp:"))
        bits = kTypeRtsp;
    else
        bits = kTypeHttpOrLocal;

    static const char* const kOtherMedia[] = {".mov", ".mpg", ".mpeg", ".rm", ".ram", ".rpm", ".mp3"};
    static const char* const kAsfFamily[] = {".asx", ".asf", ".wax", ".wma", ".wmv"};
    for (const char* e : kOtherMedia) {
        if (Contains(a, e))
            return bits | kTypeOtherMedia;
    }
    for (const char* e : kAsfFamily) {
        if (Contains(a, e))
            return bits | kTypeAsfFamily;
    }
    return bits | kTypeOther;
}

const std::vector<FallbackRow>& RecordFallbackTable()
{
    using K = ClientKind;
    static const std::vector<FallbackRow> table = {
        {kTypeHttpOrLocal, true, 3, {K::Mmsh, K::HttpDownload, K::MmsTcp}},
        {kTypeHttpOrLocal, false, 3, {K::HttpDownload, K::Mmsh, K::MmsTcp}},
        {kTypeMms, true, 3, {K::MmsTcp, K::Mmsh, K::HttpDownload}},
        {kTypeMms, false, 3, {K::MmsTcp, K::HttpDownload, K::Mmsh}},
        {kTypeRtsp, true, 3, {K::Rtsp, K::Mmsh, K::HttpDownload}},
        {kTypeRtsp, false, 3, {K::Rtsp, K::HttpDownload, K::Mmsh}},
    };
    return table;
}

const std::vector<FallbackRow>& ProbeFallbackTable()
{
    using K = ClientKind;
    static const std::vector<FallbackRow> table = {
        {kTypeHttpOrLocal, true, 4, {K::Mmsh, K::HttpDownload, K::MmsTcp, K::Rtsp}},
        {kTypeHttpOrLocal, false, 4, {K::HttpDownload, K::Mmsh, K::MmsTcp, K::Rtsp}},
        {kTypeMms, true, 3, {K::MmsTcp, K::Mmsh, K::HttpDownload}},
        {kTypeMms, false, 3, {K::MmsTcp, K::HttpDownload, K::Mmsh}},
        {kTypeRtsp, true, 3, {K::Rtsp, K::Mmsh, K::HttpDownload}},
        {kTypeRtsp, false, 3, {K::Rtsp, K::HttpDownload, K::Mmsh}},
    };
    return table;
}

const FallbackRow& FallbackRowFor(const std::vector<FallbackRow>& table, uint32_t typeBits)
{
    const uint32_t scheme = typeBits & (kTypeHttpOrLocal | kTypeMms | kTypeRtsp);
    const bool asf = (typeBits & kTypeAsfFamily) != 0;
    for (const FallbackRow& row : table) {
        if (row.scheme == scheme && row.asfFamily == asf)
            return row;
    }
    return table.front();  // unreachable for bits made by AddressTypeBits
}

std::string RewriteRtspToMms(const std::string& address)
{
    std::string out;
    out.reserve(address.size());
    size_t pos = 0;
    for (;;) {
        size_t hit = address.find("rtsp://", pos);
        if (hit == std::string::npos) {
            out.append(address, pos, std::string::npos);
            return out;
        }
        out.append(address, pos, hit - pos);
        out += "mms://";
        pos = hit + 7;
    }
}

std::string HostOfAddress(const std::string& address)
{
    size_t scheme = address.find("://");
    if (scheme == std::string::npos)
        return {};
    std::string rest = address.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#\\"));
    size_t at = rest.rfind('@');
    if (at != std::string::npos)
        rest = rest.substr(at + 1);
    if (!rest.empty() && rest.front() == '[') {
        size_t close = rest.find(']');
        return close == std::string::npos ? rest.substr(1) : rest.substr(1, close - 1);
    }
    return rest.substr(0, rest.find(':'));
}

std::string SafeFileName(const std::string& name)
{
    // Linux allows 255 bytes in one name.
    constexpr size_t kMaxName = 255;
    std::string safe = name;
    for (char& c : safe) {
        if (c == '/' || c == '\0')
            c = '_';
    }
    if (safe == "." || safe == "..")
        return {};
    if (safe.size() > kMaxName) {
        size_t dot = safe.rfind('.');
        std::string ext;
        if (dot != std::string::npos && dot > 0 && safe.size() - dot <= 16)
            ext = safe.substr(dot);
        std::string base = safe.substr(0, safe.size() - ext.size());
        base.resize(Utf8Cut(base, kMaxName - ext.size()));
        safe = base + ext;
    }
    return safe;
}

std::string MakeOutputPath(const std::string& baseDir, const std::string& address,
                           const std::string& title)
{
    std::string a = address;
    while (!a.empty() && std::isspace(static_cast<unsigned char>(a.back())))
        a.pop_back();
    a = a.substr(0, a.find('?'));
    const std::string name = LastComponent(a);

    std::string file;
    if (title.empty()) {
        file = name;
    } else {
        size_t dot = name.rfind('.');
        file = (dot != std::string::npos && dot > 0) ? title + name.substr(dot) : title + ".asf";
    }
    file = SafeFileName(file);
    if (file.empty())
        file = HostFileName(address, ".asf");
    return JoinBase(baseDir, file);
}

std::string MakeUniqueName(const std::string& path)
{
    size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = file.rfind('.');
    const std::string base = dot == std::string::npos ? file : file.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : file.substr(dot);
    std::string candidate;
    for (int n = 0; n < 100; ++n) {
        candidate = dir + base + Printf("(%d)", n) + ext;
        if (!PathExists(candidate))
            return candidate;
    }
    return candidate;
}

bool PassAll() { return g_passAll.load(); }
void SetPassAll(bool value) { g_passAll.store(value); }

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

    job.SetOutputPath(MakeOutputPath(job.settings.m_baseDir, recorded, title));

    FILE* file = nullptr;
    uint32_t resumePacket = 0;
    uint32_t resumeOffset = 0;
    if (!DecideExisting(&file, &resumePacket, &resumeOffset))
        return;

    const bool created = file == nullptr;
    if (!file) {
        const std::string path = job.OutputPath();
        file = std::fopen(path.c_str(), "wb");
        if (!file)
            file = OpenWithSaveAs(LastComponent(path));
        if (!file) {
            thread_.ReportError("File Creation Error");
            return;
        }
    }

    RunAttempts(file, recorded, address, resumePacket, resumeOffset);

    if (std::fclose(file) != 0 && !job.errorFlag)
        thread_.ReportError("File Write Error");
    // A file this job created and nothing was written to is not a
    // recording; left behind it would only push the next try of the same
    // address to a numbered name.
    struct stat st;
    const std::string path = job.OutputPath();
    if (created && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
        ::unlink(path.c_str());

    // A media recording this small is a server's refusal rather than a
    // recording. A stop by the user is a cancel, not a failure, and a
    // resumed file counts with what it already held: the clients count only
    // what they add.
    const uint32_t type = AddressTypeBits(recorded);
    const uint64_t recordedBytes = static_cast<uint64_t>(resumeOffset) + job.bytesWritten;
    if (recordedBytes < kTooSmallBytes && !job.stopRequested &&
        ((type & kTypeOtherMedia) || ((type & kTypeAsfFamily) && !job.noNext)))
        job.errorFlag = true;
}

bool JobDriver::DecideExisting(FILE** file, uint32_t* resumePacket, uint32_t* resumeOffset)
{
    RecordJob& job = thread_.job();
    UserPrompts* prompts = thread_.prompts();
    std::string path = job.OutputPath();
    if (!PathExists(path))
        return true;

    uint32_t packet = 0;
    uint32_t offset = 0;
    if (thread_.resumeScanner() && thread_.resumeScanner()(path, &packet, &offset)) {
        bool resume = true;
        if (job.settings.m_resumable)
            resume = prompts && prompts->AskResume(Printf("%s \n\n File exist. Resumable?", path.c_str()));
        if (resume) {
            FILE* f = std::fopen(path.c_str(), "rb+");
            if (f && std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0) {
                *file = f;
                *resumePacket = packet;
                *resumeOffset = offset;
                return true;
            }
            if (f)
                std::fclose(f);
            return true;  // recreated from scratch, resume values stay 0
        }
        // Declining to resume is not consent to destroy the file: it gets
        // the same treatment as any other existing file below.
    }

    if (!job.settings.m_overWrite) {
        job.SetOutputPath(MakeUniqueName(path));
        return true;
    }
    if (PassAll()) {
        job.PushEventText(kStatusFileKept, path);
        job.Post(kStatusFileKept);
        job.stopRequested = true;
        return false;
    }

    bool all = false;
    UserPrompts::FileExists answer =
        prompts ? prompts->AskFileExists(Printf("%s \n\n File exist. Overwrite?", path.c_str()), all)
                : UserPrompts::FileExists::Cancel;
    switch (answer) {
    case UserPrompts::FileExists::Ok:
        return true;
    case UserPrompts::FileExists::SaveAs:
        if (!AskSaveAs(path)) {
            job.stopRequested = true;
            return false;
        }
        job.SetOutputPath(path);
        return true;
    case UserPrompts::FileExists::Pass:
        job.PushEventText(kStatusFileKept, path);
        job.Post(kStatusFileKept);
        job.stopRequested = true;
        SetPassAll(all);
        return false;
    case UserPrompts::FileExists::Quit:
        job.Post(kStatusQuit);
        job.stopRequested = true;
        return false;
    case UserPrompts::FileExists::Cancel:
        break;
    }
    job.stopRequested = true;
    return false;
}

bool JobDriver::AskSaveAs(std::string& path)
{
    UserPrompts* prompts = thread_.prompts();
    std::string chosen = path;
    if (!prompts || !prompts->AskSavePath(chosen) || chosen.empty())
        return false;
    path = chosen;
    return true;
}

FILE* JobDriver::OpenWithSaveAs(const std::string& name)
{
    std::string path = name;
    if (!AskSaveAs(path))
        return nullptr;
    thread_.job().SetOutputPath(path);
    return std::fopen(path.c_str(), "wb");
}

uint32_t JobDriver::RunAttempts(FILE* file, const std::string& address,
                                const std::string& originalAddress, uint32_t resumePacket,
                                uint32_t resumeOffset)
{
    RecordJob& job = thread_.job();
    auto request = [&](ClientKind kind, const std::string& url) {
        RecordRequest r;
        r.out = file;
        r.url = url;
        r.playerAgent = job.playerAgent;
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
    auto mayContinue = [&](uint32_t previous) {
        return previous == 0 && !job.noNext && !job.stopRequested;
    };
    // The last error text any attempt gave, for a last attempt that fails
    // without a word.
    std::string lastError;
    auto prepareNext = [&]() {
        if (job.errorFlag)
            lastError = job.ErrorText();
        job.errorFlag = false;
        job.SetErrorText({});
        RewindTo(file, static_cast<long>(resumeOffset));
    };
    // A count of 0 is a failure even when the client said nothing: the job
    // must not show it as completed.
    auto settle = [&](uint32_t result) {
        if (result == 0 && !job.stopRequested && !job.errorFlag)
            thread_.ReportError(lastError.empty() ? std::string("Recording failed") : lastError);
        return result;
    };

    const FallbackRow& row = FallbackRowFor(RecordFallbackTable(), AddressTypeBits(address));
    uint32_t result = 0;
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
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        out = OpenWithSaveAs(name);
    if (!out) {
        thread_.ReportError("File Creation Error");
        return;
    }
    RecordRequest request;
    request.out = out;
    request.url = address;
    request.playerAgent = job.playerAgent;
    // Saved whatever its type: a playlist served as text must reach the
    // reader whole, not be searched for its first mms:// address.
    request.extra = kSaveWhateverArrives;
    const uint32_t got = thread_.RunClient(ClientKind::HttpDownload, request);
    std::fclose(out);
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
    switch (ReadFileBounded(path, MediaList::kMaxPlaylistBytes, &text, &error)) {
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
    if (result.moreInfoSeen)
        thread_.job().SetMoreInfoUrl(result.moreInfoUrl);
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
