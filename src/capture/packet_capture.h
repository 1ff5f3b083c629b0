#pragma once

#include <atomic>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class FrameParser;
struct pcap;

// One network adapter as libpcap names it.
struct CaptureAdapter {
    std::string name;
    std::string description;  // may be empty
    std::vector<std::string> addresses = {};  // its IPv4 and IPv6 addresses, as text
};

// The adapters libpcap can capture from, in its order. False (with the
// libpcap text in *error) when it cannot list them.
bool ListCaptureAdapters(std::vector<CaptureAdapter>* adapters, std::string* error);

// Why a capture could not start.
struct CaptureStartError {
    enum Kind { kNone, kNotPermitted, kNoSuchAdapter, kUnsupportedLink, kBusy, kOther };
    Kind kind = kNone;
    std::string message;
};

// The capture thread: reads frames from a live adapter (promiscuous, with a
// one-second read time-out) or from a savefile, and hands every frame of
// more than kSkippedFrameSize captured bytes to the frame parser. At most one
// thread per object; the parser must outlive it.
//
// A savefile may be a FIFO or a pipe ("-" is standard input) that goes
// silent at any point: its bytes are read in short ticks that look at the
// stop request, so Stop() ends the thread within one tick whatever the
// writer does. The head of a regular file is read by the start, that of any
// other file on the thread (its failures reach the end handler).
class PacketCapture {
public:
    // Bare acknowledgements and the like are skipped before any decoding.
    static constexpr size_t kSkippedFrameSize = 96;
    static constexpr int kReadTimeoutMs = 1000;
    static constexpr int kDriverBufferBytes = 512000;

    // Called on the capture thread as it ends: an empty text after Stop or
    // at the end of a savefile, otherwise what went wrong.
    using EndHandler = std::function<void(const std::string& error)>;

    explicit PacketCapture(FrameParser& parser);
    ~PacketCapture();  // stops and joins the thread
    PacketCapture(const PacketCapture&) = delete;
    PacketCapture& operator=(const PacketCapture&) = delete;

    // Set before a start; not while a thread runs.
    void SetEndHandler(EndHandler handler);

    bool StartLive(const std::string& adapter, CaptureStartError* error);
    bool StartSavefile(const std::string& path, CaptureStartError* error);

    // Clears the running flag and wakes the thread; returns at once and may
    // be called from any thread (a starting recording, a signal watcher).
    void Stop();
    // Waits for the thread to end. Never call it from the end handler.
    void Wait();
    bool IsRunning() const { return running_.load(std::memory_order_acquire); }

    uint64_t FramesSeen() const { return framesSeen_.load(std::memory_order_relaxed); }

private:
    // handle null: the thread opens the savefile from pendingStream_.
    bool Begin(pcap* handle, bool offline, const std::string& source, CaptureStartError* error);
    // Opens the savefile's stream; null with the reason in *error.
    pcap* OpenSavefile(FILE* stream, const std::string& source, CaptureStartError* error);
    bool SupportedLink(pcap* handle, const std::string& source, CaptureStartError* error);
    void Run();
    static void OnFrame(unsigned char* user, const struct pcap_pkthdr* header,
                        const unsigned char* bytes);

    FrameParser& parser_;
    EndHandler endHandler_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    // Ends every wait for savefile bytes; set by Stop(), cleared by a start.
    std::atomic<bool> readStop_{false};
    FILE* pendingStream_ = nullptr;  // a savefile whose head the thread reads
    std::string source_;
    std::atomic<uint64_t> framesSeen_{0};
    // Guards handle_ against Stop() racing with the thread closing it.
    std::mutex handleMutex_;
    pcap* handle_ = nullptr;
    bool offline_ = false;
    std::atomic<int> linkType_{-1};
};
