// The media list's own list files (".kvx") and the ".qsd" import.

#include <cstring>

#include "base/app_settings.h"
#include "base/user_prompts.h"
#include "formats/kvx_file.h"
#include "formats/list_file_io.h"
#include "formats/qsd_file.h"
#include "medialist/media_list.h"
#include "medialist/media_list_impl.h"

namespace {

void SetError(ListReadReport* report, const std::string& text)
{
    if (report)
        report->error = text;
}

// The longest member credentials the header can hold.
constexpr size_t kMaxCredential = kvx::kUser.size - 1;

// Asked when a list is saved (also the automatic list at exit) while a
// member login is set: the question, then what it is about.
constexpr char kSaveLoginQuestion[] =
    "Are you sure you want to save ID and Password?\n\n"
    "The list file would keep the member login (ID and password, in plain text) so that "
    "its streams open without asking next time. Yes: save the list with the login. "
    "No: save the list without it. Cancel: do not save the list.";

}  // namespace

int MediaList::ReadKvxFile(const std::string& path, ListReadReport* report)
{
    if (path.empty())
        return 0;
    std::string fsPath = LocalFileSystemPath(path);
    std::string bytes, error;
    if (fsPath.empty()) {
        SetError(report, "not a local file");
        return -1;
    }
    if (ReadFileBounded(fsPath, kMaxKvxFileBytes, &bytes, &error) != ReadStatus::Ok) {
        SetError(report, error);
        return -1;
    }
    return ReadKvxBytes(bytes, report);
}

int MediaList::ReadKvxBytes(const std::string& bytes, ListReadReport* report)
{
    if (bytes.size() > kMaxKvxFileBytes) {
        SetError(report, "file too large");
        return -1;
    }
    const kvx::File file = kvx::Parse(bytes);
    switch (file.status) {
    case kvx::ParseStatus::Ok:
        break;
    case kvx::ParseStatus::TooShort:
        SetError(report, bytes.empty() ? std::string("empty file")
                                        : "truncated list file header (" + std::to_string(bytes.size()) +
                                              " of 224 bytes)");
        return -1;
    case kvx::ParseStatus::BadVersion:
        SetError(report, "not a .kvx list file (unknown version)");
        return -1;
    case kvx::ParseStatus::BadTag:
        SetError(report, "not a .kvx list file (unknown format tag)");
        return -1;
    }
    if (report && file.trailingBytes != 0)
        report->warning = "last record truncated (" + std::to_string(file.trailingBytes) +
                          " bytes ignored)";

    // No duplicate check, as the list file format has always been read.
    std::vector<MediaItem> items;
    items.reserve(file.records.size());
    std::string firstNetworkAddress;
    bool haveNetwork = false;
    for (const kvx::Record& r : file.records) {
        MediaItem item;
        item.cells[kColFile] = r.title;
        item.cells[kColType] = TypeWordOf(r.address);
        item.cells[kColTime] = r.time;
        item.cells[kColSize] = r.size;
        item.cells[kColOriginalFile] = r.address;
        item.cells[kColInfo] = TrimWhiteSpace(r.info);
        item.image = IsLocalPath(r.address) ? kImageLocal : kImageNetwork;
        if (!haveNetwork && item.image == kImageNetwork) {
            firstNetworkAddress = r.address;
            haveNetwork = true;
        }
        items.push_back(std::move(item));
    }

    impl_->CheckMayChange();
    impl_->settings.m_memberUser = file.header.user;
    impl_->settings.m_memberPassword = file.header.password;
    // The list's server: the one the credential probe asks.
    impl_->settings.m_memberAddress = firstNetworkAddress;
    impl_->infoText = TrimWhiteSpace(file.header.info);
    const std::string user = impl_->settings.m_memberUser;
    const std::string password = impl_->settings.m_memberPassword;
    const int first = impl_->AppendMany(std::move(items));

    if (!user.empty() && !password.empty() && impl_->probe) {
        const CredentialProbe probe = impl_->probe;  // the probe may replace itself
        probe(firstNetworkAddress, user, password);
    }
    return first;
}

KvxWriteResult MediaList::WriteKvxFile(const std::string& path, KvxWriteMode mode)
{
    kvx::Header header;
    std::vector<kvx::Record> records;
    impl_->CheckOwner();
    header.info = impl_->infoText;
    const std::string user = impl_->settings.m_memberUser;
    const std::string password = impl_->settings.m_memberPassword;
    for (const auto& row : impl_->rows) {
        const MediaItem& item = *row;
        const bool local = item.image == kImageLocal;
        if ((mode == KvxWriteMode::OnlyUrl && local) || (mode == KvxWriteMode::OnlyFile && !local))
            continue;
        kvx::Record r;
        r.title = item.cells[kColFile];
        r.address = item.cells[kColOriginalFile];
        r.time = item.cells[kColTime];
        r.size = item.cells[kColSize];
        r.info = item.cells[kColInfo];
        records.push_back(std::move(r));
    }

    // Credentials that do not fit their 29 bytes are not stored: a cut
    // password would only be a wrong one.
    bool storeCredentials = false;
    if (!user.empty() && !password.empty() && user.size() <= kMaxCredential &&
        password.size() <= kMaxCredential) {
        const UserPrompts::YesNoCancel answer =
            impl_->prompts ? impl_->prompts->AskYesNoCancel(kSaveLoginQuestion, CancelSignal::Never())
                           : UserPrompts::YesNoCancel::No;
        if (answer == UserPrompts::YesNoCancel::Cancel)
            return KvxWriteResult::Cancelled;
        storeCredentials = answer == UserPrompts::YesNoCancel::Yes;
    }
    if (storeCredentials) {
        header.user = user;
        header.password = password;
    }

    std::string bytes;
    bytes.reserve(kvx::kHeaderSize + records.size() * kvx::kRecordSize);
    uint8_t head[kvx::kHeaderSize];
    kvx::EncodeHeader(header, head);
    bytes.append(reinterpret_cast<const char*>(head), sizeof head);
    uint8_t record[kvx::kRecordSize];
    for (const kvx::Record& r : records) {
        kvx::EncodeRecord(r, record);
        bytes.append(reinterpret_cast<const char*>(record), sizeof record);
    }
    // A file holding a password is readable by its owner only, like the
    // settings file.
    std::string error;
    return ReplaceFile(path, bytes, storeCredentials ? 0600 : 0666, &error) ? KvxWriteResult::Written
                                                                            : KvxWriteResult::Failed;
}

int MediaList::ReadQsdFile(const std::string& path, ListReadReport* report)
{
    const std::string fsPath = LocalFileSystemPath(path);
    if (fsPath.empty()) {
        SetError(report, path.empty() ? "no file name" : "not a local file");
        return 0;
    }
    std::string bytes, error;
    if (ReadFileBounded(fsPath, kMaxQsdFileBytes, &bytes, &error) != ReadStatus::Ok) {
        SetError(report, error);
        return 0;
    }
    return ReadQsdBytes(bytes, report);
}

int MediaList::ReadQsdBytes(const std::string& bytes, ListReadReport* report)
{
    if (bytes.size() > kMaxQsdFileBytes) {
        SetError(report, "file too large");
        return 0;
    }
    if (bytes.empty()) {
        SetError(report, "empty file");
        return 0;
    }
    const qsd::File file = qsd::Parse(bytes);
    if (!file.hasFiles) {
        SetError(report, "not a .qsd list (no \"Files\" count in section \"Info\")");
        return 0;
    }
    if (file.files < 1)
        return 0;

    std::vector<MediaItem> items;
    items.reserve(file.entries.size());
    for (const qsd::Entry& e : file.entries) {
        if (e.url.empty())
            continue;
        MediaItem item;
        item.cells[kColFile] = e.title.empty() ? DeriveTitle(e.url) : e.title;
        item.cells[kColOriginalFile] = e.url;
        item.image = IsLocalPath(e.url) ? kImageLocal : kImageNetwork;
        items.push_back(std::move(item));
    }
    impl_->CheckMayChange();
    impl_->AppendMany(std::move(items));
    return file.files;
}
