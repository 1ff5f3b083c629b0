#include "ui/player_page.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/app_settings.h"
#include "player/caption_style.h"

namespace player {
namespace {

// Settings hold colours with red in the low byte.
QColor ToColor(int bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }
int FromColor(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }

}  // namespace

PlayerPage::PlayerPage(QWidget* parent) : PreferencesPage(parent)
{
    setObjectName(QStringLiteral("playerPage"));
    repeat_ = new QCheckBox(tr("Repeat"), this);
    sequence_ = new QCheckBox(tr("Play in order (otherwise shuffled)"), this);
    sizeMode_ = new QComboBox(this);
    sizeMode_->addItems({tr("Half size"), tr("Normal size"), tr("Double size")});
    keepRatio_ = new QCheckBox(tr("Keep Ratio"), this);
    keepSize_ = new QCheckBox(tr("Keep window size"), this);

    auto* playing = new QGroupBox(tr("Playing"), this);
    auto* playingForm = new QFormLayout(playing);
    playingForm->addRow(repeat_);
    playingForm->addRow(sequence_);
    playingForm->addRow(tr("Window size"), sizeMode_);
    playingForm->addRow(keepRatio_);
    playingForm->addRow(keepSize_);

    captions_ = new QCheckBox(tr("Enable Caption"), this);
    color_ = new QPushButton(this);
    color_->setObjectName(QStringLiteral("captionColor"));
    size_ = new QSpinBox(this);
    size_->setRange(kCaptionSizeMin, kCaptionSizeMax);
    size_->setSuffix(tr(" pt"));
    face_ = new QFontComboBox(this);
    style_ = new QLineEdit(this);
    bold_ = new QCheckBox(tr("Bold"), this);
    margin_ = new QSpinBox(this);
    margin_->setRange(kCaptionMarginMin, kCaptionMarginMax);
    margin_->setSuffix(tr(" px"));

    auto* captionBox = new QGroupBox(tr("Captions"), this);
    auto* captionForm = new QFormLayout(captionBox);
    captionForm->addRow(captions_);
    captionForm->addRow(tr("Colour"), color_);
    captionForm->addRow(tr("Size"), size_);
    captionForm->addRow(tr("Font"), face_);
    captionForm->addRow(tr("Style"), style_);
    captionForm->addRow(bold_);
    captionForm->addRow(tr("Margin"), margin_);

    auto* page = new QVBoxLayout(this);
    page->addWidget(playing);
    page->addWidget(captionBox);
    page->addStretch(1);

    connect(color_, &QPushButton::clicked, this, &PlayerPage::ChooseColor);
    // Choosing the very face on show is a choice too.
    connect(face_, &QComboBox::activated, this, [this] { faceChosen_ = true; });
}

QString PlayerPage::title() const
{
    return tr("Player");
}

void PlayerPage::Load(const AppSettings& s, const Profile&)
{
    repeat_->setChecked(s.m_repeat > 0);
    sequence_->setChecked(s.m_sequence != 0);
    sizeMode_->setCurrentIndex(std::clamp(s.m_windowSizeMode, 0, 2));
    keepRatio_->setChecked(s.m_keep > 0);
    keepSize_->setChecked(s.m_keepSize > 0);
    captions_->setChecked(s.m_enableCaption != 0);
    SetCaptionColor(s.m_captionColor);
    size_->setValue(s.m_captionSize);
    // A face the system lacks still shows (and is kept) as written, except
    // the default: that Korean face is missing from most systems, where its
    // name would only show as boxes; the family that draws in its place is
    // shown by its own name instead. Either way the stored value stays until
    // the user picks another face.
    const AppSettings defaults;
    storedFace_ = QString::fromStdString(s.m_captionFaceName);
    shownFace_ = storedFace_;
    if (s.m_captionFaceName == defaults.m_captionFaceName && !QFontDatabase::hasFamily(storedFace_))
        shownFace_ = QFontInfo(QFont()).family();
    face_->setEditable(true);
    face_->setCurrentText(shownFace_);
    faceChosen_ = false;
    // The default style is the Korean word for "regular": shown in the
    // window's language, stored as it was.
    storedStyle_ = QString::fromStdString(s.m_captionStyleName);
    shownStyle_ = s.m_captionStyleName == defaults.m_captionStyleName ? tr("Regular") : storedStyle_;
    style_->setText(shownStyle_);
    bold_->setChecked(s.m_captionBold != 0);
    margin_->setValue(s.m_captionMargin);
}

void PlayerPage::Store(AppSettings& s, Profile&)
{
    s.m_repeat = repeat_->isChecked() ? 1 : 0;
    s.m_sequence = sequence_->isChecked() ? 1 : 0;
    s.m_windowSizeMode = sizeMode_->currentIndex();
    s.m_keep = keepRatio_->isChecked() ? 1 : 0;
    s.m_keepSize = keepSize_->isChecked() ? 1 : 0;
    s.m_enableCaption = captions_->isChecked() ? 1 : 0;
    s.m_captionColor = colorValue_;
    s.m_captionSize = size_->value();
    const QString face = face_->currentText();
    s.m_captionFaceName = (faceChosen_ || face != shownFace_ ? face : storedFace_).toStdString();
    const QString style = style_->text();
    s.m_captionStyleName = (style == shownStyle_ ? storedStyle_ : style).toStdString();
    s.m_captionBold = bold_->isChecked() ? 1 : 0;
    s.m_captionMargin = margin_->value();
}

void PlayerPage::SetCaptionColor(int color)
{
    colorValue_ = color & 0xFFFFFF;
    const QColor c = ToColor(colorValue_);
    color_->setText(c.name().toUpper());
    color_->setStyleSheet(QStringLiteral("background-color: %1; color: %2")
                              .arg(c.name(), c.lightness() > 128 ? QStringLiteral("black") : QStringLiteral("white")));
}

void PlayerPage::ChooseColor()
{
    const QColor c = QColorDialog::getColor(ToColor(colorValue_), this, tr("Caption colour"));
    if (c.isValid())
        SetCaptionColor(FromColor(c));
}

}  // namespace player
