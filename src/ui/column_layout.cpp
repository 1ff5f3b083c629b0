#include "ui/column_layout.h"

#include <algorithm>

#include <QHeaderView>
#include <QList>
#include <QStringList>
#include <QTableView>

#include "base/profile.h"
#include "base/setting_keys.h"
#include "ui/qt_text.h"

namespace {

using namespace setting_keys;
constexpr int kMaxWidth = 4000;

QList<int> IntList(const std::string& text)
{
    QList<int> out;
    for (const QString& part : Q(text).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int v = part.trimmed().toInt(&ok);
        if (!ok)
            return {};
        out.append(v);
    }
    return out;
}

std::string IntText(const QList<int>& values)
{
    QStringList parts;
    for (int v : values)
        parts.append(QString::number(v));
    return S(parts.join(QLatin1Char(',')));
}

}  // namespace

void SaveColumnLayout(const QHeaderView& header, Profile& profile)
{
    QList<int> widths, order;
    for (int c = 0; c < header.count(); ++c) {
        widths.append(header.isSectionHidden(c) ? 0 : header.sectionSize(c));
        order.append(header.logicalIndex(c));
    }
    WriteSetting(profile, kColumnWidths, IntText(widths));
    WriteSetting(profile, kColumnOrder, IntText(order));
    const int column = header.isSortIndicatorShown() ? header.sortIndicatorSection() : -1;
    WriteSetting(profile, kSortColumn, column >= 0 && column < header.count() ? column : -1);
    WriteSetting(profile, kSortOrder, header.sortIndicatorOrder() == Qt::DescendingOrder ? 1 : 0);
}

void RestoreColumnOrderAndSort(QHeaderView& header, const Profile& profile)
{
    const int count = header.count();
    const QList<int> order = IntList(ReadSetting(profile, kColumnOrder));
    QList<int> sorted = order;
    std::sort(sorted.begin(), sorted.end());
    bool complete = sorted.size() == count;
    for (int c = 0; complete && c < count; ++c)
        complete = sorted[c] == c;
    if (complete) {
        for (int visual = 0; visual < count; ++visual)
            header.moveSection(header.visualIndex(order[visual]), visual);
    }
    const int column = ReadSetting(profile, kSortColumn);
    if (column >= 0 && column < count)
        header.setSortIndicator(column, ReadSetting(profile, kSortOrder) == 1
                                            ? Qt::DescendingOrder
                                            : Qt::AscendingOrder);
}

bool RestoreColumnWidths(QTableView& table, const Profile& profile)
{
    const QList<int> widths = IntList(ReadSetting(profile, kColumnWidths));
    const QHeaderView& header = *table.horizontalHeader();
    if (widths.size() != header.count())
        return false;
    for (int c = 0; c < header.count(); ++c) {
        // A hidden column gets its width when it shows.
        if (!table.isColumnHidden(c) && widths[c] > 0)
            table.setColumnWidth(c, std::clamp(widths[c], header.minimumSectionSize(), kMaxWidth));
    }
    return true;
}
