#pragma once

#include <QAbstractTableModel>
#include <QIcon>

#include "medialist/media_list.h"

struct AppSettings;

// The media list as a Qt table: the ten columns of the list (Info and ns
// are hidden by the view), their alignments, the row images (local file,
// network address, recorded) and, when enabled, tool tips with the whole
// cell text. Rows are followed by id: the list's events name the row, and
// the model turns each into the matching insert, change, removal or reset
// while the list delivers it (both live on the main thread).
class MediaListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Role {
        RowIdRole = Qt::UserRole + 1,  // the row's stable id (qulonglong)
        StateRole,                     // RowState as an int
        ProgressRole,                  // recording progress, hundredths of a percent
        DurationRole,                  // the stream's duration in ms (0: unknown or live)
        SortRole,                      // what a click on a header sorts by (numbers for Time and Size)
    };

    MediaListModel(MediaList& list, const AppSettings& settings, QObject* parent = nullptr);
    ~MediaListModel() override;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void SetToolTips(bool on);
    uint64_t IdAt(int row) const { return list_.IdAt(row); }
    int RowOf(uint64_t id) const { return list_.IndexOf(id); }

    // What the "Record" column shows for a row: the completed, cancelled
    // and incomplete words in the window's language, otherwise the cell.
    static QString RecordText(const MediaItem& item);
    // The tool tip of the "Record" and "Info" cells of a row the URL check
    // reached: what answered and what its stream is, one fact a line; empty
    // for other rows.
    static QString CheckToolTip(const MediaItem& item);
    // The tool tip of the "Record" cell of a row whose recording or check
    // failed: the message, then each transport tried and why it failed, a
    // line each (the address tried beside it when it is not the row's).
    static QString FailureToolTip(const MediaItem& item);

    // The sort key of a Time ("1:02:03") or Size ("12M", "340K", "15B")
    // text: seconds or bytes; -1 for anything else (empty, "Error").
    static qint64 TimeKey(const QString& text);
    static qint64 SizeKey(const QString& text);

    // Column widths, in percent of the list's width (Info and ns hidden).
    static constexpr int kWidthPercent[kColumnCount] = {30, 12, 13, 13, 19, 13, 50, 50, 0, 0};
    static Qt::Alignment ColumnAlignment(int column);

private:
    void OnListEvent(const MediaListEvent& event);

    MediaList& list_;
    bool toolTips_;
    int removing_ = -1;  // the row between AboutToRemove and Removed
    // The row count the model reports: the list's, except between the
    // begin and end of an insertion, where Qt's model rules want the old
    // count (the list reports an insertion after making it).
    int count_ = 0;
    int inserting_ = -1;  // the list's new row while its insertion is announced
    QIcon local_;
    QIcon network_;
    QIcon recorded_;
};
