#include "ui/url_check_commands.h"

#include <QAction>

#include "medialist/media_list.h"
#include "record/url_check.h"
#include "ui/media_view.h"
#include "ui/qt_user_prompts.h"

UrlCheckCommands::UrlCheckCommands(MediaView& view, AppSettings& settings, Profile& profile,
                                   ClientFactory clients, QObject* parent)
    : QObject(parent),
      view_(view),
      settings_(settings),
      start_(new QAction(tr("Start"), this)),
      stop_(new QAction(tr("Stop"), this))
{
    JobServices services;
    services.factory = std::move(clients);
    services.profile = &profile;
    services.prompts = &view.prompts();
    UrlCheck::Callbacks callbacks;
    callbacks.rowStarted = [this](uint64_t rowId) { view_.SelectRow(view_.list().IndexOf(rowId)); };
    callbacks.finished = [this] {
        UpdateActions();
        emit finished();
    };
    check_ = std::make_unique<UrlCheck>(view.list(), view.taskPoster(), services, std::move(callbacks));

    start_->setObjectName(QStringLiteral("urlCheckStart"));
    start_->setToolTip(tr("Check which network rows can be reached, from the selected row on"));
    connect(start_, &QAction::triggered, this, &UrlCheckCommands::Start);
    stop_->setObjectName(QStringLiteral("urlCheckStop"));
    connect(stop_, &QAction::triggered, this, &UrlCheckCommands::Stop);
    UpdateActions();
}

UrlCheckCommands::~UrlCheckCommands() { Shutdown(); }

bool UrlCheckCommands::Running() const { return check_ && check_->Running(); }

void UrlCheckCommands::Start()
{
    if (!check_ || check_->Running())
        return;
    check_->Start(view_.SelectedRow(), settings_);
    UpdateActions();
}

void UrlCheckCommands::Stop()
{
    if (check_)
        check_->Stop();
    // The walk ends after the row being probed; Start stays off until then.
    stop_->setEnabled(false);
}

void UrlCheckCommands::Shutdown()
{
    check_.reset();  // stops the probe and joins its thread
    UpdateActions();
}

void UrlCheckCommands::UpdateActions()
{
    start_->setEnabled(check_ && !check_->Running());
    stop_->setEnabled(check_ && check_->Running());
}
