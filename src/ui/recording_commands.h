#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QString>

#include "base/job_event.h"
#include "record/cmms_thread.h"

struct AppSettings;
class MediaView;
class Profile;
class QAction;
class QtStatusSink;
class RecorderController;

// The window's side of recording: "Record Start" (Ctrl+R) and "Record Stop"
// (Ctrl+.) as menu items and buttons, the view's record requests, the jobs'
// events carried onto the main thread and handed to the recorder
// controller (which writes the rows and starts the next one), and the end
// of every recording at shutdown. With "Parallel recordings" above 1,
// Record Start fills the free slots with the rows below the selected one.
class RecordingCommands final : public QObject {
    Q_OBJECT
public:
    // clients: who makes the protocol clients (empty: the real ones).
    RecordingCommands(MediaView& view, AppSettings& settings, Profile& profile, ClientFactory clients = {},
                      QObject* parent = nullptr);
    // Shuts down when that has not happened yet.
    ~RecordingCommands() override;

    QAction* startAction() const { return start_; }
    QAction* stopAction() const { return stop_; }
    RecorderController& controller() { return *controller_; }
    QtStatusSink& sink() { return *sink_; }

    // What a starting recording calls to end a running URL capture.
    void SetCaptureStopper(std::function<void()> stop) { stopCapture_ = std::move(stop); }

    // "Record Start" on the selected row (nothing without one).
    void RecordStart();
    // A row the view asks to record (URL Open's Record, /Record).
    void RecordRow(int row);
    void RecordStop();
    bool Recording() const;

    // Stops every recording and waits until each file is finalised, then
    // writes their ends into the rows. Nothing starts afterwards.
    void Shutdown();
    // Record Start while a slot is free, Record Stop while anything
    // records (after the settings changed, too).
    void UpdateActions();

signals:
    // A recording ended (after its row was written): the row's title, how
    // it ended, and its file (or the error text of a failure).
    void recordingEnded(const QString& title, JobResult result, const QString& detail);

private:
    void OnStatus(uint64_t rowId, const JobEvent& event);

    MediaView& view_;
    AppSettings& settings_;
    // The sink outlives the controller: the controller's jobs post to it
    // until they are joined.
    QtStatusSink* sink_;
    std::unique_ptr<RecorderController> controller_;
    std::function<void()> stopCapture_;
    QAction* start_;
    QAction* stop_;
    bool shutDown_ = false;
};
