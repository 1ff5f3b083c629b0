#pragma once

#include "ui/preferences_page.h"

class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace player {

// The "Player" page of the preferences: repeat and order, the window size
// mode, keep ratio and keep size, and the captions (shown or not, colour,
// size, face, style, bold, margin). (The "Play" page beside it makes
// Brimcast the handler of media files and addresses.)
class PlayerPage final : public PreferencesPage {
    Q_OBJECT
public:
    explicit PlayerPage(QWidget* parent = nullptr);
    QString title() const override;
    void Load(const AppSettings& settings, const Profile& profile) override;
    void Store(AppSettings& settings, Profile& profile) override;

    QCheckBox* repeat() const { return repeat_; }
    QCheckBox* sequence() const { return sequence_; }
    QComboBox* sizeMode() const { return sizeMode_; }
    QCheckBox* keepRatio() const { return keepRatio_; }
    QCheckBox* keepSize() const { return keepSize_; }
    QCheckBox* captions() const { return captions_; }
    QPushButton* colorButton() const { return color_; }
    QSpinBox* captionSize() const { return size_; }
    QFontComboBox* face() const { return face_; }
    QLineEdit* styleName() const { return style_; }
    QCheckBox* bold() const { return bold_; }
    QSpinBox* margin() const { return margin_; }
    int captionColor() const { return colorValue_; }  // 0xBBGGRR
    void SetCaptionColor(int color);

private:
    void ChooseColor();

    QCheckBox* repeat_;
    QCheckBox* sequence_;
    QComboBox* sizeMode_;
    QCheckBox* keepRatio_;
    QCheckBox* keepSize_;
    QCheckBox* captions_;
    QPushButton* color_;
    QSpinBox* size_;
    QFontComboBox* face_;
    QLineEdit* style_;
    QCheckBox* bold_;
    QSpinBox* margin_;
    int colorValue_ = 0xFFFFFF;
    // What Load read and what it put on show in its place (see Load).
    QString storedFace_;
    QString shownFace_;
    bool faceChosen_ = false;
    QString storedStyle_;
    QString shownStyle_;
};

}  // namespace player
