#include <QAction>
#include <QMenu>

#include "base/app_settings.h"
#include "player/player_widget.h"
#include "ui/media_view.h"
#include "ui/playback.h"
#include "ui/qt_text.h"

// The player's commands: the actions with their keys and the Play menu.

namespace player {

void Playback::CreateActions()
{
    Actions& a = actions_;
    const auto make = [this](const QString& text, const QKeySequence& keys, auto slot, bool checkable = false) {
        auto* action = new QAction(text, this);
        action->setShortcut(keys);
        action->setCheckable(checkable);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    Player* p = player_;
    a.playPause = make(tr("Play/Pause"), QKeySequence(Qt::Key_Space), [this] {
        if (player_->State() == PlayState::Stopped && player_->Address().isEmpty())
            PlayRow(view_.SelectedRow());
        else
            player_->PlayPause();
    });
    a.stop = make(tr("Stop"), QKeySequence(Qt::CTRL | Qt::Key_Space), [p] { p->Stop(); });
    a.back30 = make(tr("Back 30 Seconds"), QKeySequence(Qt::CTRL | Qt::Key_Left), [p] { p->SeekBy(-30); });
    a.forward30 = make(tr("Forward 30 Seconds"), QKeySequence(Qt::CTRL | Qt::Key_Right), [p] { p->SeekBy(30); });
    a.back60 = make(tr("Back 1 Minute"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Left), [p] { p->SeekBy(-60); });
    a.forward60 =
        make(tr("Forward 1 Minute"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Right), [p] { p->SeekBy(60); });
    a.slower = make(tr("Slower"), QKeySequence(Qt::CTRL | Qt::Key_Minus), [p] { p->RateDown(); });
    a.normalSpeed = make(tr("Normal Speed"), QKeySequence(Qt::CTRL | Qt::Key_0), [p] { p->RateNormal(); });
    a.faster = make(tr("Faster"), QKeySequence(Qt::CTRL | Qt::Key_Plus), [p] { p->RateUp(); });
    a.volumeUp = make(tr("Volume Up"), QKeySequence(Qt::CTRL | Qt::Key_Up), [p] { p->VolumeUp(); });
    a.volumeDown = make(tr("Volume Down"), QKeySequence(Qt::CTRL | Qt::Key_Down), [p] { p->VolumeDown(); });
    a.mute = make(tr("Mute"), QKeySequence(Qt::CTRL | Qt::Key_M), [this] {
        player_->ToggleMute();
        UpdateChecks();
    }, true);
    a.fullScreen = make(tr("Full Screen"), QKeySequence(Qt::ALT | Qt::Key_Return), [this] {
        player_->SetFullScreen(!player_->IsFullScreen());
        UpdateChecks();
    }, true);
    a.halfSize = make(tr("Half Size"), QKeySequence(Qt::ALT | Qt::Key_1), [this] { SetSizeMode(0); }, true);
    a.normalSize = make(tr("Normal Size"), QKeySequence(Qt::ALT | Qt::Key_2), [this] { SetSizeMode(1); }, true);
    a.doubleSize = make(tr("Double Size"), QKeySequence(Qt::ALT | Qt::Key_3), [this] { SetSizeMode(2); }, true);
    a.keepRatio = make(tr("Keep Ratio"), {}, [this] {
        settings_.m_keep = settings_.m_keep > 0 ? 0 : 1;
        player_->SetKeepRatio(settings_.m_keep > 0);
        UpdateChecks();
    }, true);
    a.keepSize = make(tr("Keep Window Size"), {}, [this] {
        settings_.m_keepSize = settings_.m_keepSize > 0 ? 0 : 1;
        pane_->SetKeepSize(settings_.m_keepSize > 0);
        UpdateChecks();
    }, true);
    a.hideCaption = make(tr("Hide Caption"), {}, [this] { ApplyCaptionCommand(CaptionCommand::ToggleHide); }, true);
    a.captionBigger = make(tr("Bigger Caption Font"), {}, [this] { ApplyCaptionCommand(CaptionCommand::Bigger); });
    a.captionSmaller = make(tr("Smaller Caption Font"), {}, [this] { ApplyCaptionCommand(CaptionCommand::Smaller); });
    a.captionBold = make(tr("Bold Captions"), {}, [this] { ApplyCaptionCommand(CaptionCommand::ToggleBold); });
    a.captionFont = make(tr("Caption Font..."), {}, [this] { ChooseCaptionFont(); });
    a.captionAreaLarger =
        make(tr("Larger Caption Area"), {}, [this] { ApplyCaptionCommand(CaptionCommand::AreaLarger); });
    a.captionAreaSmaller =
        make(tr("Smaller Caption Area"), {}, [this] { ApplyCaptionCommand(CaptionCommand::AreaSmaller); });
    a.imageCapture = make(tr("Image Capture(S)"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_S), [this] {
        player_->CaptureImage(Q(settings_.m_baseDir));
    });
}

void Playback::CreateMenu()
{
    const Actions& a = actions_;
    menu_->addActions({a.playPause, a.stop});
    menu_->addSeparator();
    menu_->addActions({a.back30, a.forward30, a.back60, a.forward60});
    menu_->addSeparator();
    menu_->addActions({a.slower, a.normalSpeed, a.faster});
    menu_->addSeparator();
    menu_->addActions({a.volumeUp, a.volumeDown, a.mute});
    menu_->addSeparator();
    menu_->addActions({a.fullScreen, a.halfSize, a.normalSize, a.doubleSize, a.keepRatio, a.keepSize});
    QMenu* captions = menu_->addMenu(tr("Captions"));
    captions->addActions({a.hideCaption, a.captionBigger, a.captionSmaller, a.captionBold, a.captionFont,
                          a.captionAreaLarger, a.captionAreaSmaller});
    menu_->addSeparator();
    menu_->addAction(a.imageCapture);
    // The shortcuts work wherever the window has the focus.
    for (QAction* action : menu_->actions())
        action->setShortcutContext(Qt::WindowShortcut);
    // Full screen shows the video in a window of its own: the key leads back
    // from there too.
    pane_->videoArea()->addAction(actions_.fullScreen);
    connect(menu_, &QMenu::aboutToShow, this, &Playback::UpdateChecks);
}

void Playback::UpdateChecks()
{
    actions_.mute->setChecked(player_->IsMuted());
    actions_.fullScreen->setChecked(player_->IsFullScreen());
    actions_.keepSize->setChecked(settings_.m_keepSize > 0);
    actions_.keepRatio->setChecked(settings_.m_keep > 0);
    actions_.halfSize->setChecked(settings_.m_windowSizeMode == 0);
    actions_.normalSize->setChecked(settings_.m_windowSizeMode == 1);
    actions_.doubleSize->setChecked(settings_.m_windowSizeMode == 2);
    actions_.hideCaption->setChecked(settings_.m_enableCaption == 0);
}

}  // namespace player
