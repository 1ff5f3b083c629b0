#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "protocols/protocol_client.h"

#include "protocols/http/curl_transfer.h"

class ByteSink;
class ClientHooks;

// Fetches an address over plain HTTP and saves the body as it arrives. A
// text page is not saved: it is searched for an mms:// address, which is
// reported so that the job can record the stream the page points to. A 401
// is answered from the credential store and the credential dialog.
//
// RecordRequest::body says what to keep: ScanPages looks into text pages,
// SaveWhatever saves whatever arrives, AsfOnly (for an address that names an
// ASF file) keeps a body only when it begins with an ASF header: a playlist is
// saved whole (at most the playlist size limit) for the job to follow, and
// anything else is searched like a text page, not saved, and fails the
// download ("Not an ASF stream"). RecordRequest::resume is a byte offset,
// and only 0 is taken: a download always starts at the beginning, and would
// write a whole body behind the part of the file kept. Each Record starts
// without the stop of an earlier one (a declined password stops the client
// too): a stop of the job that comes meanwhile reaches it through the hooks.
class HttpDownloadClient final : public ProtocolClient {
public:
    static constexpr ResumeAt::Unit kResumeUnit = ResumeAt::Unit::Byte;

    explicit HttpDownloadClient(const ClientEnvironment& env);
    ~HttpDownloadClient() override;

    uint64_t Record(const RecordRequest& request) override;
    void Stop() override;

private:
    void Download(ByteSink* out);
    // Answers a 401 (see AuthenticateRequest); named is the address asked
    // first. *sentCredentials is set when credentials went with a request.
    bool Authenticate(CurlTransfer& request, const std::string& named, int& status, bool* sentCredentials);
    void ScanPage(CurlTransfer& request, ByteSink* out);
    void SaveAsfBody(CurlTransfer& request, ByteSink* out);
    // Collects a body that began with first (count bytes) up to about the
    // page limit.
    std::string CollectPage(CurlTransfer& request, const char* first, const CurlTransfer::ReadResult& read);
    // announce: report the body's start (OnHeaderReceived) with its first bytes.
    void ReadToFile(CurlTransfer& request, ByteSink* out, bool announce = false);
    // Writes a block (when there is a file) and counts it; false when the
    // file took fewer bytes.
    bool Save(ByteSink* out, const char* data, size_t count);
    ClientHooks& hooks() const;
    // Gives why the download brings nothing (ClientHooks::OnFailureReason).
    void Fail(const std::string& reason);
    // A check (no file) reads on while the body begins with an ASF header
    // that has not arrived whole, up to kMaxProbedHeader bytes.
    bool WantsMoreHeader() const;
    // A check's report of that header (nothing for other bodies).
    void ReportProbedHeader(ByteSink* out);

    static constexpr size_t kMaxProbedHeader = 256 * 1024;

    ClientEnvironment env_;
    std::atomic<bool> stopRequested_{false};

    // What one Record call holds.
    struct Attempt {
        explicit Attempt(const RecordRequest& request)
            : url(request.url), body(request.body), user(request.user), password(request.password)
        {
        }
        std::string url;
        RecordRequest::Body body;
        std::string user;
        std::string password;
        uint64_t bytesReceived = 0;
        std::string probedHead;  // a check's first body bytes
        bool failed = false;     // this call has given a reason
    };
    std::unique_ptr<Attempt> attempt_;
};
