#include "medialist/media_list.h"

#include <algorithm>

#include "base/app_settings.h"
#include "medialist/media_list_impl.h"

// Every public member follows one pattern: take changeMutex (for changes),
// change the rows under `mutex` while collecting events, release `mutex`,
// then deliver the events. Reads take `mutex` only.

int MediaList::Impl::FindAddressLocked(const std::string& address) const
{
    if (indexDirty)
        RebuildIndexLocked();
    const auto it = firstRowOf.find(address);
    return it == firstRowOf.end() ? -1 : it->second;
}

void MediaList::Impl::RebuildIndexLocked() const
{
    firstRowOf.clear();
    firstRowOf.reserve(rows.size());
    hasDuplicates = false;
    for (size_t i = 0; i < rows.size(); ++i)
        if (!firstRowOf.try_emplace(rows[i].cells[kColOriginalFile], static_cast<int>(i)).second)
            hasDuplicates = true;
    indexDirty = false;
}

int MediaList::Impl::AppendLocked(MediaItem item, Events& events)
{
    const int row = static_cast<int>(rows.size());
    if (!indexDirty && !firstRowOf.try_emplace(item.cells[kColOriginalFile], row).second)
        hasDuplicates = true;
    if (item.itemData != 0)
        ++busyRows;
    rows.push_back(std::move(item));
    events.push_back({MediaListEvent::Inserted, row, -1});
    return row;
}

int MediaList::Impl::InsertLocked(int position, MediaItem item, Events& events)
{
    position = std::clamp(position, 0, static_cast<int>(rows.size()));
    if (position == static_cast<int>(rows.size()))
        return AppendLocked(std::move(item), events);
    if (!indexDirty) {
        for (auto& entry : firstRowOf)
            if (entry.second >= position)
                ++entry.second;
        auto [it, inserted] = firstRowOf.try_emplace(item.cells[kColOriginalFile], position);
        if (!inserted) {
            hasDuplicates = true;
            it->second = std::min(it->second, position);
        }
    }
    if (item.itemData != 0)
        ++busyRows;
    rows.insert(rows.begin() + position, std::move(item));
    events.push_back({MediaListEvent::Inserted, position, -1});
    return position;
}

void MediaList::Impl::RemoveLocked(const std::vector<bool>& remove, Events& events)
{
    // One compaction pass; the events name the rows from the last to the
    // first, so a listener that applies them in order removes the right ones.
    // newIndex[i]: where row i moves (-1: removed).
    const bool updateIndex = !indexDirty && !hasDuplicates;
    std::vector<int> newIndex(updateIndex ? rows.size() : 0);
    size_t kept = 0;
    bool any = false;
    for (size_t i = 0; i < rows.size(); ++i) {
        if (i < remove.size() && remove[i]) {
            any = true;
            if (updateIndex) {
                firstRowOf.erase(rows[i].cells[kColOriginalFile]);
                newIndex[i] = -1;
            }
            continue;
        }
        if (updateIndex)
            newIndex[i] = static_cast<int>(kept);
        if (kept != i)
            rows[kept] = std::move(rows[i]);
        ++kept;
    }
    if (!any)
        return;
    for (size_t i = std::min(remove.size(), rows.size()); i-- > 0;)
        if (remove[i])
            events.push_back({MediaListEvent::Removed, static_cast<int>(i), -1});
    rows.resize(kept);
    if (updateIndex) {
        // Every address is on one row only: the index just moves.
        for (auto& entry : firstRowOf)
            entry.second = newIndex[static_cast<size_t>(entry.second)];
    } else {
        indexDirty = true;
    }
}

void MediaList::Impl::Emit(const Events& events)
{
    if (events.empty())
        return;
    std::shared_ptr<const Listener> l;
    {
        std::lock_guard<std::mutex> lock(mutex);
        l = listener;
    }
    if (l && *l)
        for (const MediaListEvent& e : events)
            (*l)(e);
}

MediaList::MediaList(AppSettings& settings, UserPrompts* prompts)
    : impl_(std::make_unique<Impl>(settings, prompts))
{
}

MediaList::~MediaList() = default;

void MediaList::SetListener(Listener listener)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->listener = std::make_shared<const Listener>(std::move(listener));
}

void MediaList::SetCredentialProbe(CredentialProbe probe)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->probe = std::make_shared<const CredentialProbe>(std::move(probe));
}

int MediaList::RowCount() const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return static_cast<int>(impl_->rows.size());
}

MediaItem MediaList::Row(int row) const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->Valid(row) ? impl_->rows[static_cast<size_t>(row)] : MediaItem{};
}

std::vector<MediaItem> MediaList::Rows() const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->rows;
}

std::string MediaList::Cell(int row, int column) const
{
    if (column < 0 || column >= kColumnCount)
        return {};
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->Valid(row) ? impl_->rows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)]
                             : std::string();
}

void MediaList::SetCell(int row, int column, const std::string& text)
{
    if (column < 0 || column >= kColumnCount)
        return;
    std::lock_guard<std::recursive_mutex> change(impl_->changeMutex);
    Impl::Events events;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        if (!impl_->Valid(row))
            return;
        std::string& cell = impl_->rows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
        if (cell == text)
            return;
        cell = text;
        if (column == kColOriginalFile)
            impl_->indexDirty = true;
        events.push_back({MediaListEvent::CellChanged, row, column});
    }
    impl_->Emit(events);
}

uint32_t MediaList::ItemData(int row) const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->Valid(row) ? impl_->rows[static_cast<size_t>(row)].itemData : 0;
}

void MediaList::SetItemData(int row, uint32_t jobId)
{
    std::lock_guard<std::recursive_mutex> change(impl_->changeMutex);
    Impl::Events events;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        if (!impl_->Valid(row))
            return;
        uint32_t& data = impl_->rows[static_cast<size_t>(row)].itemData;
        if (data == jobId)
            return;
        impl_->busyRows += (jobId != 0) - (data != 0);
        data = jobId;
        events.push_back({MediaListEvent::RowChanged, row, -1});
    }
    impl_->Emit(events);
}

int MediaList::Image(int row) const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->Valid(row) ? impl_->rows[static_cast<size_t>(row)].image : kImageLocal;
}

void MediaList::SetImage(int row, int image)
{
    std::lock_guard<std::recursive_mutex> change(impl_->changeMutex);
    Impl::Events events;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        if (!impl_->Valid(row) || impl_->rows[static_cast<size_t>(row)].image == image)
            return;
        impl_->rows[static_cast<size_t>(row)].image = image;
        events.push_back({MediaListEvent::RowChanged, row, -1});
    }
    impl_->Emit(events);
}

int MediaList::FindAddress(const std::string& address) const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->FindAddressLocked(address);
}

int MediaList::FindJob(uint32_t jobId) const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (jobId == 0 || impl_->busyRows == 0)
        return -1;
    for (size_t i = 0; i < impl_->rows.size(); ++i)
        if (impl_->rows[i].itemData == jobId)
            return static_cast<int>(i);
    return -1;
}

void MediaList::SetTitleOfAddress(const std::string& address, const std::string& title)
{
    std::lock_guard<std::recursive_mutex> change(impl_->changeMutex);
    Impl::Events events;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        const int row = impl_->FindAddressLocked(address);
        if (row < 0)
            return;
        std::string& cell = impl_->rows[static_cast<size_t>(row)].cells[kColFile];
        if (cell == title)
            return;
        cell = title;
        events.push_back({MediaListEvent::CellChanged, row, kColFile});
    }
    impl_->Emit(events);
}

int MediaList::AddEntry(const std::string& path, const std::string& title,
                        const std::string& sizeSwitch, const std::string& playerIdentity)
{
    {
        // Most adds of a known address end here, without touching the disk.
        std::lock_guard<std::mutex> lock(impl_->mutex);
        const int existing = impl_->FindAddressLocked(path);
        if (existing >= 0)
            return existing;
    }
    MediaItem item = MakeEntryItem(path, title, sizeSwitch, playerIdentity);
    std::lock_guard<std::recursive_mutex> change(impl_->changeMutex);
    Impl::Events events;
    int row;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        row = impl_->FindAddressLocked(path);  // another thread may have added it meanwhile
        if (row >= 0)
            return row;
        row = impl_->AppendLocked(std::move(item), events);
    }
    impl_->Emit(events);
    return row;
}

int MediaList::InsertEntry(int position, const std::string& path)
{
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        const int existing = impl_->FindAddressLocked(path);
        if (existing >= 0)
            return existing;
    }
    MediaItem item = MakeEntryItem(path, std::string(), std::string(), std::string());
    std::lock_guard<std::recursive_mutex> change(impl_->changeMutex);
    Impl::Events events;
    int row;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        row = impl_->FindAddressLocked(path);
        if (row >= 0)
            return row;
        row = impl_->InsertLocked(position, std::move(item), events);
    }
    impl_->Emit(events);
    return row;
}

void MediaList::DeleteRows(std::vector<int> rows, int playingRow)
{
    std::lock_guard<std::recursive_mutex> change(impl_->changeMutex);
    Impl::Events events;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        std::vector<bool> remove(impl_->rows.size(), false);
        for (int r : rows)
            if (impl_->Valid(r) && r != playingRow && impl_->rows[static_cast<size_t>(r)].itemData == 0)
                remove[static_cast<size_t>(r)] = true;
        impl_->RemoveLocked(remove, events);
    }
    impl_->Emit(events);
}

void MediaList::New(int playingRow)
{
    std::lock_guard<std::recursive_mutex> change(impl_->changeMutex);
    Impl::Events events;
    {
        std::lock_guard<std::mutex> lock(impl_->mutex);
        std::vector<bool> remove(impl_->rows.size(), false);
        for (size_t i = 0; i < impl_->rows.size(); ++i)
            remove[i] = static_cast<int>(i) != playingRow && impl_->rows[i].itemData == 0;
        impl_->RemoveLocked(remove, events);
        impl_->settings.m_memberUser.clear();
        impl_->settings.m_memberPassword.clear();
    }
    impl_->Emit(events);
}

std::string MediaList::InfoText() const
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    return impl_->infoText;
}

void MediaList::SetInfoText(const std::string& text)
{
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->infoText = text;
}
