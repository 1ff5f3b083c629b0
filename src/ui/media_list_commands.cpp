#include "ui/media_view.h"

#include <algorithm>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <QVBoxLayout>

#include "base/app_settings.h"
#include "base/profile.h"
#include "base/setting_keys.h"
#include "formats/asx_writer.h"
#include "medialist/media_list.h"
#include "protocols/http/credential_probe.h"
#include "ui/column_layout.h"
#include "ui/credential_dialog.h"
#include "ui/media_list_model.h"
#include "ui/qt_task_poster.h"
#include "ui/qt_text.h"
#include "ui/qt_user_prompts.h"
#include "ui/record_column_delegate.h"
#include "ui/url_open_dialog.h"

// The list commands of the media view: the File and Edit menus' work on
// the list, and the credential probe behind Set Authentication.

namespace {

constexpr int kMaxListInfo = 100;  // the list file's header keeps 100 characters

QString OpenFilter()
{
    return QCoreApplication::translate(
        "MediaView",
        "Media and lists (*.asx *.wax *.wvx *.wmx *.asf *.wma *.wmv *.mp3 *.mpg *.mpeg *.avi "
        "*.kvx *.qsd);;Playlists (*.asx *.wax *.wvx *.wmx);;List files (*.kvx *.qsd);;"
        "All files (*)");
}

}  // namespace

void MediaView::New()
{
    if (list_->RowCount() > 0 &&
        QMessageBox::question(this, QCoreApplication::applicationName(),
                              tr("Clear the list?\n\nRows that record or play stay."),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
        return;
    list_->New(playingRow());
}

void MediaView::Open(bool keepList)
{
    QFileDialog dialog(this, keepList ? tr("Open As") : tr("Open"),
                       Q(ReadSetting(profile_, setting_keys::kLastMediaFolder)), OpenFilter());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setDefaultSuffix(QStringLiteral("asx"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList files = dialog.selectedFiles();
    if (!keepList) {
        emit stopRequested();
        std::vector<int> all(static_cast<size_t>(list_->RowCount()));
        for (size_t i = 0; i < all.size(); ++i)
            all[i] = static_cast<int>(i);
        list_->DeleteRows(all, playingRow());
    }
    int first = -1;
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile())
            continue;
        const int row = OpenEntry(file, QString(), QString());
        if (first < 0 && row >= 0)
            first = row;
        AddRecentFile(file);
    }
    const QString folder = files.isEmpty() ? dialog.directory().absolutePath()
                                           : QFileInfo(files.first()).absolutePath();
    WriteSetting(profile_, setting_keys::kLastMediaFolder, S(folder));
    profile_.Flush();
    if (first >= 0) {
        SelectRow(first);
        PlayRow(first);
    }
}

void MediaView::UrlOpen()
{
    UrlOpenDialog dialog(urlHistory_.Items(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QStringList addresses = dialog.addresses();
    int first = -1;
    for (qsizetype i = 0; i < addresses.size(); ++i) {
        // One blank as the size switch: no file size is looked up.
        const int row = OpenEntry(addresses[i], QString(), QStringLiteral(" "));
        if (i == 0)
            first = row;
    }
    for (auto it = addresses.crbegin(); it != addresses.crend(); ++it)
        urlHistory_.Add(*it);
    if (first < 0)
        return;
    SelectRow(first);
    if (dialog.choice() == UrlOpenDialog::Play)
        PlayRow(first);
    else if (dialog.choice() == UrlOpenDialog::Record)
        RecordRow(first);
}

void MediaView::DeleteSelected()
{
    const uint64_t id = list_->IdAt(SelectedRow());
    if (id == 0)
        return;
    if (QMessageBox::question(this, QCoreApplication::applicationName(),
                              tr("Are you sure you want to delete this item ?"),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) != QMessageBox::Yes)
        return;
    // Rows may have come and gone while the question was open.
    const int row = list_->IndexOf(id);
    if (row < 0)
        return;
    list_->DeleteRows({row}, playingRow());
    // Keep a row selected so that Delete can be pressed again.
    SelectRow(std::min(row, list_->RowCount() - 1));
}

void MediaView::ModifyUrl()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const uint64_t id = list_->IdAt(row);
    bool ok = false;
    const QString text = QInputDialog::getText(this, tr("Modify URL"), tr("URL:"), QLineEdit::Normal,
                                               Q(list_->Cell(row, kColOriginalFile)), &ok);
    const int now = list_->IndexOf(id);
    if (ok && now >= 0 && !text.trimmed().isEmpty())
        list_->SetCell(now, kColOriginalFile, S(text.trimmed()));
}

void MediaView::ModifyFileName()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const uint64_t id = list_->IdAt(row);
    bool ok = false;
    const QString text = QInputDialog::getText(this, tr("Modify File Name"), tr("File name:"),
                                               QLineEdit::Normal, Q(list_->Cell(row, kColFile)), &ok);
    const int now = list_->IndexOf(id);
    if (ok && now >= 0)
        list_->SetCell(now, kColFile, S(text));
}

void MediaView::EditInfo()
{
    // The entry's information (the hidden Info column) and the list-wide
    // information that list files keep in their header.
    const int row = SelectedRow();
    const uint64_t id = list_->IdAt(row);
    QDialog dialog(this);
    dialog.setWindowTitle(tr("Info"));
    auto* entry = new QLineEdit(&dialog);
    entry->setObjectName(QStringLiteral("entryInfo"));
    auto* listInfo = new QLineEdit(Q(list_->InfoText()), &dialog);
    listInfo->setObjectName(QStringLiteral("listInfo"));
    listInfo->setMaxLength(kMaxListInfo);
    auto* form = new QFormLayout;
    if (row >= 0) {
        entry->setText(Q(list_->Cell(row, kColInfo)));
        form->addRow(tr("Entry:"), entry);
    } else {
        entry->hide();
    }
    form->addRow(tr("List:"), listInfo);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(buttons);
    dialog.resize(420, dialog.sizeHint().height());
    if (dialog.exec() != QDialog::Accepted)
        return;
    const int now = list_->IndexOf(id);
    if (now >= 0)
        list_->SetCell(now, kColInfo, S(entry->text()));
    list_->SetInfoText(S(listInfo->text()));
}

void MediaView::SetAuthentication()
{
    const QString site = tr("Set user");
    CredentialDialog dialog(site, Q(settings_.m_memberUser), Q(settings_.m_memberPassword), this);
    dialog.setWindowTitle(site);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // Credentials typed here name no server: they go to none unasked.
    if (S(dialog.user()) != settings_.m_memberUser || S(dialog.password()) != settings_.m_memberPassword)
        settings_.m_memberAddress.clear();
    settings_.m_memberUser = S(dialog.user());
    settings_.m_memberPassword = S(dialog.password());
    if (dialog.save()) {
        WriteStoredCredentials(profile_, S(site), settings_.m_memberUser,
                               settings_.m_memberPassword);
        profile_.Flush();
    }
}

void MediaView::CopyClipboard()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    QGuiApplication::clipboard()->setText(Q(list_->Cell(row, kColOriginalFile)));
}

void MediaView::AsxSave(bool saveAs)
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const std::string title = list_->Cell(row, kColFile);
    const std::string address = list_->Cell(row, kColOriginalFile);
    MakeDirectoryPath(AsxSaveFolder(settings_));
    const AsxWriteResult result = saveAs ? ::AsxSaveAs(settings_, title, address, prompts_)
                                         : ::AsxSave(settings_, title, address, prompts_);
    if (result == AsxWriteResult::Failed)
        QMessageBox::warning(this, QCoreApplication::applicationName(),
                             tr("The playlist could not be written."));
}

void MediaView::SaveListFile(int mode)
{
    if (list_->RowCount() == 0)
        return;
    const QString last = Q(ReadSetting(profile_, setting_keys::kLastKvxFile));
    QFileDialog dialog(this, tr("Save List"), last, tr("KVX Files (*.kvx)"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("kvx"));
    if (!last.isEmpty())
        dialog.selectFile(last);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    const QString path = dialog.selectedFiles().first();
    switch (list_->WriteKvxFile(S(path), static_cast<KvxWriteMode>(mode))) {
    case KvxWriteResult::Written:
        WriteSetting(profile_, setting_keys::kLastKvxFile, S(path));
        profile_.Flush();
        AddRecentFile(path);
        break;
    case KvxWriteResult::Cancelled:
        break;
    case KvxWriteResult::Failed:
        QMessageBox::warning(this, QCoreApplication::applicationName(),
                             tr("%1 could not be written.").arg(path));
        break;
    }
}

// --- Credential probe ---

void MediaView::StartCredentialProbe(const std::string& address, const std::string& user,
                                     const std::string& password)
{
    if (address.empty() || probeRunning_)
        return;
    if (probeThread_.joinable())
        probeThread_.join();
    probeStop_.Reset();
    probeRunning_ = true;
    probeThread_ = std::thread([this, address, user, password] {
        const std::optional<ProbedCredentials> let =
            ProbeCredentials(address, user, password, profile_, *prompts_, probeStop_);
        if (let && !probeStop_.Cancelled()) {
            // The settings belong to the main thread.
            poster_->Post([this, accepted = *let, address] {
                settings_.m_memberUser = accepted.user;
                settings_.m_memberPassword = accepted.password;
                settings_.m_memberAddress = address;
            });
        }
        probeRunning_ = false;
    });
}

void MediaView::StopWork()
{
    probeStop_.Cancel();
    if (probeThread_.joinable())
        probeThread_.join();
}

