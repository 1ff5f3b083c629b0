#include "ui/recent_list.h"

#include "base/profile.h"
#include "base/setting_keys.h"
#include "ui/qt_text.h"

RecentList::RecentList(Profile& profile, std::string section, const char* keyPrefix, int maxCount)
    : profile_(&profile), section_(std::move(section)), keyPrefix_(keyPrefix), maxCount_(maxCount)
{
    Reload();
}

RecentList RecentList::UrlHistory(Profile& profile)
{
    return RecentList(profile, setting_keys::kRecentUrlSection, "item", kMaxUrls);
}

RecentList RecentList::RecentFiles(Profile& profile)
{
    return RecentList(profile, setting_keys::kRecentFileSection, "File", kMaxFiles);
}

void RecentList::Reload()
{
    items_.clear();
    for (int i = 0; i < maxCount_; ++i) {
        const std::string text = profile_->GetString(section_, keyPrefix_ + std::to_string(i), "");
        if (text.empty())
            break;
        items_.append(Q(text));
    }
}

void RecentList::Add(const QString& text)
{
    if (text.isEmpty())
        return;
    items_.removeAll(text);
    items_.prepend(text);
    while (items_.size() > maxCount_)
        items_.removeLast();
    Write();
}

void RecentList::Remove(const QString& text)
{
    if (items_.removeAll(text) > 0)
        Write();
}

void RecentList::Write()
{
    profile_->DeleteSection(section_);
    for (qsizetype i = 0; i < items_.size(); ++i)
        profile_->WriteString(section_, keyPrefix_ + std::to_string(i), S(items_[i]));
    profile_->Flush();
}
