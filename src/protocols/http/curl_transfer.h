#pragma once

#include <curl/curl.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One HTTP request run by libcurl on the calling thread and read in the
// blocks the caller asks for, the way a blocking HTTP library is read.
// Every wait looks at the stop flag in short ticks and gives up when the
// server has been silent for the idle time-out, so no call can hang.
// The body waiting to be read is bounded: when the caller falls behind,
// libcurl is paused instead of buffering without limit.
class CurlTransfer {
public:
    enum class Outcome {
        Ok,        // done as asked
        End,       // the body is complete
        Failed,    // the connection or the answer broke (see ErrorText)
        TimedOut,  // the server was silent for the idle time-out
        Stopped,   // the stop flag was set
    };
    struct ReadResult {
        size_t count = 0;  // bytes stored, also when the outcome is not Ok
        Outcome outcome = Outcome::Failed;
    };

    // stop may be null; idleTimeoutMs 0 waits until stopped.
    CurlTransfer(const std::atomic<bool>* stop, int idleTimeoutMs);
    ~CurlTransfer();
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    // Creates the libcurl handles; false when that is impossible.
    bool Open();
    // For the request options the caller sets itself.
    CURL* easy() const { return easy_; }
    // The address the request goes to first; false when libcurl refuses it.
    bool SetUrl(const std::string& url);
    // Request header lines ("Name: value"; "Name:" removes one of curl's).
    bool SetHeaders(const std::vector<std::string>& lines);
    // The referrer: sent only to the host of the first address, never
    // after a redirect to another one.
    void SetReferer(const std::string& referer);
    // Credentials for basic authentication (none when user is empty). They
    // belong to the scheme, host and port of forUrl (the first address when
    // empty) and go to no other, whatever a redirect says; they replace
    // what was set for that place before, and only that.
    void SetCredentials(const std::string& user, const std::string& password,
                        const std::string& forUrl = {});
    // Redirects are followed, up to maxRedirects; a 3xx answer with a
    // Location is then not final.
    void FollowRedirects(long maxRedirects);

    // Starts the request (again, after an earlier one: the earlier answer is
    // dropped) and waits for the head of the final answer. On Ok, status()
    // and contentType() describe it.
    Outcome Send();
    int status() const { return status_; }
    // The reason phrase of the final answer's status line ("Not Found").
    const std::string& statusPhrase() const { return statusPhrase_; }
    // The address the request went to first, and the one that gave the
    // final answer (after redirects).
    const std::string& firstUrl() const { return firstUrl_; }
    const std::string& effectiveUrl() const { return effectiveUrl_; }
    const std::string& contentType() const { return contentType_; }

    // Reads up to n bytes of the body. Fewer come only at the end of the
    // body or with a failure, a time-out or a stop, and those bytes are in
    // buf all the same.
    ReadResult Read(void* buf, size_t n);

    // Ends the running request; the rest of its answer is discarded.
    void Abort();
    // Why the last request failed, for traces.
    std::string ErrorText() const;
    // The same in plain words for the user (see net/failure_reason.h), for
    // the outcome of a Send or Read that failed or timed out.
    std::string FailureReason(Outcome outcome) const;

private:
    static size_t HeaderCallback(char* data, size_t size, size_t count, void* self);
    static size_t WriteCallback(char* data, size_t size, size_t count, void* self);
    size_t OnHeaderLine(const char* data, size_t length);
    size_t OnBody(const char* data, size_t length);
    // Runs libcurl until the head (forBody false) or body bytes (forBody
    // true) are there, or the request ended; Ok covers both.
    Outcome Pump(bool forBody);
    // One request to url, with what may go there; waits for its head.
    Outcome SendTo(const std::string& url);
    void CollectDone();
    size_t Pending() const { return pending_.size() - readPos_; }

    const std::atomic<bool>* stop_;
    int idleTimeoutMs_;
    CURL* easy_ = nullptr;
    CURLM* multi_ = nullptr;
    curl_slist* headers_ = nullptr;
    bool follow_ = false;
    long maxRedirects_ = 0;
    std::string firstUrl_;
    std::string effectiveUrl_;
    std::string referer_;
    struct Credentials {
        std::string url;  // empty: the first address
        std::string user;
        std::string password;
    };
    std::vector<Credentials> credentials_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};

    // State of the running request.
    bool active_ = false;   // the easy handle is in the multi handle
    bool done_ = false;     // libcurl finished it (result_ says how)
    CURLcode result_ = CURLE_OK;
    bool headDone_ = false;
    bool discard_ = false;  // Abort: drop whatever libcurl still delivers
    bool paused_ = false;
    int status_ = 0;
    std::string statusPhrase_;
    bool tooManyRedirects_ = false;
    std::string contentType_;
    uint64_t activity_ = 0;  // bumped by every callback: the server spoke
    std::vector<char> pending_;
    size_t readPos_ = 0;
};

// libcurl's process-wide set-up, done once; false when it failed.
bool EnsureCurlGlobalInit();
