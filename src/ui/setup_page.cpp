#include "ui/setup_page.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/app_settings.h"
#include "base/profile.h"

SetupPage::SetupPage(Profile& profile, QWidget* parent)
    : PreferencesPage(parent),
      multipleInstances(new QCheckBox(tr("Allow miltiple instances"), this)),
      savePlayList(new QCheckBox(tr("Save Play list."), this)),
      saveFullPos(new QCheckBox(tr("Save Position( big Screen mode )"), this)),
      toolTip(new QCheckBox(tr("ToolTip"), this)),
      deleteRecent(new QPushButton(tr("&Delete recent files"), this)),
      profile_(profile)
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(multipleInstances);
    layout->addWidget(savePlayList);
    layout->addWidget(saveFullPos);
    layout->addWidget(toolTip);
    layout->addSpacing(12);
    layout->addWidget(deleteRecent, 0, Qt::AlignLeft);
    layout->addStretch();

    connect(deleteRecent, &QPushButton::clicked, this, [this] {
        const auto answer = QMessageBox::question(
            this, tr("Delete recent files"),
            tr("Are you sure you want to delete all recent file(url) list?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
        if (answer != QMessageBox::Yes)
            return;
        DeleteRecentFiles(profile_);
        profile_.Flush();
        emit recentFilesDeleted();
    });
}

void SetupPage::Load(const AppSettings& s, const Profile&)
{
    multipleInstances->setChecked(s.m_allowMultipleInstances != 0);
    savePlayList->setChecked(s.m_savePlayList != 0);
    saveFullPos->setChecked(s.m_saveFullPos != 0);
    toolTip->setChecked(s.m_toolTip != 0);
}

void SetupPage::Store(AppSettings& s, Profile&)
{
    s.m_allowMultipleInstances = multipleInstances->isChecked() ? 1 : 0;
    s.m_savePlayList = savePlayList->isChecked() ? 1 : 0;
    s.m_saveFullPos = saveFullPos->isChecked() ? 1 : 0;
    s.m_toolTip = toolTip->isChecked() ? 1 : 0;
}
