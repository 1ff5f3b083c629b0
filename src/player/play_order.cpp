#include "player/play_order.h"

#include <algorithm>

namespace player {

RowAction ActionFor(const QString& title, bool networkRow)
{
    if (!networkRow)
        return RowAction::Play;
    if (title.contains(QLatin1String("(G)")) || title.contains(QLatin1String("[G]")))
        return RowAction::WebSearch;
    if (title.contains(QLatin1String("(E)")) || title.contains(QLatin1String("[E]")))
        return RowAction::OpenElsewhere;
    return RowAction::Play;
}

QUrl WebSearchUrl(const QString& address)
{
    // The address is one query value: its own "&" and "?" are escaped.
    return QUrl(QStringLiteral("https://www.google.com/search?q=%1&ie=UTF-8&oe=UTF-8&hl=ko&lr=")
                    .arg(QString::fromLatin1(QUrl::toPercentEncoding(address))),
                QUrl::StrictMode);
}

void PlayOrder::Started(int64_t row)
{
    played_ = {row};
}

int64_t PlayOrder::Next(const std::vector<int64_t>& candidates, int64_t current, bool repeat, bool sequential)
{
    if (candidates.empty())
        return -1;
    played_.insert(current);
    if (sequential) {
        const auto it = std::find(candidates.begin(), candidates.end(), current);
        if (it != candidates.end() && it + 1 != candidates.end())
            return *(it + 1);
        return repeat || it == candidates.end() ? candidates.front() : -1;
    }
    std::vector<int64_t> left;
    for (int64_t c : candidates) {
        if (!played_.count(c))
            left.push_back(c);
    }
    if (left.empty()) {
        if (!repeat)
            return -1;
        played_ = {current};
        for (int64_t c : candidates) {
            if (c != current)
                left.push_back(c);
        }
        if (left.empty())
            left.push_back(current);  // a list of one row plays it again
    }
    const int64_t next = left[std::uniform_int_distribution<size_t>(0, left.size() - 1)(random_)];
    played_.insert(next);
    return next;
}

}  // namespace player
