#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolButton>
#include <QUrl>

#include "app/desktop_notifier.h"
#include "app/screen_saver_inhibitor.h"
#include "base/profile.h"
#include "base/setting_keys.h"
#include "medialist/media_list.h"
#include "ui/playback.h"
#include "ui/file_info_dialog.h"
#include "ui/media_list_model.h"
#include "ui/media_tools_dialog.h"
#include "ui/media_view.h"
#include "ui/play_page.h"
#include "ui/preferences_dialog.h"
#include "ui/qt_text.h"
#include "ui/qt_user_prompts.h"
#include "ui/recording_commands.h"
#include "ui/url_capture_commands.h"
#include "ui/url_check_commands.h"

namespace {

using namespace setting_keys;

}  // namespace

QPoint MainWindow::StartPosition(int x, int y, const QSize& screen)
{
    if (x <= 0 || x >= screen.width())
        x = 0;
    if (y <= 0 || y >= screen.height())
        y = 0;
    return {x, y};
}

QSize MainWindow::StartSize(int width, int height, const QSize& available)
{
    constexpr int kMinWidth = 320, kMinHeight = 240;
    const QSize size = width > 0 && height > 0 ? QSize(width, height) : QSize(kWidth, kHeight);
    return size.expandedTo(QSize(kMinWidth, kMinHeight))
        .boundedTo(available.expandedTo(QSize(kMinWidth, kMinHeight)));
}

MainWindow::MainWindow(Profile& profile, ClientFactory clients, QWidget* parent)
    : QMainWindow(parent), profile_(profile), splitter_(new QSplitter(Qt::Vertical, this))
{
    settings_.Load(profile_);
    setWindowTitle(QStringLiteral("Brimcast"));
    setObjectName(QStringLiteral("mainWindow"));

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen ? screen->geometry().size() : QSize(1024, 768);
    const QSize available = screen ? screen->availableSize() : screenSize;
    resize(StartSize(ReadSetting(profile_, kFrameWidth), ReadSetting(profile_, kFrameHeight), available));
    move(StartPosition(ReadSetting(profile_, kFrameX), ReadSetting(profile_, kFrameY), screenSize));
    if (ReadSetting(profile_, kFrameMaximized) == 1)
        setWindowState(windowState() | Qt::WindowMaximized);

    // The upper pane holds the player; until one is installed, a quiet
    // placeholder keeps its place.
    auto* placeholder = new QLabel(tr("No media playing"), splitter_);
    placeholder->setObjectName(QStringLiteral("playerPlaceholder"));
    placeholder->setAlignment(Qt::AlignCenter);
    placeholder->setAutoFillBackground(true);
    placeholder->setStyleSheet(QStringLiteral("QLabel { background: #202020; color: #a0a0a0; }"));
    placeholder->setMinimumHeight(60);
    playerPane_ = placeholder;

    view_ = new MediaView(settings_, profile_, splitter_);
    splitter_->addWidget(playerPane_);
    splitter_->addWidget(view_);
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 0);
    splitter_->setChildrenCollapsible(false);
    splitter_->setSizes({200, 260});
    setCentralWidget(splitter_);
    // Focus given to the frame goes to the list.
    setFocusProxy(view_);

    screenSaver_ = new ScreenSaverInhibitor(this);
    connect(screenSaver_, &ScreenSaverInhibitor::unavailable, this, [this](const QString& reason) {
        settings_.m_screenSave = 0;
        UpdateChecks();
        // The command says so when the user picks it; at start-up the
        // check mark just stays off.
        if (screenSaveAsked_) {
            screenSaveAsked_ = false;
            statusBar()->showMessage(
                tr("Protect Screen Save is not available: %1").arg(reason), 10000);
        }
    });

    CreateRecording(std::move(clients));
    CreateActions();
    CreateMenus();
    statusBar();
    setAcceptDrops(true);

    if (settings_.m_screenSave)
        screenSaver_->SetInhibited(true);
    if (settings_.m_onTop)
        SetOnTop(true);
    UpdateChecks();
    view_->LoadAutoList();
}

MainWindow::~MainWindow() { Shutdown(false); }

void MainWindow::CreateRecording(ClientFactory clients)
{
    recording_ = new RecordingCommands(*view_, settings_, profile_, clients, this);
    urlCheck_ = new UrlCheckCommands(*view_, settings_, profile_, std::move(clients), this);
    urlCapture_ = new UrlCaptureCommands(*view_, settings_, profile_, this);
    notifier_ = new DesktopNotifier(this);
    // A starting recording ends a running capture.
    recording_->SetCaptureStopper([capture = urlCapture_] { capture->Stop(); });
    connect(recording_, &RecordingCommands::recordingEnded, this, &MainWindow::NotifyEnded);
    // At shutdown the capture goes first, then the check, then every
    // recording is stopped and its file finalised; the list and the
    // settings are saved after that (Shutdown).
    connect(this, &MainWindow::shuttingDown, urlCapture_, &UrlCaptureCommands::Shutdown);
    connect(this, &MainWindow::shuttingDown, urlCheck_, &UrlCheckCommands::Shutdown);
    connect(this, &MainWindow::shuttingDown, recording_, &RecordingCommands::Shutdown);

    // The record buttons and the capture indicator above the list.
    QHBoxLayout* bar = view_->controlsBar();
    for (QAction* command : {recording_->startAction(), recording_->stopAction()}) {
        auto* button = new QToolButton(view_);
        button->setDefaultAction(command);
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        button->setObjectName(command->objectName() + QStringLiteral("Button"));
        bar->addWidget(button);
    }
    bar->addWidget(urlCapture_->indicator());
    bar->addStretch();
}

void MainWindow::NotifyEnded(const QString& title, JobResult result, const QString& detail)
{
    // Only when the user is elsewhere: the list says it already.
    if (isActiveWindow())
        return;
    QString word;
    switch (result) {
    case JobResult::Completed:
        word = MediaListModel::tr("completed");
        break;
    case JobResult::Cancelled:
        word = MediaListModel::tr("cancelled");
        break;
    case JobResult::Incomplete:
        word = MediaListModel::tr("incomplete");
        break;
    case JobResult::Failed:
        word = tr("failed");
        break;
    case JobResult::None:
        return;
    }
    const QString body = detail.isEmpty() ? word : tr("%1: %2").arg(word, detail);
    notifier_->Notify(tr("Recording ended: %1").arg(title), body);
}

void MainWindow::SetOnTop(bool on)
{
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible)
        show();  // changing a window flag hides the window
}

void MainWindow::ToggleScreenSave()
{
    settings_.m_screenSave = settings_.m_screenSave > 0 ? 0 : 1;
    // Turning it on keeps the screen saver off at once; turning it off
    // gives the desktop its screen saver back at once.
    screenSaveAsked_ = settings_.m_screenSave > 0;
    screenSaver_->SetInhibited(settings_.m_screenSave > 0);
    UpdateChecks();
}

void MainWindow::ToggleBigScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    if (!bigScreen_) {
        bigScreen_ = true;
        normalGeometry_ = geometry();
        menuBar()->hide();
        if (settings_.m_saveFullPos) {
            const QRect stored(ReadSetting(profile_, kBigScreenX), ReadSetting(profile_, kBigScreenY),
                               ReadSetting(profile_, kBigScreenWidth, screenRect.width()),
                               ReadSetting(profile_, kBigScreenHeight, screenRect.height()));
            setWindowFlag(Qt::FramelessWindowHint, true);
            setGeometry(stored.isValid() ? stored : screenRect);
            show();
        } else {
            showFullScreen();
        }
    } else {
        StoreBigScreenRect();
        profile_.Flush();
        bigScreen_ = false;
        setWindowFlag(Qt::FramelessWindowHint, false);
        showNormal();
        setGeometry(normalGeometry_);
        menuBar()->show();
    }
    emit bigScreenChanged(bigScreen_);
    UpdateChecks();
}

void MainWindow::ShowPreferences()
{
    PreferencesDialog dialog(settings_, profile_, this);
    dialog.AddPage(new PlayPage(xdg::XdgDirs::FromEnvironment(), &dialog));
    emit preferencesOpening(&dialog);
    connect(&dialog, &PreferencesDialog::applied, view_, &MediaView::SettingsChanged);
    connect(&dialog, &PreferencesDialog::applied, recording_, &RecordingCommands::UpdateActions);
    connect(&dialog, &PreferencesDialog::recentFilesDeleted, view_, &MediaView::ReloadRecent);
    dialog.exec();
}

MediaToolsDialog* MainWindow::ShowCut(const QString& path)
{
    auto* dialog = new MediaToolsDialog(profile_, true, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    if (!path.isEmpty())
        dialog->SetFile(path);
    dialog->show();
    return dialog;
}

FileInfoDialog* MainWindow::ShowFileInfo(const QString& path)
{
    auto* dialog = new FileInfoDialog(path, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
    return dialog;
}

QString MainWindow::SelectedFile() const
{
    const int row = view_->SelectedRow();
    if (row < 0)
        return {};
    const MediaList& list = view_->list();
    for (const int column : {kColOriginalFile, kColRecordingFile}) {
        const QString path = Q(list.Cell(row, column));
        if (!path.isEmpty() && QFileInfo(path).isFile())
            return path;
    }
    return {};
}

void MainWindow::ShowAbout()
{
    QMessageBox::about(
        this, tr("About Brimcast"),
        tr("<b>Brimcast</b> %1<p>Records Windows Media streams (mms://, MMS over HTTP, "
           "RTSP and HTTP) into seekable ASF files, keeps them in a media list and plays "
           "them.</p>")
            .arg(QCoreApplication::applicationVersion()));
}

// --- Opening ---

void MainWindow::RememberKvx(const QStringList& arguments)
{
    for (const QString& a : arguments) {
        if (a.contains(QLatin1String(".kvx"))) {
            WriteSetting(profile_, kLastKvxFile, S(SplitLaunchArgument(a).path));
            profile_.Flush();
            return;
        }
    }
}

void MainWindow::OpenLaunch(LaunchMode mode, const QStringList& arguments)
{
    RememberKvx(arguments);
    int first = -1;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const LaunchEntry entry = SplitLaunchArgument(arguments[i]);
        if (entry.path.isEmpty())
            continue;
        const int row = view_->OpenEntry(entry.path, entry.title, entry.sizeSwitch);
        if (i == 0)
            first = row;
    }
    if (!arguments.isEmpty()) {
        raise();
        activateWindow();
    }
    if (first < 0)
        return;
    view_->SelectRow(first);
    if (mode == LaunchMode::Record)
        view_->RecordRow(first);  // only when no row is busy
    else
        view_->PlayRow(first);
    view_->SelectRow(first);
}

void MainWindow::HandOver(LaunchMode mode, const QStringList& arguments)
{
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
    OpenLaunch(mode, arguments);
}

void MainWindow::OpenDropped(const QStringList& paths)
{
    for (const QString& p : paths)
        if (!p.isEmpty())
            view_->OpenEntry(p, QString(), QString());
    raise();
    activateWindow();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls() || event->mimeData()->hasText())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    QStringList paths;
    const QMimeData* mime = event->mimeData();
    if (mime->hasUrls()) {
        for (const QUrl& url : mime->urls())
            paths.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    } else {
        // Text dragged from a browser: one address per line.
        const QStringList lines = mime->text().split(QLatin1Char('\n'));
        for (const QString& line : lines)
            if (!line.trimmed().isEmpty())
                paths.append(line.trimmed());
    }
    OpenDropped(paths);
    event->acceptProposedAction();
}

// --- Player pane ---

void MainWindow::InstallPlayerWidget(QWidget* player)
{
    QWidget* old = playerPane_;
    splitter_->replaceWidget(splitter_->indexOf(old), player);
    playerPane_ = player;
    delete old;
}

void MainWindow::AttachPlayback(player::Playback* playback)
{
    playback_ = playback;
    playback->setParent(this);
    InstallPlayerWidget(playback->pane());
    menuBar()->insertMenu(toolsMenu_->menuAction(), playback->menu());
    toolsMenu_->addSeparator();
    toolsMenu_->addAction(playback->actions().imageCapture);
    connect(this, &MainWindow::preferencesOpening, playback, &player::Playback::AddPageTo);
    connect(this, &MainWindow::bigScreenChanged, playback, &player::Playback::BigScreenChanged);
    connect(this, &MainWindow::shuttingDown, playback, &player::Playback::Shutdown);
    connect(&playback->player(), &player::Player::stateChanged, this, &MainWindow::UpdateTitle);
}

void MainWindow::UpdateTitle()
{
    // What plays, in the title: the task bar and window lists show it.
    const QString name = QStringLiteral("Brimcast");
    QString playing;
    if (playback_ && playback_->player().State() != player::PlayState::Stopped) {
        playing = playback_->player().Title();
        if (playing.isEmpty())
            playing = QFileInfo(playback_->player().Address()).fileName();
    }
    setWindowTitle(playing.isEmpty() ? name : tr("%1 - %2").arg(playing, name));
}

// --- Closing ---

void MainWindow::CloseWithoutQuestions()
{
    view_->prompts().SetInteractive(false);
    close();
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    const bool interactive = view_->prompts().interactive();
    if (interactive && !shutDown_ && recording_->Recording() &&
        QMessageBox::question(this, QCoreApplication::applicationName(),
                              tr("Recordings are running. Stop them and quit?\n\n"
                                 "Each file is finished before the program ends."),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    Shutdown(interactive);
    event->accept();
}

void MainWindow::Shutdown(bool interactive)
{
    if (shutDown_)
        return;
    shutDown_ = true;
    view_->prompts().SetInteractive(interactive);
    emit shuttingDown();
    view_->StopWork();
    SaveState();
    screenSaver_->SetInhibited(false);
}

void MainWindow::StoreBigScreenRect()
{
    if (!bigScreen_ || !settings_.m_saveFullPos)
        return;
    const QRect now = geometry();
    WriteSetting(profile_, kBigScreenX, now.x());
    WriteSetting(profile_, kBigScreenY, now.y());
    WriteSetting(profile_, kBigScreenWidth, now.width());
    WriteSetting(profile_, kBigScreenHeight, now.height());
}

void MainWindow::SaveState()
{
    // The one place where the window's state is written: Exit, the close
    // button, signals and a logout all come here.
    view_->SaveAutoList();
    view_->SaveLayout();
    StoreBigScreenRect();
    // The normal frame: in big screen mode the one from before it, when
    // maximised the one it comes back to.
    QRect normal(pos(), size());
    if (bigScreen_)
        normal = normalGeometry_;
    else if (isMaximized())
        normal = normalGeometry();
    settings_.Save(profile_);
    WriteSetting(profile_, kFrameX, normal.x());
    WriteSetting(profile_, kFrameY, normal.y());
    WriteSetting(profile_, kFrameWidth, normal.width());
    WriteSetting(profile_, kFrameHeight, normal.height());
    WriteSetting(profile_, kFrameMaximized, !bigScreen_ && isMaximized() ? 1 : 0);
    profile_.Flush();
}
