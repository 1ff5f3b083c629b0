#include "ui/preferences_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "base/profile.h"
#include "ui/record_page.h"
#include "ui/setup_page.h"

PreferencesDialog::PreferencesDialog(AppSettings& live, Profile& profile, QWidget* parent)
    : QDialog(parent),
      live_(live),
      profile_(profile),
      tabs_(new QTabWidget(this)),
      buttons_(new QDialogButtonBox(
          QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this)),
      record_(new RecordPage(this)),
      setup_(new SetupPage(profile, this))
{
    setWindowTitle(tr("Preferences"));
    tabs_->setAccessibleName(tr("Preference pages"));
    AddPage(record_);
    AddPage(setup_);
    connect(setup_, &SetupPage::recentFilesDeleted, this, &PreferencesDialog::recentFilesDeleted);
    connect(buttons_, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &PreferencesDialog::reject);
    connect(buttons_->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            &PreferencesDialog::Apply);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons_);
}

void PreferencesDialog::AddPage(PreferencesPage* page)
{
    page->Load(live_, profile_);
    pages_.append(page);
    tabs_->addTab(page, page->title());
    KeepButtonsLast();
}

void PreferencesDialog::KeepButtonsLast()
{
    // A page joins the end of the focus chain, behind OK, Cancel and Apply
    // (which were made before it): Tab should reach the buttons last, as
    // they stand below the pages.
    QList<QWidget*> buttons;
    for (QWidget* w = nextInFocusChain(); w != this; w = w->nextInFocusChain())
        if (w->parentWidget() == buttons_ && w->focusPolicy() != Qt::NoFocus)
            buttons.append(w);
    QWidget* last = previousInFocusChain();
    while (last != this && (last->focusPolicy() == Qt::NoFocus || buttons.contains(last)))
        last = last->previousInFocusChain();
    if (last == this)
        return;
    for (QWidget* button : buttons) {
        setTabOrder(last, button);
        last = button;
    }
}

void PreferencesDialog::Apply()
{
    // Each page writes only its own fields, so values the window changed
    // while the dialog was open (member credentials, menu toggles) stay.
    AppSettings next = live_;
    for (PreferencesPage* page : pages_)
        page->Store(next, profile_);
    // A failure shows when a recording creates its file.
    MakeDirectoryPath(next.m_baseDir);
    live_ = next;
    live_.Save(profile_);
    profile_.Flush();
    emit applied();
}

void PreferencesDialog::accept()
{
    Apply();
    QDialog::accept();
}
