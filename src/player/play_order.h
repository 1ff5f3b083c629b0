#pragma once

#include <QString>
#include <QUrl>
#include <cstdint>
#include <random>
#include <set>
#include <vector>

namespace player {

// What playing a row does. Network rows whose titles carry a marker are
// not played: "(G)" or "[G]" opens a web search for the address, "(E)" or
// "[E]" hands the address to the desktop's handler for it.
enum class RowAction { Play, WebSearch, OpenElsewhere };
RowAction ActionFor(const QString& title, bool networkRow);

// The web search for an address ("/search?q=...&ie=UTF-8&oe=UTF-8&hl=ko&lr=").
QUrl WebSearchUrl(const QString& address);

// Which row plays when one has played to its end. In order ("Sequence"):
// the next row, and after the last the first again when "Repeat" is on.
// Shuffled: a row not yet played in this round, at random; once every row
// has played, a new round when "Repeat" is on. Rows are named by the ids
// the list gives them, so rows added or deleted meanwhile do no harm.
class PlayOrder {
public:
    explicit PlayOrder(uint32_t seed = std::random_device{}()) : random_(seed) {}

    // candidates: the rows that may play, in list order. -1: none.
    int64_t Next(const std::vector<int64_t>& candidates, int64_t current, bool repeat, bool sequential);
    // A row the user started: a new shuffle round begins with it.
    void Started(int64_t row);

private:
    std::mt19937 random_;
    std::set<int64_t> played_;  // this shuffle round
};

}  // namespace player
