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
    switch (e.kind) {
    case MediaListEvent::Inserted:
        beginInsertRows({}, e.row, e.row);
        endInsertRows();
        break;
    case MediaListEvent::Removed:
        beginRemoveRows({}, e.row, e.row);
        endRemoveRows();
        break;
    case MediaListEvent::CellChanged:
        emit dataChanged(index(e.row, e.column), index(e.row, e.column));
        break;
    case MediaListEvent::RowChanged:
        emit dataChanged(index(e.row, 0), index(e.row, kColumnCount - 1));
        break;
    case MediaListEvent::Reset:
        beginResetModel();
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
