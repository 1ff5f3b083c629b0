#pragma once

#include <memory>

#include <QObject>

#include "record/cmms_thread.h"

struct AppSettings;
class MediaView;
class Profile;
class QAction;
class UrlCheck;

// "URL Check": Start walks the list from the selected row (the first row
// without a selection) and probes every network row; the row being probed
// is selected and shows "Checking", then "Ok" or "Error" (its title marked
// "(x)"). Stop lets the row being probed finish and ends the walk. The
// probes run on a thread of their own; their results come back as tasks on
// the main thread.
class UrlCheckCommands final : public QObject {
    Q_OBJECT
public:
    UrlCheckCommands(MediaView& view, AppSettings& settings, Profile& profile, ClientFactory clients = {},
                     QObject* parent = nullptr);
    ~UrlCheckCommands() override;

    QAction* startAction() const { return start_; }
    QAction* stopAction() const { return stop_; }
    bool Running() const;

    void Start();
    void Stop();
    // Ends the walk at once: the probe running is stopped and its thread
    // joined (the program is closing).
    void Shutdown();

signals:
    void finished();

private:
    void UpdateActions();

    MediaView& view_;
    AppSettings& settings_;
    std::unique_ptr<UrlCheck> check_;
    QAction* start_;
    QAction* stop_;
};
