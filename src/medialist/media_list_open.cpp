// Open entry: the dispatch of a path or address to the list-file readers,
// the playlist reader or a plain row.

#include "formats/asx_reader.h"
#include "formats/legacy_text.h"
#include "formats/list_file_io.h"
#include "medialist/media_list.h"
#include "medialist/media_list_impl.h"

int MediaList::OpenEntry(const std::string& path, const std::string& title,
                         const std::string& sizeSwitch)
{
    if (path.empty())
        return -1;
    const std::string name = title.empty() ? DeriveTitle(path) : title;
    const uint32_t bits = ClassifyEntry(path);
    if (bits == (kEntryExists | kEntryKvx))
        return ReadKvxFile(path);
    if (bits == (kEntryExists | kEntryQsd))
        return ReadQsdFile(path);
    if ((bits & kEntryPlaylistMask) == 0)
        return AddEntry(path, name, sizeSwitch, std::string());
    return ReadPlaylistFile(path, name, sizeSwitch);
}

int MediaList::ReadPlaylistFile(const std::string& path, const std::string& title,
                                const std::string& sizeSwitch, ListReadReport* report)
{
    const std::string fsPath = LocalFileSystemPath(path);
    std::string text, error;
    const ReadStatus status = fsPath.empty()
                                  ? (error = "not a local file", ReadStatus::CannotOpen)
                                  : LoadPlaylistFile(fsPath, &text, &error);
    if (status != ReadStatus::Ok) {
        if (report)
            report->error = error;
        // An unreadable playlist is still kept as a row; a readable but too
        // large one becomes a row that can be played or recorded directly.
        const int row = AddEntry(path, title, sizeSwitch, std::string());
        return status == ReadStatus::TooLarge ? row : -1;
    }
    const int first = RowCount();
    const AsxReader::Result result = AsxReader::Read(AsxReader::Mode::MainView, text);
    std::vector<std::string> references;
    for (const std::string& reference : result.output) {
        // Playlists saved on Windows systems are in code page 949; one edited
        // since may mix in UTF-8, so each address is decided alone. An
        // empty or blank href names nothing to play or record.
        if (!TrimWhiteSpace(reference).empty())
            references.push_back(LegacyTextToUtf8(reference));
    }
    if (report && references.empty())
        report->error = text.empty() ? "empty file" : "no stream references";
    const size_t count = references.size();
    for (size_t i = 0; i < count; ++i) {
        // Several references share the playlist's title, numbered from 0.
        std::string entryTitle = title;
        if (count > 1 && !title.empty())
            entryTitle += std::to_string(i);
        AddEntry(references[i], entryTitle, std::string(), std::string());
    }
    return first;
}
