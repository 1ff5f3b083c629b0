#include "ui/media_list_model.h"

#include <cstdint>
#include <string_view>

#include <QApplication>
#include <QStringList>
#include <QStyle>

#include "base/app_settings.h"
#include "base/display_text.h"
#include "base/stream_info.h"
#include "ui/qt_text.h"

namespace {

// The fixed words the core writes into the Record and Size cells, shown in
// the window's language (the list and its files keep them as written).
struct CellWord {
    const char* core;
    const char* source;
};
constexpr CellWord kCellWords[] = {
    {kConnectingText, QT_TRANSLATE_NOOP("MediaListModel", "Connecting")},
    {kHeaderReceivedText, QT_TRANSLATE_NOOP("MediaListModel", "Received Head")},
    {kCheckingText, QT_TRANSLATE_NOOP("MediaListModel", "Checking")},
    {kCheckOkText, QT_TRANSLATE_NOOP("MediaListModel", "Ok")},
    {kCheckErrorText, QT_TRANSLATE_NOOP("MediaListModel", "Error")},
};
constexpr bool SameWords()
{
    for (const CellWord& w : kCellWords) {
        if (std::string_view(w.core) != w.source)
            return false;
    }
    return std::string_view(kSizeErrorText) == "Error";
}
static_assert(SameWords(), "a core word and its translation source differ");

QString ShownCell(const std::string& text)
{
    for (const CellWord& w : kCellWords) {
        if (text == w.core)
            return QCoreApplication::translate("MediaListModel", w.source);
    }
    constexpr std::string_view kReconnecting = "reconnecting (";
    if (text.size() > kReconnecting.size() + 1 && text.compare(0, kReconnecting.size(), kReconnecting) == 0) {
        bool ok = false;
        const uint n =
            Q(text.substr(kReconnecting.size(), text.size() - kReconnecting.size() - 1)).toUInt(&ok);
        if (ok && ReconnectingText(n) == text)
            return QCoreApplication::translate("MediaListModel", "reconnecting (%1)").arg(n);
    }
    return Q(text);
}

}  // namespace

MediaListModel::MediaListModel(MediaList& list, const AppSettings& settings, QObject* parent)
    : QAbstractTableModel(parent),
      list_(list),
      toolTips_(settings.m_toolTip != 0),
      local_(QApplication::style()->standardIcon(QStyle::SP_FileIcon)),
      network_(QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon)),
      recorded_(QApplication::style()->standardIcon(QStyle::SP_DialogSaveButton))
{
    count_ = list_.RowCount();
    list_.SetListener([this](const MediaListEvent& e) { OnListEvent(e); });
}

MediaListModel::~MediaListModel() { list_.SetListener({}); }

void MediaListModel::OnListEvent(const MediaListEvent& e)
{
    switch (e.kind) {
    case MediaListEvent::Inserted: {
        const int row = list_.IndexOf(e.id);
        if (row < 0)
            return;
        // The row is in the list already; views read it only after
        // endInsertRows, so the pair can follow the change.
        // Until endInsertRows the model shows the list as it was.
        inserting_ = row;
        beginInsertRows({}, row, row);
        inserting_ = -1;
        ++count_;
        endInsertRows();
        break;
    }
    case MediaListEvent::Changed: {
        const int row = list_.IndexOf(e.id);
        if (row < 0)
            return;
        const int first = e.column >= 0 ? e.column : 0;
        const int last = e.column >= 0 ? e.column : kColumnCount - 1;
        emit dataChanged(index(row, first), index(row, last));
        break;
    }
    case MediaListEvent::AboutToRemove:
        removing_ = list_.IndexOf(e.id);
        if (removing_ >= 0)
            beginRemoveRows({}, removing_, removing_);
        break;
    case MediaListEvent::Removed:
        if (removing_ >= 0) {
            --count_;
            endRemoveRows();
        }
        removing_ = -1;
        break;
    case MediaListEvent::AboutToReset:
        beginResetModel();
        break;
    case MediaListEvent::Reset:
        count_ = list_.RowCount();
        endResetModel();
        break;
    }
}

void MediaListModel::SetToolTips(bool on)
{
    if (toolTips_ == on)
        return;
    toolTips_ = on;
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1), {Qt::ToolTipRole});
}

int MediaListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : count_;
}

int MediaListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

Qt::Alignment MediaListModel::ColumnAlignment(int column)
{
    if (column >= kColType && column <= kColRecord)
        return Qt::AlignCenter;
    if (column == kColSize)
        return Qt::AlignRight | Qt::AlignVCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QString MediaListModel::RecordText(const MediaItem& item)
{
    switch (item.state) {
    case RowState::Completed:
        return tr("completed");
    case RowState::Cancelled:
        return tr("cancelled");
    case RowState::Incomplete:
        return tr("incomplete");
    default:
        return ShownCell(item.cells[kColRecord]);
    }
}

QString MediaListModel::CheckToolTip(const MediaItem& item)
{
    const StreamInfo& s = item.checked;
    if (s.transport == StreamTransport::None)
        return {};
    QStringList lines;
    lines << tr("Protocol: %1").arg(Q(TransportName(s.transport)));
    if (s.delivery == StreamDelivery::Live)
        lines << tr("Live broadcast");
    else if (s.delivery == StreamDelivery::OnDemand)
        lines << tr("On demand");
    if (s.durationMs > 0)
        lines << tr("Duration: %1").arg(Q(DurationText(s.durationMs)));
    if (s.bitrate > 0)
        lines << tr("Bit rate: %1").arg(Q(BitrateText(s.bitrate)));
    if (!s.title.empty())
        lines << tr("Title: %1").arg(Q(s.title));
    return lines.join(QLatin1Char('\n'));
}

QString MediaListModel::FailureToolTip(const MediaItem& item)
{
    QStringList lines{RecordText(item)};
    for (const FailedAttempt& a : item.attempts) {
        QString line = Q(TransportName(a.transport)) + QStringLiteral(": ") + Q(a.reason);
        if (!a.address.empty() && a.address != item.cells[kColOriginalFile])
            line += QStringLiteral(" (") + Q(a.address) + QLatin1Char(')');
        lines << line;
    }
    return lines.join(QLatin1Char('\n'));
}

qint64 MediaListModel::TimeKey(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (text.isEmpty() || parts.size() > 3)
        return -1;
    qint64 seconds = 0;
    for (const QString& part : parts) {
        bool ok = false;
        const qint64 v = part.toLongLong(&ok);
        if (!ok || v < 0)
            return -1;
        seconds = seconds * 60 + v;
    }
    return seconds;
}

qint64 MediaListModel::SizeKey(const QString& text)
{
    if (text.size() < 2)
        return -1;
    int shift = 0;
    switch (text.back().toUpper().unicode()) {
    case 'B':
        break;
    case 'K':
        shift = 10;
        break;
    case 'M':
        shift = 20;
        break;
    case 'G':
        shift = 30;
        break;
    default:
        return -1;
    }
    bool ok = false;
    const qint64 v = text.chopped(1).toLongLong(&ok);
    if (!ok || v < 0 || v > (INT64_MAX >> 30))
        return -1;
    return v << shift;
}

QVariant MediaListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() < 0 || index.column() >= kColumnCount)
        return {};
    int row = index.row();
    if (inserting_ >= 0 && row >= inserting_)
        ++row;
    const MediaItem* item = list_.Find(list_.IdAt(row));
    if (!item)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        if (index.column() == kColRecord)
            return RecordText(*item);
        if (index.column() == kColSize)
            return ShownCell(item->cells[kColSize]);
        return Q(item->cells[static_cast<size_t>(index.column())]);
    case Qt::ToolTipRole:
        if (!toolTips_)
            return {};
        // Rows of the same title (many streams are called "index" or
        // "live") are told apart by their address.
        if (index.column() == kColFile && !item->cells[kColOriginalFile].empty())
            return Q(item->cells[kColFile]) + QLatin1Char('\n') + Q(item->cells[kColOriginalFile]);
        if ((index.column() == kColRecord || index.column() == kColInfo) &&
            item->checked.transport != StreamTransport::None)
            return CheckToolTip(*item);
        if (index.column() == kColRecord && !item->attempts.empty())
            return FailureToolTip(*item);
        if (index.column() == kColRecord)
            return RecordText(*item);
        return Q(item->cells[static_cast<size_t>(index.column())]);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ColumnAlignment(index.column()));
    case Qt::DecorationRole:
        if (index.column() != kColFile)
            return {};
        switch (item->image) {
        case kImageLocal:
            return local_;
        case kImageRecorded:
            return recorded_;
        default:
            return network_;
        }
    case Qt::AccessibleDescriptionRole:
        // What the row's picture says to those who cannot see it.
        if (index.column() != kColFile)
            return {};
        switch (item->image) {
        case kImageLocal:
            return tr("Local file");
        case kImageRecorded:
            return tr("Network address, recorded");
        default:
            return tr("Network address");
        }
    case SortRole:
        if (index.column() == kColTime)
            return TimeKey(Q(item->cells[kColTime]));
        if (index.column() == kColSize)
            return SizeKey(Q(item->cells[kColSize]));
        if (index.column() == kColRecord)
            return RecordText(*item);
        return Q(item->cells[static_cast<size_t>(index.column())]);
    case RowIdRole:
        return QVariant::fromValue<qulonglong>(item->id);
    case StateRole:
        return static_cast<int>(item->state);
    case ProgressRole:
        return static_cast<int>(item->progress);
    case DurationRole:
        return QVariant::fromValue<qulonglong>(item->durationMs);
    default:
        return {};
    }
}

QVariant MediaListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return {};
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(ColumnAlignment(section));
    if (role != Qt::DisplayRole)
        return {};
    static const char* const kHeaders[kColumnCount] = {
        QT_TR_NOOP("File"),          QT_TR_NOOP("Type"),           QT_TR_NOOP("Time"),
        QT_TR_NOOP("Play"),          QT_TR_NOOP("Record"),         QT_TR_NOOP("Size"),
        QT_TR_NOOP("Original File"), QT_TR_NOOP("Recording File"), QT_TR_NOOP("Info"),
        QT_TR_NOOP("ns")};
    return tr(kHeaders[section]);
}
