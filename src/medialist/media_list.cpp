#include "medialist/media_list.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "base/app_settings.h"
#include "medialist/media_list_impl.h"

void MediaList::Impl::CheckOwner() const
{
#ifndef NDEBUG
    if (std::this_thread::get_id() != owner) {
        std::fputs("MediaList used from a thread that does not own it\n", stderr);
        std::abort();
    }
#endif
}

void MediaList::Impl::CheckMayChange() const
{
    CheckOwner();
#ifndef NDEBUG
    if (aboutTo > 0) {
        std::fputs("MediaList changed while its listener handles an \"about to\" event\n", stderr);
        std::abort();
    }
#endif
}

int MediaList::Impl::Position(uint64_t id) const
{
    auto it = positions.find(id);
    if (it == positions.end())
        return -1;
    if (it->second >= validBelow) {
        for (size_t i = validBelow; i < rows.size(); ++i)
            positions[rows[i]->id] = i;
        validBelow = rows.size();
    }
    return static_cast<int>(it->second);
}

int MediaList::Impl::FirstRowOf(const std::string& address) const
{
    int first = -1;
    const auto [begin, end] = addressIds.equal_range(address);
    for (auto it = begin; it != end; ++it) {
        const int row = Position(it->second);
        if (row >= 0 && (first < 0 || row < first))
            first = row;
    }
    return first;
}

void MediaList::Impl::IndexAddress(const std::string& address, uint64_t id)
{
    addressIds.emplace(address, id);
}

void MediaList::Impl::UnindexAddress(const std::string& address, uint64_t id)
{
    const auto [begin, end] = addressIds.equal_range(address);
    for (auto it = begin; it != end; ++it) {
        if (it->second == id) {
            addressIds.erase(it);
            return;
        }
    }
}

void MediaList::Impl::Emit(MediaListEvent::Kind kind, uint64_t id, int column)
{
    if (!listener)
        return;
    const bool about = kind == MediaListEvent::AboutToRemove || kind == MediaListEvent::AboutToReset;
    aboutTo += about;
    listener(MediaListEvent{kind, id, column});
    aboutTo -= about;
}

int MediaList::Impl::Insert(int position, MediaItem item)
{
    position = std::clamp(position, 0, static_cast<int>(rows.size()));
    item.id = nextId++;
    const uint64_t id = item.id;
    IndexAddress(item.cells[kColOriginalFile], id);
    if (item.itemData != 0)
        ++busyRows;
    const size_t at = static_cast<size_t>(position);
    rows.insert(rows.begin() + position, std::make_unique<MediaItem>(std::move(item)));
    positions[id] = at;
    if (at < rows.size() - 1)
        validBelow = std::min(validBelow, at);  // the rows behind it moved
    else if (validBelow == at)
        validBelow = rows.size();
    Emit(MediaListEvent::Inserted, id);
    return position;
}

int MediaList::Impl::AppendMany(std::vector<MediaItem> items)
{
    if (items.empty())
        return -1;
    const int first = static_cast<int>(rows.size());
    if (items.size() <= kFewRows) {
        for (MediaItem& item : items)
            Insert(static_cast<int>(rows.size()), std::move(item));
        return first;
    }
    Emit(MediaListEvent::AboutToReset);
    rows.reserve(rows.size() + items.size());
    for (MediaItem& item : items) {
        item.id = nextId++;
        IndexAddress(item.cells[kColOriginalFile], item.id);
        if (item.itemData != 0)
            ++busyRows;
        positions[item.id] = rows.size();
        if (validBelow == rows.size())
            ++validBelow;
        rows.push_back(std::make_unique<MediaItem>(std::move(item)));
    }
    Emit(MediaListEvent::Reset);
    return first;
}

void MediaList::Impl::Remove(const std::vector<bool>& remove, bool asReset)
{
    size_t count = 0;
    for (size_t i = 0; i < rows.size() && i < remove.size(); ++i)
        count += remove[i];
    if (count == 0)
        return;
    auto forget = [this](const MediaItem& item) {
        UnindexAddress(item.cells[kColOriginalFile], item.id);
        positions.erase(item.id);
        if (item.itemData != 0)
            --busyRows;
    };
    if (count <= kFewRows && !asReset) {
        for (size_t i = std::min(remove.size(), rows.size()); i-- > 0;) {
            if (!remove[i])
                continue;
            const uint64_t id = rows[i]->id;
            Emit(MediaListEvent::AboutToRemove, id);
            forget(*rows[i]);
            rows.erase(rows.begin() + static_cast<std::ptrdiff_t>(i));
            validBelow = std::min(validBelow, i);
            Emit(MediaListEvent::Removed, id);
        }
        return;
    }
    Emit(MediaListEvent::AboutToReset);
    // The address index is made anew from the rows kept: taking each row out
    // of it one by one would cost the length of its address's group each.
    addressIds.clear();
    size_t kept = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const MediaItem& item = *rows[i];
        if (i < remove.size() && remove[i]) {
            positions.erase(item.id);
            if (item.itemData != 0)
                --busyRows;
            continue;
        }
        IndexAddress(item.cells[kColOriginalFile], item.id);
        if (kept != i)
            rows[kept] = std::move(rows[i]);
        ++kept;
    }
    rows.resize(kept);
    validBelow = 0;
    Emit(MediaListEvent::Reset);
}

MediaList::MediaList(AppSettings& settings, UserPrompts* prompts)
    : impl_(std::make_unique<Impl>(settings, prompts))
{
}

MediaList::~MediaList() = default;

void MediaList::SetListener(Listener listener)
{
    impl_->CheckOwner();
    impl_->listener = std::move(listener);
}

void MediaList::SetCredentialProbe(CredentialProbe probe)
{
    impl_->CheckOwner();
    impl_->probe = std::move(probe);
}

int MediaList::RowCount() const
{
    impl_->CheckOwner();
    return static_cast<int>(impl_->rows.size());
}

MediaItem MediaList::Row(int row) const
{
    impl_->CheckOwner();
    return impl_->Valid(row) ? impl_->At(row) : MediaItem{};
}

const MediaItem* MediaList::Find(uint64_t id) const
{
    impl_->CheckOwner();
    const int row = impl_->Position(id);
    return row < 0 ? nullptr : &impl_->At(row);
}

int MediaList::IndexOf(uint64_t id) const
{
    impl_->CheckOwner();
    return impl_->Position(id);
}

uint64_t MediaList::IdAt(int row) const
{
    impl_->CheckOwner();
    return impl_->Valid(row) ? impl_->At(row).id : 0;
}

std::vector<MediaItem> MediaList::Rows() const
{
    impl_->CheckOwner();
    std::vector<MediaItem> rows;
    rows.reserve(impl_->rows.size());
    for (const auto& row : impl_->rows)
        rows.push_back(*row);
    return rows;
}

std::string MediaList::Cell(int row, int column) const
{
    impl_->CheckOwner();
    if (column < 0 || column >= kColumnCount || !impl_->Valid(row))
        return {};
    return impl_->At(row).cells[static_cast<size_t>(column)];
}

void MediaList::SetCell(int row, int column, const std::string& text)
{
    impl_->CheckMayChange();
    if (column < 0 || column >= kColumnCount || !impl_->Valid(row))
        return;
    MediaItem& item = impl_->At(row);
    std::string& cell = item.cells[static_cast<size_t>(column)];
    if (cell == text)
        return;
    if (column == kColOriginalFile) {
        impl_->UnindexAddress(cell, item.id);
        impl_->IndexAddress(text, item.id);
    }
    cell = text;
    impl_->Emit(MediaListEvent::Changed, item.id, column);
}

uint32_t MediaList::ItemData(int row) const
{
    impl_->CheckOwner();
    return impl_->Valid(row) ? impl_->At(row).itemData : 0;
}

void MediaList::SetItemData(int row, uint32_t jobId)
{
    impl_->CheckMayChange();
    if (!impl_->Valid(row))
        return;
    MediaItem& item = impl_->At(row);
    if (item.itemData == jobId)
        return;
    impl_->busyRows += (jobId != 0) - (item.itemData != 0);
    item.itemData = jobId;
    impl_->Emit(MediaListEvent::Changed, item.id);
}

int MediaList::Image(int row) const
{
    impl_->CheckOwner();
    return impl_->Valid(row) ? impl_->At(row).image : kImageLocal;
}

void MediaList::SetImage(int row, int image)
{
    impl_->CheckMayChange();
    if (!impl_->Valid(row) || impl_->At(row).image == image)
        return;
    impl_->At(row).image = image;
    impl_->Emit(MediaListEvent::Changed, impl_->At(row).id);
}

bool MediaList::Update(uint64_t id, const std::function<void(MediaItem&)>& change)
{
    impl_->CheckMayChange();
    const int row = impl_->Position(id);
    if (row < 0)
        return false;
    MediaItem& item = impl_->At(row);
    const std::string address = item.cells[kColOriginalFile];
    const uint32_t itemData = item.itemData;
    change(item);
    item.id = id;
    if (item.cells[kColOriginalFile] != address) {
        impl_->UnindexAddress(address, id);
        impl_->IndexAddress(item.cells[kColOriginalFile], id);
    }
    impl_->busyRows += (item.itemData != 0) - (itemData != 0);
    impl_->Emit(MediaListEvent::Changed, id);
    return true;
}

int MediaList::FindAddress(const std::string& address) const
{
    impl_->CheckOwner();
    return impl_->FirstRowOf(address);
}

int MediaList::BusyRowCount() const
{
    impl_->CheckOwner();
    return impl_->busyRows;
}

void MediaList::SetTitleOfAddress(const std::string& address, const std::string& title)
{
    const int row = FindAddress(address);
    if (row >= 0)
        SetCell(row, kColFile, title);
}

int MediaList::AddEntry(const std::string& path, const std::string& title,
                        const std::string& sizeSwitch, const std::string& playerIdentity)
{
    impl_->CheckMayChange();
    const int existing = impl_->FirstRowOf(path);
    if (existing >= 0)
        return existing;
    return impl_->Insert(RowCount(), MakeEntryItem(path, title, sizeSwitch, playerIdentity));
}

int MediaList::InsertEntry(int position, const std::string& path)
{
    impl_->CheckMayChange();
    const int existing = impl_->FirstRowOf(path);
    if (existing >= 0)
        return existing;
    // The size is not looked up: the file below a recording is still being
    // written, and a size taken now would be stale at once.
    return impl_->Insert(position, MakeEntryItem(path, std::string(), " ", std::string()));
}

void MediaList::DeleteRows(std::vector<int> rows, int playingRow)
{
    impl_->CheckMayChange();
    std::vector<bool> remove(impl_->rows.size(), false);
    for (int r : rows)
        if (impl_->Valid(r) && r != playingRow && impl_->At(r).itemData == 0)
            remove[static_cast<size_t>(r)] = true;
    impl_->Remove(remove);
}

void MediaList::New(int playingRow)
{
    impl_->CheckMayChange();
    std::vector<bool> remove(impl_->rows.size(), false);
    for (size_t i = 0; i < impl_->rows.size(); ++i)
        remove[i] = static_cast<int>(i) != playingRow && impl_->rows[i]->itemData == 0;
    impl_->Remove(remove, /*asReset=*/true);
    impl_->settings.m_memberUser.clear();
    impl_->settings.m_memberPassword.clear();
    impl_->settings.m_memberAddress.clear();
}

std::string MediaList::InfoText() const
{
    impl_->CheckOwner();
    return impl_->infoText;
}

void MediaList::SetInfoText(const std::string& text)
{
    impl_->CheckOwner();
    impl_->infoText = text;
}
