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

const char* const MediaView::kAsxDataBankUrl = "https://brimcast.example/databank/asx";
const char* const MediaView::kKvxDataBankUrl = "https://brimcast.example/databank/kvx";

namespace {

constexpr char kPathSection[] = "Path";
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

MediaView::MediaView(AppSettings& settings, Profile& profile, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      profile_(profile),
      prompts_(new QtUserPrompts(this)),
      list_(std::make_unique<MediaList>(settings, prompts_)),
      model_(nullptr),
      sorter_(new QSortFilterProxyModel(this)),
      table_(new QTableView(this)),
      controls_(new QHBoxLayout),
      recentFiles_(RecentList::RecentFiles(profile)),
      urlHistory_(RecentList::UrlHistory(profile)),
      recentMenu_(new QMenu(tr("Recent &Files"), this)),
      popup_(new QMenu(this)),
      poster_(new QtTaskPoster(this))
{
    model_ = new MediaListModel(*list_, settings_, this);
    sorter_->setSourceModel(model_);
    sorter_->setSortRole(MediaListModel::SortRole);
    sorter_->setSortCaseSensitivity(Qt::CaseInsensitive);
    sorter_->setSortLocaleAware(true);
    table_->setModel(sorter_);
    table_->setObjectName(QStringLiteral("mediaList"));
    table_->setAccessibleName(tr("Media list"));
    // Addresses of one server differ at their ends.
    table_->setTextElideMode(Qt::ElideMiddle);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setShowGrid(false);
    table_->setWordWrap(false);
    table_->setAlternatingRowColors(true);
    table_->setContextMenuPolicy(Qt::CustomContextMenu);
    table_->setDragDropMode(QAbstractItemView::NoDragDrop);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    table_->horizontalHeader()->setHighlightSections(false);
    table_->horizontalHeader()->setStretchLastSection(false);
    table_->horizontalHeader()->setSectionsMovable(true);
    // Ascending, descending, then the list's own order again.
    table_->horizontalHeader()->setSortIndicatorClearable(true);
    table_->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    table_->setSortingEnabled(true);
    table_->setItemDelegateForColumn(kColRecord, new RecordColumnDelegate(table_));
    table_->setColumnHidden(kColInfo, true);
    table_->setColumnHidden(kColNs, true);
    // The Info column shows once the URL check has described a row there.
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                if (!table_->isColumnHidden(kColInfo))
                    return;
                for (int row = topLeft.row(); row <= bottomRight.row(); ++row) {
                    const MediaItem* item = list_->Find(model_->IdAt(row));
                    if (item && !item->checkInfoText.empty()) {
                        RevealInfoColumn();
                        return;
                    }
                }
            });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(controls_);
    layout->addWidget(table_, 1);
    setFocusProxy(table_);

    list_->SetCredentialProbe(
        [this](const std::string& address, const std::string& user, const std::string& password) {
            StartCredentialProbe(address, user, password);
        });

    CreateActions();
    connect(table_, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { PlayRow(ListRow(index)); });
    connect(table_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex index = table_->indexAt(pos);
        if (index.isValid())
            SelectRow(ListRow(index));
        UpdateActions();
        popup_->popup(table_->viewport()->mapToGlobal(pos));
    });
    // A click makes the row current before it selects it: the commands
    // follow the selection as well as the current row.
    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &MediaView::UpdateActions);
    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MediaView::UpdateActions);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &MediaView::UpdateActions);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &MediaView::UpdateActions);
    connect(model_, &QAbstractItemModel::modelReset, this, &MediaView::UpdateActions);
    RestoreColumnOrderAndSort(*table_->horizontalHeader(), profile_);
    UpdateActions();
}

MediaView::~MediaView()
{
    StopWork();
    // The model listens to the list: it goes first.
    delete model_;
    model_ = nullptr;
}

void MediaView::CreateActions()
{
    auto make = [this](const QString& text, void (MediaView::*slot)()) {
        auto* a = new QAction(text, this);
        connect(a, &QAction::triggered, this, slot);
        return a;
    };
    Actions& a = actions_;
    a.newList = make(tr("New"), &MediaView::New);
    a.newList->setShortcut(QKeySequence::New);
    a.open = new QAction(tr("&Open..."), this);
    a.open->setShortcut(QKeySequence::Open);
    connect(a.open, &QAction::triggered, this, [this] { Open(false); });
    a.openAs = new QAction(tr("Open As(&A)..."), this);
    connect(a.openAs, &QAction::triggered, this, [this] { Open(true); });
    a.urlOpen = make(tr("&URL Open..."), &MediaView::UrlOpen);
    a.urlOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    a.deleteRow = make(tr("Delete"), &MediaView::DeleteSelected);
    a.deleteRow->setShortcut(QKeySequence::Delete);
    a.modifyUrl = make(tr("Modify URL "), &MediaView::ModifyUrl);
    a.modifyFileName = make(tr("Modify File Name..."), &MediaView::ModifyFileName);
    a.info = make(tr("Info"), &MediaView::EditInfo);
    a.setAuthentication = make(tr("Set Authentication..."), &MediaView::SetAuthentication);
    a.copyClipboard = make(tr("Copy ClipBoard(&C)"), &MediaView::CopyClipboard);
    a.copyClipboard->setShortcut(QKeySequence::Copy);
    a.asxSave = new QAction(tr("ASX Save(&S)"), this);
    a.asxSave->setShortcut(QKeySequence::Save);
    connect(a.asxSave, &QAction::triggered, this, [this] { AsxSave(false); });
    // (&A) is Open As in the same menus.
    a.asxSaveAs = new QAction(tr("ASX Save As(&V)..."), this);
    connect(a.asxSaveAs, &QAction::triggered, this, [this] { AsxSave(true); });
    a.saveOnlyUrl = new QAction(tr("Only URL..."), this);
    connect(a.saveOnlyUrl, &QAction::triggered, this,
            [this] { SaveListFile(static_cast<int>(KvxWriteMode::OnlyUrl)); });
    a.saveOnlyFile = new QAction(tr("Only File..."), this);
    connect(a.saveOnlyFile, &QAction::triggered, this,
            [this] { SaveListFile(static_cast<int>(KvxWriteMode::OnlyFile)); });
    a.saveAll = new QAction(tr("All..."), this);
    connect(a.saveAll, &QAction::triggered, this,
            [this] { SaveListFile(static_cast<int>(KvxWriteMode::All)); });
    a.asxDataBank = new QAction(tr("ASX DataBank Open"), this);
    connect(a.asxDataBank, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kAsxDataBankUrl))); });
    a.kvxDataBank = new QAction(tr("KVX DataBank Open"), this);
    connect(a.kvxDataBank, &QAction::triggered, this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kKvxDataBankUrl))); });
    a.play = new QAction(tr("Play"), this);
    // Enter plays the selected row while the list has the focus; elsewhere
    // it stays the key of whatever has the focus.
    a.play->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    a.play->setShortcutContext(Qt::WidgetShortcut);
    connect(a.play, &QAction::triggered, this, [this] { PlayRow(SelectedRow()); });

    // The list's own keys work while it has the focus, whatever the menus say.
    for (QAction* action : {a.deleteRow, a.copyClipboard, a.play})
        table_->addAction(action);

    popup_->addAction(a.play);
    popup_->addSeparator();
    popup_->addAction(a.urlOpen);
    popup_->addAction(a.openAs);
    popup_->addSeparator();
    popup_->addAction(a.deleteRow);
    popup_->addAction(a.modifyUrl);
    popup_->addAction(a.modifyFileName);
    popup_->addAction(a.info);
    popup_->addSeparator();
    popup_->addAction(a.copyClipboard);
    popup_->addAction(a.asxSave);
    popup_->addAction(a.asxSaveAs);
    popup_->addSeparator();
    popup_->addAction(a.setAuthentication);

    RebuildRecentMenu();
}

void MediaView::UpdateActions()
{
    const bool selected = SelectedRow() >= 0;
    const bool any = list_->RowCount() > 0;
    for (QAction* a : {actions_.deleteRow, actions_.modifyUrl, actions_.modifyFileName,
                       actions_.copyClipboard, actions_.asxSave, actions_.asxSaveAs,
                       actions_.play})
        a->setEnabled(selected);
    for (QAction* a : {actions_.saveOnlyUrl, actions_.saveOnlyFile, actions_.saveAll})
        a->setEnabled(any);
}

// --- Rows ---

int MediaView::OpenEntry(const QString& path, const QString& title, const QString& sizeSwitch)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int row = list_->OpenEntry(S(path), S(title), S(sizeSwitch));
    QApplication::restoreOverrideCursor();
    return row;
}

QModelIndex MediaView::ViewIndex(int row, int column) const
{
    if (row < 0 || row >= model_->rowCount())
        return {};
    return sorter_->mapFromSource(model_->index(row, column));
}

int MediaView::ListRow(const QModelIndex& viewIndex) const
{
    if (!viewIndex.isValid())
        return -1;
    return sorter_->mapToSource(viewIndex).row();
}

int MediaView::SelectedRow() const
{
    const QModelIndex current = table_->selectionModel()->currentIndex();
    if (!current.isValid() || !table_->selectionModel()->isRowSelected(current.row(), {}))
        return -1;
    return ListRow(current);
}

void MediaView::SelectRow(int row)
{
    const QModelIndex index = ViewIndex(row);
    if (!index.isValid())
        return;
    table_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table_->scrollTo(index);
}

void MediaView::PlayRow(int row)
{
    if (row < 0 || row >= list_->RowCount())
        return;
    emit playRequested(row);
}

void MediaView::RecordRow(int row)
{
    // Busy rows fill every recording slot (with one slot: any row is busy).
    if (row < 0 || row >= list_->RowCount() ||
        list_->BusyRowCount() >= std::max(1, settings_.m_parallelRecordings))
        return;
    emit recordRequested(row);
}

bool MediaView::AnyRowBusy() const { return list_->BusyRowCount() > 0; }

int MediaView::playingRow() const { return playingId_ == 0 ? -1 : list_->IndexOf(playingId_); }

void MediaView::SetPlayingRow(int row) { playingId_ = row < 0 ? 0 : list_->IdAt(row); }

TaskPoster& MediaView::taskPoster() { return *poster_; }

// --- Commands ---

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
                       Q(profile_.GetString(kPathSection, "video", "")), OpenFilter());
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
    profile_.WriteString(kPathSection, "video", S(folder));
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
    const QString last = Q(profile_.GetString(kPathSection, "kvx", ""));
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
        profile_.WriteString(kPathSection, "kvx", S(path));
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

// --- Recent files ---

void MediaView::AddRecentFile(const QString& path)
{
    recentFiles_.Add(QFileInfo(path).absoluteFilePath());
    RebuildRecentMenu();
}

void MediaView::ReloadRecent()
{
    recentFiles_.Reload();
    urlHistory_.Reload();
    RebuildRecentMenu();
}

void MediaView::RebuildRecentMenu()
{
    recentMenu_->clear();
    const QStringList files = recentFiles_.Items();
    for (qsizetype i = 0; i < files.size(); ++i) {
        const QString label = QStringLiteral("&%1 %2").arg(i < 9 ? QString::number(i + 1) : QString(),
                                                           QDir::toNativeSeparators(files[i]));
        QAction* a = recentMenu_->addAction(label);
        a->setData(files[i]);
        connect(a, &QAction::triggered, this, [this, path = files[i]] { OpenRecent(path); });
    }
    recentMenu_->setEnabled(!files.isEmpty());
}

void MediaView::OpenRecent(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        recentFiles_.Remove(path);
        RebuildRecentMenu();
        QMessageBox::information(this, QCoreApplication::applicationName(),
                                 tr("%1 no longer exists.").arg(path));
        return;
    }
    const int row = OpenEntry(path, QString(), QString());
    AddRecentFile(path);
    if (row >= 0)
        SelectRow(row);
}

// --- Automatic list file ---

QString MediaView::AutoListPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Brimcast/brimcast.kvx");
}

void MediaView::LoadAutoList()
{
    if (!settings_.m_savePlayList)
        return;
    const QString path = AutoListPath();
    if (QFileInfo(path).isFile())
        list_->ReadKvxFile(S(path));
}

void MediaView::SaveAutoList()
{
    const QString path = AutoListPath();
    if (!settings_.m_savePlayList) {
        QFile::remove(path);
        return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    list_->WriteKvxFile(S(path), KvxWriteMode::All);
}

void MediaView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (widthsSet_)
        return;
    widthsSet_ = true;
    if (RestoreColumnWidths(*table_, profile_))
        return;
    // Otherwise the columns take their share of the list's width.
    // Shares of the width beside the vertical scroll bar, which a full list
    // shows.
    const int width = table_->viewport()->width() -
                      (table_->verticalScrollBar()->isVisible()
                           ? 0
                           : style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    for (int c = 0; c < kColumnCount; ++c)
        if (MediaListModel::kWidthPercent[c] > 0)
            table_->setColumnWidth(c, width * MediaListModel::kWidthPercent[c] / 100);
}

void MediaView::RevealInfoColumn()
{
    table_->setColumnHidden(kColInfo, false);
    table_->setColumnWidth(kColInfo, std::max(table_->viewport()->width() * 40 / 100, 120));
}

void MediaView::SettingsChanged() { model_->SetToolTips(settings_.m_toolTip != 0); }

// --- Column layout ---

void MediaView::SaveLayout()
{
    // Before the list was ever shown its widths are not the user's.
    if (widthsSet_)
        SaveColumnLayout(*table_->horizontalHeader(), profile_);
}
