#include "ui/url_capture_commands.h"

#include <QAction>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>

#include "base/app_settings.h"
#include "base/profile.h"
#include "capture/adapter_selection.h"
#include "capture/capture_helper.h"
#include "capture/capture_memory.h"
#include "capture/capture_rights.h"
#include "capture/capture_settings.h"
#include "capture/media_list_sink.h"
#include "capture/url_capture.h"
#include "ui/adapter_dialog.h"
#include "ui/media_view.h"
#include "ui/qt_text.h"

UrlCaptureCommands::UrlCaptureCommands(MediaView& view, AppSettings& settings, Profile& profile,
                                       QObject* parent)
    : QObject(parent),
      view_(view),
      settings_(settings),
      profile_(profile),
      memory_(std::make_unique<CaptureMemory>()),
      sink_(std::make_unique<MediaListCaptureSink>(view.list(), view.taskPoster())),
      capture_(std::make_unique<UrlCapture>(*memory_, *sink_)),
      start_(new QAction(tr("Start(&S)"), this)),
      stop_(new QAction(tr("Stop(&T)"), this)),
      indicator_(new QLabel(&view))
{
    // The thread's end comes to the main thread; a queued call to this
    // object is dropped once it is gone.
    capture_->SetEndHandler([this](const std::string& error) {
        QMetaObject::invokeMethod(
            this, [this, text = Q(error)] { OnEnded(text); }, Qt::QueuedConnection);
    });

    start_->setObjectName(QStringLiteral("urlCaptureStart"));
    // Ctrl+Z and Ctrl+X are Undo and Cut everywhere else: the capture keys
    // echo its menu's H, and Stop keeps its X with Shift.
    start_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H));
    start_->setToolTip(tr("Add the stream addresses other players request (%1)")
                           .arg(start_->shortcut().toString(QKeySequence::NativeText)));
    connect(start_, &QAction::triggered, this, &UrlCaptureCommands::Start);
    stop_->setObjectName(QStringLiteral("urlCaptureStop"));
    stop_->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X));
    connect(stop_, &QAction::triggered, this, &UrlCaptureCommands::Stop);

    indicator_->setObjectName(QStringLiteral("captureIndicator"));
    indicator_->setStyleSheet(QStringLiteral("QLabel { color: #c01818; font-weight: bold; }"));
    SetIndicator(QString());
}

UrlCaptureCommands::~UrlCaptureCommands() { Shutdown(); }

bool UrlCaptureCommands::Capturing() const { return capture_ && capture_->IsCapturing(); }

void UrlCaptureCommands::SetIndicator(const QString& source)
{
    const bool changed = source_ != source;
    source_ = source;
    indicator_->setText(source.isEmpty() ? QString() : tr("\u25CF Capturing: %1").arg(source));
    indicator_->setToolTip(source.isEmpty() ? QString() : tr("URL Capture is running on %1").arg(source));
    indicator_->setVisible(!source.isEmpty());
    start_->setEnabled(capture_ && source.isEmpty());
    stop_->setEnabled(!source.isEmpty());
    if (changed)
        emit capturingChanged(!source.isEmpty());
}

void UrlCaptureCommands::Start()
{
    if (!capture_)
        return;
    if (capture_->IsCapturing()) {
        Stop();
        return;
    }
    const QString title = tr("URL Capture");
    // The helper lists the adapters and says whether it may capture.
    const QString helper = Q(capture_->helper());
    std::vector<CaptureAdapter> adapters;
    std::string listError;
    bool mayCapture = false;
    if (!ListCaptureAdapters(capture_->helper(), &adapters, &mayCapture, &listError))
        adapters.clear();
    AdapterSelection selection(adapters, settings_);
    // A helper that is not there at all has no rights to grant: the list's
    // error says so.
    AdapterDialog dialog(selection, Q(listError), mayCapture || !QFileInfo::exists(helper), helper, &view_);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int chosen = selection.Accept(settings_);
    // The choices are settings: saved now, as a preferences OK saves them.
    settings_.Save(profile_);
    profile_.Flush();

    const CaptureSettings captureSettings = CaptureSettings::From(settings_);
    CaptureStartError error;
    QString source;
    bool started = false;
    if (!dialog.captureFile().isEmpty()) {
        source = QFileInfo(dialog.captureFile()).fileName();
        started = capture_->StartSavefile(S(dialog.captureFile()), captureSettings, &error);
    } else if (chosen >= 0) {
        source = Q(adapters[static_cast<size_t>(chosen)].name);
        started = capture_->StartLive(S(source), captureSettings, &error);
    } else {
        error.message = S(tr("There is no network adapter to capture from."));
    }
    if (started) {
        SetIndicator(source);
        return;
    }
    QString text = Q(error.message);
    if (error.kind == CaptureStartError::kNotPermitted)
        text += QStringLiteral("\n\n") + AdapterDialog::RightsText(helper);
    QMessageBox::warning(&view_, title, text);
}

void UrlCaptureCommands::SetCaptureHelper(const std::string& path)
{
    if (capture_ && !capture_->IsCapturing())
        capture_->SetHelper(path);
}

void UrlCaptureCommands::Stop()
{
    if (capture_)
        capture_->Stop();
    SetIndicator(QString());
}

void UrlCaptureCommands::Shutdown()
{
    if (!capture_)
        return;
    capture_->Stop();
    capture_.reset();  // joins the thread
    SetIndicator(QString());
}

void UrlCaptureCommands::OnEnded(const QString& error)
{
    // A Start may have begun a new capture before this arrived.
    if (capture_ && capture_->IsCapturing())
        return;
    SetIndicator(QString());
    if (!error.isEmpty())
        QMessageBox::warning(&view_, tr("URL Capture"), error);
}
