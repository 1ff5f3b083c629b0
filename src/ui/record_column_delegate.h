#pragma once

#include <optional>

#include <QStyledItemDelegate>

// Paints the "Record" column: a row that is recording a stream of known
// duration shows a progress bar with the cell's text (time and percent) on
// it; every other cell is painted as usual.
class RecordColumnDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // The bar's value in hundredths of a percent (0..10000), or nothing
    // when the cell shows no bar.
    static std::optional<int> BarValue(const QModelIndex& index);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
