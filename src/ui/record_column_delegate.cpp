#include "ui/record_column_delegate.h"

#include <algorithm>

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>

#include "ui/media_list_model.h"

std::optional<int> RecordColumnDelegate::BarValue(const QModelIndex& index)
{
    if (!index.isValid() || index.column() != kColRecord)
        return std::nullopt;
    const auto state = static_cast<RowState>(index.data(MediaListModel::StateRole).toInt());
    if (state != RowState::Recording || index.data(MediaListModel::DurationRole).toULongLong() == 0)
        return std::nullopt;
    return std::clamp(index.data(MediaListModel::ProgressRole).toInt(), 0, 10000);
}

void RecordColumnDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const
{
    const std::optional<int> value = BarValue(index);
    if (!value) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The row's background and selection first, without the text.
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    item.text.clear();
    QStyle* style = item.widget ? item.widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, item.widget);

    QStyleOptionProgressBar bar;
    if (item.widget)
        bar.initFrom(item.widget);
    bar.palette = option.palette;
    bar.state = (option.state & QStyle::State_Enabled) | QStyle::State_Horizontal;
    bar.rect = option.rect.adjusted(2, 2, -2, -2);
    bar.minimum = 0;
    bar.maximum = 10000;
    bar.progress = *value;
    bar.text = index.data(Qt::DisplayRole).toString();
    bar.textVisible = true;
    bar.textAlignment = Qt::AlignCenter;
    bar.fontMetrics = option.fontMetrics;
    painter->save();
    style->drawControl(QStyle::CE_ProgressBar, &bar, painter, item.widget);
    painter->restore();
}
