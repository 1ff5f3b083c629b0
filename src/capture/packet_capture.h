#pragma once

#include <atomic>
#include <cstdio>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_helper.h"

class FrameParser;
struct pcap;

// Why a capture could not start.
struct CaptureStartError {
    enum Kind { kNone, kNotPermitted, kNoSuchAdapter, kUnsupportedLink, kBusy, kOther };
    Kind kind = kNone;
    std::string message;
};

// The capture thread: reads frames from a live adapter or from a savefile,
// and hands every frame of more than kSkippedFrameSize captured bytes to the
// frame parser. At most one thread per object; the parser must outlive it.
//
// A live adapter is opened by the capture helper (capture_helper.h), never
// by this process: the helper opens it (promiscuous, with a one-second read
// time-out), lets through only the watched ports and sends the frames over a
// pipe, which the thread reads in ticks that look at the stop request. A
// stop ends the helper too.
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
    // How long the helper may take to open the adapter.
    static constexpr int kHelperStartMs = 5000;

    // Called on the capture thread as it ends: an empty text after Stop or
    // at the end of a savefile, otherwise what went wrong.
    using EndHandler = std::function<void(const std::string& error)>;

    explicit PacketCapture(FrameParser& parser);
    ~PacketCapture();  // stops and joins the thread
    PacketCapture(const PacketCapture&) = delete;
    PacketCapture& operator=(const PacketCapture&) = delete;

    // Set before a start; not while a thread runs.
    void SetEndHandler(EndHandler handler);
    // The capture helper to run (FindCaptureHelper() unless set).
    void SetHelper(std::string path) { helperPath_ = std::move(path); }
    const std::string& helper() const { return helperPath_; }

    // ports: the TCP ports to watch, out of capturehelper::kWatchablePorts.
    bool StartLive(const std::string& adapter, const std::vector<uint16_t>& ports, CaptureStartError* error);
    bool StartSavefile(const std::string& path, CaptureStartError* error);

    // Clears the running flag and wakes the thread; returns at once and may
    // be called from any thread (a starting recording, a signal watcher).
    void Stop();
    // Waits for the thread to end. Never call it from the end handler.
    void Wait();
    bool IsRunning() const { return running_.load(std::memory_order_acquire); }

    uint64_t FramesSeen() const { return framesSeen_.load(std::memory_order_relaxed); }

private:
    // handle null: the thread reads the helper, or opens the savefile from
    // pendingStream_.
    bool Begin(pcap* handle, bool offline, const std::string& source, CaptureStartError* error,
               std::unique_ptr<CaptureHelperProcess> helper = nullptr, int linkType = -1);
    // Runs the helper and waits for its answer: the adapter open, or why not.
    std::unique_ptr<CaptureHelperProcess> OpenWithHelper(const std::string& adapter,
                                                         const std::vector<uint16_t>& ports,
                                                         int* linkType, CaptureStartError* error);
    // Opens the savefile's stream; null with the reason in *error.
    pcap* OpenSavefile(FILE* stream, const std::string& source, CaptureStartError* error);
    bool SupportedLink(pcap* handle, const std::string& source, CaptureStartError* error);
    void Run();
    // The thread's reading; the text of a failure, "" after a stop or at
    // the end of the input.
    std::string ReadHelper();
    std::string ReadSavefile();
    void Deliver(const unsigned char* frame, size_t capturedLength);
    static void OnFrame(unsigned char* user, const struct pcap_pkthdr* header,
                        const unsigned char* bytes);

    FrameParser& parser_;
    EndHandler endHandler_;
    std::string helperPath_;
    std::unique_ptr<CaptureHelperProcess> helper_;  // the thread's while it runs
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
