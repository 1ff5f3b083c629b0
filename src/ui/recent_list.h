#pragma once

#include <string>

#include <QStringList>

class Profile;

// A most-recent-first list of texts kept in one profile section under
// numbered keys: the address history of URL Open ("RecentUrl\Url",
// "item0".."item29") and the recent files ("FileMRUList\url",
// "File0".."File19"). Reading stops at the first empty key.
class RecentList {
public:
    RecentList(Profile& profile, std::string section, const char* keyPrefix, int maxCount);

    QStringList Items() const { return items_; }
    // Puts the text first (moving it when present) and writes the section.
    void Add(const QString& text);
    void Remove(const QString& text);
    // Reads the section again (after "Delete recent files").
    void Reload();

    static RecentList UrlHistory(Profile& profile);
    static RecentList RecentFiles(Profile& profile);

    static constexpr int kMaxUrls = 30;
    static constexpr int kMaxFiles = 20;

private:
    void Write();

    Profile* profile_;
    std::string section_;
    std::string keyPrefix_;
    int maxCount_;
    QStringList items_;
};
