#include "record/cmms_thread.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "record/client_factory.h"
#include "record/fallback_table.h"
#include "record/job_driver.h"

namespace {

size_t IndexOf(ClientKind kind)
{
    switch (kind) {
    case ClientKind::MmsTcp: return 0;
    case ClientKind::Rtsp: return 1;
    case ClientKind::Mmsh: return 2;
    case ClientKind::HttpDownload: return 3;
    }
    return 0;
}

}  // namespace

CmmsThread::CmmsThread(StatusSink* owner, uint16_t jobId, const AppSettings& settings,
                       std::string url, std::string title, std::string playerAgent,
                       std::string user, std::string password, const JobServices& services)
    : job_(owner, jobId, settings, std::move(url), std::move(title), std::move(playerAgent),
           std::move(user), std::move(password)),
      prompts_(services.prompts),
      resumeScanner_(services.resumeScanner ? services.resumeScanner : ResumeScanner(ScanForResume)),
      reconnectTimings_(services.reconnect)
{
    ClientEnvironment env;
    env.settings = settings;
    env.hooks = this;
    env.profile = services.profile;
    env.prompts = services.prompts;
    env.connectTimeoutMs = services.connectTimeoutMs;
    env.idleTimeoutMs = services.idleTimeoutMs;
    env.cancel = &job_.StopSignal();
    const ClientFactory& factory = services.factory ? services.factory : ClientFactory(MakeProtocolClient);
    for (ClientKind kind : {ClientKind::MmsTcp, ClientKind::Rtsp, ClientKind::Mmsh, ClientKind::HttpDownload})
        clients_[IndexOf(kind)] = factory(kind, env);
}

CmmsThread::~CmmsThread()
{
    Stop();
    Join();
}

bool CmmsThread::Start()
{
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable())
        return false;
    threadActive_ = true;
    try {
        thread_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
        threadActive_ = false;
        return false;
    }
    return true;
}

void CmmsThread::Stop()
{
    job_.stopRequested = true;
    job_.StopSignal().Cancel();
    // Clients stop in a fixed order: the download first, the MMS-over-HTTP client last.
    for (ClientKind kind : {ClientKind::HttpDownload, ClientKind::MmsTcp, ClientKind::Rtsp, ClientKind::Mmsh})
        Client(kind).Stop();
}

void CmmsThread::Join()
{
    std::lock_guard lock(threadMutex_);
    if (thread_.joinable())
        thread_.join();
}

void CmmsThread::Run()
{
    job_.running = true;
    job_.noNext = false;
    Drive(job_.url, job_.title);
    // The end of the job is the one Finished event of this job; a client's own
    // OnFinished does not end it (see OnFinished).
    job_.Post(job_.EndEvent());
    job_.running = false;
    threadActive_ = false;
}

void CmmsThread::Drive(const std::string& address, const std::string& title)
{
    JobDriver(*this).Drive(address, title);
}

ProtocolClient& CmmsThread::Client(ClientKind kind) { return *clients_[IndexOf(kind)]; }

uint64_t CmmsThread::RunClient(ClientKind kind, const RecordRequest& request)
{
    ProtocolClient& client = Client(kind);
    // How this attempt's media phase ends is its own.
    job_.streamEnd = StreamEnd::Unknown;
    job_.dataPackets = 0;
    activeClient_ = &client;
    clientUrl_ = request.url;
    clientKind_ = kind;
    attemptReason_.clear();
    const uint64_t result = client.Record(request);
    activeClient_ = nullptr;
    return result;
}

void CmmsThread::NoteFailedAttempt(ClientKind kind, const std::string& url)
{
    std::string reason = attemptReason_;
    if (reason.empty())
        reason = job_.stopRequested ? std::string(kStoppedReason) : job_.ErrorText();
    if (reason.empty())
        reason = kNoReason;
    job_.AddAttempt({TransportOf(kind), url, reason});
}

void CmmsThread::CarryStop()
{
    if (!job_.stopRequested)
        return;
    if (ProtocolClient* client = activeClient_.load())
        client->Stop();
}

uint64_t CmmsThread::Check(const std::string& address, const std::string& user,
                           const std::string& password)
{
    job_.running = false;
    job_.stopRequested = false;
    job_.StopSignal().Reset();
    job_.noNext = false;
    job_.errorFlag = false;
    job_.bytesWritten = 0;
    job_.incomplete = false;
    job_.SetErrorText({});
    job_.SetAttempts({});
    job_.SetStream({});
    return Probe(address, RecordRequest::Body::ScanPages, user, password);
}

uint64_t CmmsThread::Probe(const std::string& address, RecordRequest::Body body, const std::string& user,
                           const std::string& password)
{
    // An object without a row's identity announces the settings' one.
    const std::string agent = job_.playerAgent.empty() ? job_.settings.m_playerAgent : job_.playerAgent;
    const FallbackRow& row = FallbackRowFor(ProbeFallbackTable(), AddressTypeBits(address));
    uint64_t result = 0;
    // The last error an attempt gave, for a last attempt that fails without
    // a word.
    std::string lastError;
    for (int i = 0; i < row.count; ++i) {
        if (i > 0) {
            if (result != 0 || job_.noNext || job_.stopRequested)
                break;
            if (job_.errorFlag)
                lastError = job_.ErrorText();
            job_.errorFlag = false;
            job_.SetErrorText({});
        }
        RecordRequest request;
        request.url = address;
        request.playerAgent = agent;
        if (row.clients[i] == ClientKind::Mmsh || row.clients[i] == ClientKind::HttpDownload) {
            request.body = body;
            request.user = user;
            request.password = password;
        }
        // Only the answering attempt's findings count.
        job_.SetStream({});
        result = RunClient(row.clients[i], request);
        if (result == 0)
            NoteFailedAttempt(row.clients[i], address);
        if (result != 0) {
            StreamInfo info = job_.Stream();
            info.transport = TransportOf(row.clients[i]);
            job_.SetStream(info);
        }
    }
    if (result == 0 && job_.ErrorText().empty())
        job_.SetErrorText(lastError);
    return result;
}

void CmmsThread::OnConnecting(const std::string& url, int)
{
    CarryStop();
    JobEvent e = JobEvent::Of(job_.jobId, JobEventKind::Connecting);
    e.transport = TransportOf(clientKind_);
    e.address = url;
    job_.Post(std::move(e));
}

void CmmsThread::OnHeaderReceived(const std::string&, uint32_t durationMs)
{
    CarryStop();
    job_.durationMs = durationMs;
    JobEvent e = JobEvent::Of(job_.jobId, JobEventKind::HeaderReceived);
    e.durationMs = durationMs;
    e.text = job_.OutputPath();
    if (holdHeader_)
        heldHeader_ = std::move(e);
    else
        job_.Post(std::move(e));
}

void CmmsThread::HoldHeaderEvent(bool hold)
{
    holdHeader_ = hold;
    heldHeader_.reset();
}

void CmmsThread::ArmReconnected(uint32_t attempt, int64_t lostAtMs, std::chrono::steady_clock::time_point lostAt)
{
    outage_ = OutageWatch{};
    outage_.armed = true;
    outage_.attempt = attempt;
    outage_.lostAtMs = lostAtMs;
    outage_.lostAt = lostAt;
}

void CmmsThread::EndOutage()
{
    if (!outage_.armed || outage_.ended)
        return;
    outage_.ended = true;
    // The outage lasted until the stream came back for good: the healing
    // attempt's first new packet.
    const auto back = outage_.packets > 0 ? outage_.firstPacketAt : std::chrono::steady_clock::now();
    const uint64_t ms = static_cast<uint64_t>(
        std::max<int64_t>(0, std::chrono::duration_cast<std::chrono::milliseconds>(back - outage_.lostAt).count()));
    job_.outages += 1;
    job_.outageMs += ms;
    JobEvent e = JobEvent::Of(job_.jobId, JobEventKind::Reconnected);
    e.attempt = outage_.attempt;
    e.outageAtMs = outage_.lostAtMs;
    e.outageMs = ms;
    job_.Post(std::move(e));
}

bool CmmsThread::DisarmReconnected()
{
    const bool ended = outage_.ended;
    outage_ = OutageWatch{};
    return ended;
}

void CmmsThread::OnDataPacket(uint32_t timeMs)
{
    if (heldHeader_) {
        job_.Post(std::move(*heldHeader_));
        heldHeader_.reset();
    }
    OutageWatch& w = outage_;
    if (!w.armed || w.ended)
        return;
    if (w.packets++ == 0) {
        w.firstTimeMs = timeMs;
        w.firstPacketAt = std::chrono::steady_clock::now();
    }
    if ((timeMs >= w.firstTimeMs && timeMs - w.firstTimeMs >= kHealMediaMs) || w.packets >= kHealPackets)
        EndOutage();
}

void CmmsThread::OnProgress(uint64_t bytesWritten, uint32_t progress, uint32_t timeMs)
{
    CarryStop();
    bytesWritten += progressBase_;
    job_.bytesWritten = bytesWritten;
    job_.progress = progress;
    job_.timeMs = timeMs;
    if (!job_.owner)
        return;
    JobEvent e = JobEvent::Of(job_.jobId, JobEventKind::Progress);
    e.bytes = bytesWritten;
    e.progress = progress;
    e.timeMs = timeMs;
    job_.Post(std::move(e));
}

void CmmsThread::OnStreamEnd(StreamEnd how, uint64_t dataPackets)
{
    CarryStop();
    job_.streamEnd = how;
    job_.dataPackets = dataPackets;
}

void CmmsThread::OnFinished(uint64_t)
{
    // The streaming client raises this after its media phase, while the job
    // may still have a file to close or playlist entries to record. Ending
    // the row here would let the next job start beside this one and leave
    // this one beyond the reach of Record Stop; the worker posts the job's
    // end itself when everything is done.
    CarryStop();
}

void CmmsThread::Trace(const std::string&) { CarryStop(); }

void CmmsThread::ReportError(const std::string& text)
{
    CarryStop();
    std::string bounded = text.substr(0, kMaxErrorText);
    job_.SetErrorText(bounded);
    job_.errorFlag = true;
}

void CmmsThread::OnFailureReason(const std::string& reason)
{
    if (!reason.empty())
        attemptReason_ = reason.substr(0, kMaxErrorText);
}

void CmmsThread::OnText(const std::string&) { CarryStop(); }

void CmmsThread::OnCredentials(const std::string& user, const std::string& password)
{
    // What another server asked for (a playlist entry elsewhere) is neither
    // sent on to the job's own server nor kept for later jobs.
    if (!MayGetJobCredentials(clientUrl_, job_.url))
        return;
    job_.SetCredentials(user, password);
    JobEvent e = JobEvent::Of(job_.jobId, JobEventKind::Credentials);
    e.user = user;
    e.password = password;
    job_.Post(std::move(e));
}

void CmmsThread::OnNoNext() { job_.noNext = true; }

void CmmsThread::OnResumeRefused()
{
    CarryStop();
    job_.resumeRefused = true;
}

void CmmsThread::OnStreamInfo(const StreamInfo& info) { job_.SetStream(info); }

void CmmsThread::OnStreamUrlFound(const std::string& url)
{
    JobEvent e = JobEvent::Of(job_.jobId, JobEventKind::StreamUrlFound);
    e.text = url;
    job_.Post(std::move(e));
}
