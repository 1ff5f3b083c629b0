#include "ui/recording_commands.h"

#include <QAction>
#include <QDesktopServices>
#include <QKeySequence>
#include <QMainWindow>
#include <QStatusBar>
#include <QUrl>

#include "base/app_settings.h"
#include "base/failed_attempt.h"
#include "medialist/media_list.h"
#include "record/recorder_controller.h"
#include "ui/media_list_model.h"
#include "ui/media_view.h"
#include "ui/qt_status_sink.h"
#include "ui/qt_text.h"
#include "ui/qt_user_prompts.h"

RecordingCommands::RecordingCommands(MediaView& view, AppSettings& settings, Profile& profile,
                                     ClientFactory clients, QObject* parent)
    : QObject(parent),
      view_(view),
      settings_(settings),
      sink_(new QtStatusSink(this)),
      start_(new QAction(tr("Record Start"), this)),
      stop_(new QAction(tr("Record Stop"), this))
{
    JobServices services;
    services.factory = std::move(clients);
    services.profile = &profile;
    services.prompts = &view.prompts();

    RecorderController::Callbacks callbacks;
    callbacks.openUrl = [](const std::string& address) {
        QDesktopServices::openUrl(QUrl::fromUserInput(Q(address)));
    };
    callbacks.stopCapture = [this] {
        if (stopCapture_)
            stopCapture_();
    };
    callbacks.recordingChanged = [this](bool) { UpdateActions(); };
    callbacks.statusHandled = [this](uint64_t rowId, const JobEvent& event, const CmmsThread&) {
        OnStatus(rowId, event);
    };
    controller_ = std::make_unique<RecorderController>(view.list(), settings, *sink_, services,
                                                       std::move(callbacks));
    sink_->SetHandler([this](const JobEvent& event) { controller_->HandleStatus(event); });

    start_->setObjectName(QStringLiteral("recordStart"));
    start_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    start_->setToolTip(tr("Record the selected row (Ctrl+R)"));
    connect(start_, &QAction::triggered, this, &RecordingCommands::RecordStart);
    stop_->setObjectName(QStringLiteral("recordStop"));
    stop_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Period));
    stop_->setToolTip(tr("Stop every recording (Ctrl+.)"));
    connect(stop_, &QAction::triggered, this, &RecordingCommands::RecordStop);

    connect(&view, &MediaView::recordRequested, this, &RecordingCommands::RecordRow);
    connect(&view, &MediaView::stopRequested, this, &RecordingCommands::RecordStop);
    UpdateActions();
}

RecordingCommands::~RecordingCommands() { Shutdown(); }

void RecordingCommands::RecordStart()
{
    const int row = view_.SelectedRow();
    if (row < 0 || shutDown_)
        return;
    controller_->SetPlayingRow(view_.playingRow());
    controller_->RecordStartCommand(row);
    UpdateActions();
}

void RecordingCommands::RecordRow(int row)
{
    if (shutDown_)
        return;
    controller_->SetPlayingRow(view_.playingRow());
    controller_->RecordStart(row);
    UpdateActions();
}

void RecordingCommands::RecordStop()
{
    controller_->RecordStop();
    UpdateActions();
}

bool RecordingCommands::Recording() const { return controller_->Recording(); }

void RecordingCommands::UpdateActions()
{
    // Record Start while a slot is free (with one slot: while nothing
    // records); Record Stop while anything records.
    start_->setEnabled(!shutDown_ && controller_->SlotFree());
    stop_->setEnabled(!shutDown_ && controller_->Recording());
}

void RecordingCommands::OnStatus(uint64_t rowId, const JobEvent& event)
{
    if (event.kind != JobEventKind::Finished)
        return;
    UpdateActions();
    if (shutDown_)
        return;  // the user is closing the program: no word about each stop
    const MediaItem* row = view_.list().Find(rowId);
    if (!row)
        return;
    const QString detail = event.result == JobResult::Failed ? Q(event.errorText) : Q(event.text);
    // A failure's reasons, transport by transport, stay in the status line
    // (and in the row's tool tip).
    if (event.result == JobResult::Failed) {
        if (auto* frame = qobject_cast<QMainWindow*>(view_.window()))
            frame->statusBar()->showMessage(
                tr("%1: %2").arg(Q(row->cells[kColFile]), Q(FailureText(event.errorText, event.attempts))));
    }
    emit recordingEnded(Q(row->cells[kColFile]), event.result, detail);
}

void RecordingCommands::Shutdown()
{
    if (shutDown_)
        return;
    shutDown_ = true;
    // A stop by the user ends the chain: the end events handled below start
    // nothing. Each job finalises its file before its thread ends.
    controller_->RecordStop();
    controller_->Shutdown();
    sink_->Drain();
    UpdateActions();
}
