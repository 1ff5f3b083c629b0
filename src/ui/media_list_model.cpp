#include "ui/media_list_model.h"

#include <QApplication>
#include <QStyle>

#include "base/app_settings.h"
#include "ui/qt_text.h"

MediaListModel::MediaListModel(MediaList& list, const AppSettings& settings, QObject* parent)
    : QAbstractTableModel(parent),
      list_(list),
      toolTips_(settings.m_toolTip != 0),
      local_(QApplication::style()->standardIcon(QStyle::SP_FileIcon)),
      network_(QApplication::style()->standardIcon(QStyle::SP_DriveNetIcon)),
      recorded_(QApplication::style()->standardIcon(QStyle::SP_DialogSaveButton))
{
    list_.SetListener([this](const MediaListEvent& e) { OnListEvent(e); });
}

MediaListModel::~MediaListModel() { list_.SetListener({}); }

void MediaListModel::OnListEvent(const MediaListEvent& e)
{
    // Rows are named by id; their position comes from the list at the moment
    // of the event (before a removal, after an insertion or a change).
    switch (e.kind) {
    case MediaListEvent::Inserted: {
        const int row = list_.IndexOf(e.id);
        beginInsertRows({}, row, row);
        endInsertRows();
        break;
    }
    case MediaListEvent::AboutToRemove: {
        const int row = list_.IndexOf(e.id);
        beginRemoveRows({}, row, row);
        break;
    }
    case MediaListEvent::Removed:
        endRemoveRows();
        break;
    case MediaListEvent::Changed: {
        const int row = list_.IndexOf(e.id);
        if (e.column >= 0)
            emit dataChanged(index(row, e.column), index(row, e.column));
        else
            emit dataChanged(index(row, 0), index(row, kColumnCount - 1));
        break;
    }
    case MediaListEvent::AboutToReset:
        beginResetModel();
        break;
    case MediaListEvent::Reset:
        endResetModel();
        break;
    }
}

int MediaListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : list_.RowCount();
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

QVariant MediaListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= list_.RowCount())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return Q(list_.Cell(index.row(), index.column()));
    case Qt::ToolTipRole:
        if (!toolTips_)
            return {};
        return Q(list_.Cell(index.row(), index.column()));
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(ColumnAlignment(index.column()));
    case Qt::DecorationRole:
        if (index.column() != kColFile)
            return {};
        switch (list_.Image(index.row())) {
        case kImageLocal:
            return local_;
        case kImageRecorded:
            return recorded_;
        default:
            return network_;
        }
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
