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

const char* const MediaView::kAsxDataBankUrl = "https://brimcast.example/databank/asx";
const char* const MediaView::kKvxDataBankUrl = "https://brimcast.example/databank/kvx";

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
