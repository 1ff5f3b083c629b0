#include "ui/play_page.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QVBoxLayout>

namespace {

const char* const kLabels[xdg::kGroupCount] = {
    QT_TRANSLATE_NOOP("PlayPage", "Windows Media files (.asf, .asx, .wmx) and mms:// addresses"),
    QT_TRANSLATE_NOOP("PlayPage", "Windows Media audio (.wma, .wax)"),
    QT_TRANSLATE_NOOP("PlayPage", "Windows Media video (.wmv, .wvx)"),
    QT_TRANSLATE_NOOP("PlayPage", "AVI (.avi)"),
    QT_TRANSLATE_NOOP("PlayPage", "MPEG (.mpg, .mpeg)"),
    QT_TRANSLATE_NOOP("PlayPage", "List files (.kvx, .qsd)"),
};

Qt::CheckState ToCheckState(xdg::BoxState state)
{
    switch (state) {
    case xdg::BoxState::Unchecked: return Qt::Unchecked;
    case xdg::BoxState::Checked: return Qt::Checked;
    case xdg::BoxState::Indeterminate: return Qt::PartiallyChecked;
    }
    return Qt::Unchecked;
}

xdg::BoxState ToBoxState(Qt::CheckState state)
{
    switch (state) {
    case Qt::Unchecked: return xdg::BoxState::Unchecked;
    case Qt::Checked: return xdg::BoxState::Checked;
    case Qt::PartiallyChecked: return xdg::BoxState::Indeterminate;
    }
    return xdg::BoxState::Unchecked;
}

}  // namespace

PlayPage::PlayPage(xdg::XdgDirs dirs, QWidget* parent)
    : PreferencesPage(parent), notInstalled(new QLabel(this)), registration_(std::move(dirs))
{
    auto* group = new QGroupBox(tr("Open with Brimcast"), this);
    auto* groupLayout = new QVBoxLayout(group);
    for (size_t g = 0; g < xdg::kGroupCount; ++g) {
        boxes[g] = new QCheckBox(tr(kLabels[g]), group);
        groupLayout->addWidget(boxes[g]);
        // A click (not a state set by Load) marks the group as changed. The
        // indeterminate state is only ever what Load found: a click turns it
        // to checked, and then the box toggles between checked and not.
        connect(boxes[g], &QCheckBox::clicked, this, [this, g] {
            changed_[g] = true;
            boxes[g]->setTristate(false);
        });
    }
    notInstalled->setWordWrap(true);
    notInstalled->setText(tr("Brimcast's desktop entry is not installed for this user or system, so the "
                             "choices here take effect only once it is (install the package, or run "
                             "cmake --install)."));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(notInstalled);
    layout->addStretch();
}

void PlayPage::Refresh()
{
    const auto states = registration_.BoxStates();
    for (size_t g = 0; g < xdg::kGroupCount; ++g) {
        boxes[g]->setTristate(states[g] == xdg::BoxState::Indeterminate);
        boxes[g]->setCheckState(ToCheckState(states[g]));
    }
    changed_ = {};
    notInstalled->setVisible(!registration_.DesktopEntryInstalled());
}

void PlayPage::Load(const AppSettings&, const Profile&) { Refresh(); }

void PlayPage::Store(AppSettings&, Profile&)
{
    bool any = false;
    std::array<xdg::BoxState, xdg::kGroupCount> states{};
    for (size_t g = 0; g < xdg::kGroupCount; ++g) {
        states[g] = ToBoxState(boxes[g]->checkState());
        any = any || changed_[g];
    }
    if (!any)
        return;
    const xdg::FileRegistration::Result result = registration_.Apply(states, changed_);
    Refresh();
    if (result.ok)
        return;
    QStringList errors;
    for (const std::string& e : result.errors)
        errors << QString::fromStdString(e);
    emit registrationFailed(errors);
    // Not modal: the preferences close on OK, and nothing waits for it.
    auto* box = new QMessageBox(QMessageBox::Warning, tr("File types"),
                                tr("Some file associations could not be saved:\n%1").arg(errors.join('\n')),
                                QMessageBox::Ok, window());
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
