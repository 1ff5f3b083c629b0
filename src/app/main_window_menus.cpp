#include <QAction>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include "app/main_window.h"
#include "ui/media_view.h"
#include "ui/recording_commands.h"
#include "ui/schedule_dialog.h"
#include "ui/url_capture_commands.h"
#include "ui/url_check_commands.h"

// The window's own commands and the menu bar that shows them beside the
// media view's.

void MainWindow::CreateActions()
{
    Actions& a = actions_;
    a.exit = new QAction(tr("Exit(&X)"), this);
    a.exit->setShortcut(QKeySequence::Quit);
    connect(a.exit, &QAction::triggered, this, &QWidget::close);

    a.onTop = new QAction(tr("On Top(&T)"), this);
    a.onTop->setCheckable(true);
    connect(a.onTop, &QAction::triggered, this, [this] {
        settings_.m_onTop = settings_.m_onTop > 0 ? 0 : 1;
        SetOnTop(settings_.m_onTop > 0);
        UpdateChecks();
    });

    a.protectScreenSave = new QAction(tr("Protect Screen Save(&V)"), this);
    a.protectScreenSave->setCheckable(true);
    connect(a.protectScreenSave, &QAction::triggered, this, &MainWindow::ToggleScreenSave);

    a.bigScreen = new QAction(tr("Big Screen Mode"), this);
    a.bigScreen->setCheckable(true);
    a.bigScreen->setShortcut(QKeySequence(Qt::Key_F11));
    connect(a.bigScreen, &QAction::triggered, this, &MainWindow::ToggleBigScreen);
    addAction(a.bigScreen);  // F11 also works while the menu bar is hidden

    a.repeat = new QAction(tr("Repeat"), this);
    a.repeat->setCheckable(true);
    connect(a.repeat, &QAction::triggered, this, [this] {
        settings_.m_repeat = settings_.m_repeat > 0 ? 0 : 1;
        UpdateChecks();
    });
    a.shuffle = new QAction(tr("Shuffle(&S)"), this);
    a.shuffle->setCheckable(true);
    connect(a.shuffle, &QAction::triggered, this, [this] {
        settings_.m_sequence = settings_.m_sequence == 0 ? 1 : 0;
        UpdateChecks();
    });

    a.preferences = new QAction(tr("&Preferences..."), this);
    // The desktop's key for it where it has one (most have none): Ctrl+,
    const QList<QKeySequence> preferenceKeys = QKeySequence::keyBindings(QKeySequence::Preferences);
    a.preferences->setShortcuts(preferenceKeys.isEmpty()
                                    ? QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Comma)}
                                    : preferenceKeys);
    connect(a.preferences, &QAction::triggered, this, &MainWindow::ShowPreferences);
    a.cut = new QAction(tr("CUT(&C)"), this);
    connect(a.cut, &QAction::triggered, this, [this] { ShowCut(SelectedFile()); });
    a.fileInfo = new QAction(tr("File &Info..."), this);
    connect(a.fileInfo, &QAction::triggered, this, [this] {
        QFileDialog dialog(this, tr("File Info"), {}, tr("Video files (*.asf *.wmv *.wma);;All files (*)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        const QString selected = SelectedFile();
        if (!selected.isEmpty()) {
            dialog.setDirectory(QFileInfo(selected).absolutePath());
            dialog.selectFile(selected);
        }
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            ShowFileInfo(dialog.selectedFiles().first());
    });
    a.about = new QAction(tr("&About Brimcast"), this);
    connect(a.about, &QAction::triggered, this, &MainWindow::ShowAbout);

    a.recordStart = recording_->startAction();
    a.recordStop = recording_->stopAction();
    a.urlCheck = urlCheck_->startAction();
    a.urlCheckStop = urlCheck_->stopAction();
    a.urlCapture = urlCapture_->startAction();
    a.urlCaptureStop = urlCapture_->stopAction();
    // The shortcuts work wherever the focus is in the window.
    for (QAction* command : {a.recordStart, a.recordStop, a.urlCapture, a.urlCaptureStop})
        addAction(command);
}

void MainWindow::CreateMenus()
{
    const MediaView::Actions& v = view_->actions();
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(v.newList);
    file->addAction(v.open);
    file->addAction(v.openAs);
    file->addAction(v.urlOpen);
    file->addMenu(view_->recentMenu());
    file->addSeparator();
    QMenu* saveList = file->addMenu(tr("Save List"));
    saveList->addAction(v.saveOnlyUrl);
    saveList->addAction(v.saveOnlyFile);
    saveList->addAction(v.saveAll);
    file->addAction(v.asxSave);
    file->addAction(v.asxSaveAs);
    file->addSeparator();
    file->addAction(actions_.exit);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(v.copyClipboard);
    edit->addAction(v.deleteRow);
    edit->addSeparator();
    edit->addAction(v.modifyUrl);
    edit->addAction(v.modifyFileName);
    edit->addAction(v.info);
    edit->addSeparator();
    edit->addAction(v.setAuthentication);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    view->addAction(actions_.onTop);
    view->addAction(actions_.protectScreenSave);
    view->addAction(actions_.bigScreen);
    view->addSeparator();
    view->addAction(v.play);
    view->addAction(actions_.repeat);
    view->addAction(actions_.shuffle);

    QMenu* record = menuBar()->addMenu(tr("&Record"));
    record->addAction(actions_.recordStart);
    record->addAction(actions_.recordStop);
    record->addSeparator();
    QMenu* check = record->addMenu(tr("URL Check"));
    check->addAction(actions_.urlCheck);
    check->addAction(actions_.urlCheckStop);
    QMenu* capture = record->addMenu(tr("URL Capture(&H)"));
    capture->addAction(actions_.urlCapture);
    capture->addAction(actions_.urlCaptureStop);
    record->addSeparator();
    ScheduleDialog::AddTo(record, *view_, profile_, this);

    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    toolsMenu_ = tools;
    tools->addAction(actions_.preferences);
    tools->addSeparator();
    tools->addAction(actions_.cut);
    tools->addAction(actions_.fileInfo);
    tools->addSeparator();
    tools->addAction(v.asxDataBank);
    tools->addAction(v.kvxDataBank);

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(actions_.about);

    // The check marks follow the settings whenever a menu opens.
    for (QMenu* m : {file, edit, view, record, tools, help})
        connect(m, &QMenu::aboutToShow, this, &MainWindow::UpdateChecks);
}

void MainWindow::UpdateChecks()
{
    actions_.onTop->setChecked(settings_.m_onTop > 0);
    actions_.protectScreenSave->setChecked(settings_.m_screenSave > 0);
    actions_.repeat->setChecked(settings_.m_repeat > 0);
    actions_.shuffle->setChecked(settings_.m_sequence == 0);
    actions_.bigScreen->setChecked(bigScreen_);
}
