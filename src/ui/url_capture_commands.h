#pragma once

#include <memory>
#include <string>

#include <QObject>
#include <QString>

struct AppSettings;
class CaptureMemory;
class MediaListCaptureSink;
class MediaView;
class Profile;
class QAction;
class QLabel;
class UrlCapture;

// "URL Capture": Start shows "Select Adapter" and captures on the chosen
// adapter (or reads the chosen capture file); the addresses other players
// request become rows with their player identity. Stop ends it, and so does
// a recording that starts. The indicator beside the record buttons shows
// the running capture. Adapters are listed and read through the capture
// helper, the one program that may hold the right to capture; when it lacks
// that right, the dialog and the messages say how to grant it.
class UrlCaptureCommands final : public QObject {
    Q_OBJECT
public:
    UrlCaptureCommands(MediaView& view, AppSettings& settings, Profile& profile,
                       QObject* parent = nullptr);
    ~UrlCaptureCommands() override;

    QAction* startAction() const { return start_; }
    QAction* stopAction() const { return stop_; }
    QLabel* indicator() const { return indicator_; }
    bool Capturing() const;
    // What is captured: the adapter's name or the file's ("" when idle).
    QString source() const { return source_; }

    // Start: the same as Stop while a capture runs.
    void Start();
    // Returns at once; the thread notices within its read time-out.
    void Stop();
    // Stops and waits for the capture thread (the program is closing).
    void Shutdown();
    // The capture helper to run instead of the one found beside the
    // program (tests); not while a capture runs.
    void SetCaptureHelper(const std::string& path);

signals:
    void capturingChanged(bool capturing);

private:
    void SetIndicator(const QString& source);
    void OnEnded(const QString& error);

    MediaView& view_;
    AppSettings& settings_;
    Profile& profile_;
    std::unique_ptr<CaptureMemory> memory_;
    std::unique_ptr<MediaListCaptureSink> sink_;
    std::unique_ptr<UrlCapture> capture_;
    QAction* start_;
    QAction* stop_;
    QLabel* indicator_;
    QString source_;
};
