#include "xdg/file_registration.h"

#include <algorithm>
#include <set>

#include "xdg/key_file.h"

namespace xdg {

namespace {

constexpr const char* kDefaults = "Default Applications";
constexpr const char* kRemoved = "Removed Associations";

// .asx, .wax, .wvx and .wmx are all one type in the shared MIME database.
const char* const kAsx = "audio/x-ms-asx";

void AddUnique(std::vector<std::string>& list, const std::string& item)
{
    if (std::find(list.begin(), list.end(), item) == list.end())
        list.push_back(item);
}

// A user file loaded for editing; saved at the end when it changed.
struct EditedFile {
    std::string path;
    KeyFile file;
    bool usable = false;
};

EditedFile Open(const std::string& path, FileRegistration::Result& result)
{
    EditedFile edited;
    edited.path = path;
    KeyFile::Load load = edited.file.LoadFile(path);
    edited.usable = load == KeyFile::Load::Ok || load == KeyFile::Load::Missing;
    if (!edited.usable) {
        result.ok = false;
        result.errors.push_back(path + (load == KeyFile::Load::TooLarge ? ": too large, left as it is"
                                                                        : ": cannot be read, left as it is"));
    }
    return edited;
}

void Save(EditedFile& edited, FileRegistration::Result& result)
{
    if (!edited.usable || !edited.file.Changed())
        return;
    std::string error;
    if (WriteFileAtomically(edited.path, edited.file.Text(), &error)) {
        result.written.push_back(edited.path);
    } else {
        result.ok = false;
        result.errors.push_back(error);
    }
}

// Removes id from the list of key in group; the key goes when its list empties.
void RemoveFromList(KeyFile& file, const char* group, const std::string& key, const std::string& id)
{
    std::optional<std::string> value = file.Value(group, key);
    if (!value)
        return;
    std::vector<std::string> items = SplitList(*value);
    auto end = std::remove(items.begin(), items.end(), id);
    if (end == items.end())
        return;
    items.erase(end, items.end());
    if (items.empty())
        file.RemoveKey(group, key);
    else
        file.SetValue(group, key, JoinList(items));
}

void PutFirst(KeyFile& file, const std::string& key, const std::string& id)
{
    std::vector<std::string> items{id};
    for (const std::string& item : SplitList(file.Value(kDefaults, key).value_or("")))
        if (item != id)
            items.push_back(item);
    file.SetValue(kDefaults, key, JoinList(items));
}

}  // namespace

const std::array<RegistrationGroup, kGroupCount>& RegistrationGroups()
{
    static const std::array<RegistrationGroup, kGroupCount> groups{{
        {"Windows Media files",
         {{".asf", "application/vnd.ms-asf", {"video/x-ms-asf", "video/x-ms-asf-plugin", "video/x-ms-wm"}},
          {".asx", kAsx, {"video/x-ms-asx", "application/x-ms-asx"}},
          {".wmx", kAsx, {"video/x-ms-wmx"}}},
         true},
        {"Windows Media audio",
         {{".wma", "audio/x-ms-wma", {"audio/wma"}}, {".wax", kAsx, {"audio/x-ms-wax", "video/x-ms-wax"}}},
         false},
        {"Windows Media video",
         {{".wmv", "video/x-ms-wmv", {}}, {".wvx", kAsx, {"video/x-ms-wvx"}}},
         false},
        {"AVI", {{".avi", "video/x-msvideo", {"video/avi", "video/x-avi"}}}, false},
        {"MPEG", {{".mpg", "video/mpeg", {"video/x-mpeg"}}, {".mpeg", "video/mpeg", {}}}, false},
        {"List files",
         {{".kvx", "application/x-brimcast-kvx", {}}, {".qsd", "application/x-brimcast-qsd", {}}},
         false},
    }};
    return groups;
}

const std::vector<std::string>& SchemeHandlerTypes()
{
    static const std::vector<std::string> types{"x-scheme-handler/mms", "x-scheme-handler/mmst",
                                                "x-scheme-handler/mmsu"};
    return types;
}

std::vector<std::string> HandledMimeTypes()
{
    std::vector<std::string> types;
    for (const RegistrationGroup& group : RegistrationGroups()) {
        for (const RegisteredType& type : group.types) {
            AddUnique(types, type.mimeType);
            for (const char* alias : type.aliases)
                AddUnique(types, alias);
        }
    }
    for (const std::string& scheme : SchemeHandlerTypes())
        AddUnique(types, scheme);
    return types;
}

FileRegistration::FileRegistration(XdgDirs dirs, std::string desktopId)
    : dirs_(std::move(dirs)), desktopId_(std::move(desktopId))
{
}

bool FileRegistration::IsOurs(const std::string& mimeType) const
{
    return MimeDefaults(dirs_).QueryDefault(mimeType) == desktopId_;
}

BoxState FileRegistration::GroupState(size_t group) const
{
    MimeDefaults defaults(dirs_);
    size_t ours = 0;
    const std::vector<RegisteredType>& types = RegistrationGroups().at(group).types;
    for (const RegisteredType& type : types)
        ours += defaults.QueryDefault(type.mimeType) == desktopId_ ? 1 : 0;
    if (ours == 0)
        return BoxState::Unchecked;
    return ours == types.size() ? BoxState::Checked : BoxState::Indeterminate;
}

std::array<BoxState, kGroupCount> FileRegistration::BoxStates() const
{
    std::array<BoxState, kGroupCount> states{};
    for (size_t g = 0; g < kGroupCount; ++g)
        states[g] = GroupState(g);
    return states;
}

bool FileRegistration::DesktopEntryInstalled() const
{
    return MimeDefaults(dirs_).IsInstalled(desktopId_);
}

std::string FileRegistration::UserList() const
{
    return dirs_.configHome + "/mimeapps.list";
}

std::vector<std::string> FileRegistration::UserDesktopLists() const
{
    std::vector<std::string> lists;
    for (const std::string& desktop : dirs_.desktops)
        lists.push_back(dirs_.configHome + "/" + desktop + "-mimeapps.list");
    return lists;
}

FileRegistration::Result FileRegistration::Take(const std::vector<std::string>& mimeTypes) const
{
    Result result;
    std::vector<EditedFile> files;
    files.push_back(Open(UserList(), result));
    for (const std::string& path : UserDesktopLists())
        files.push_back(Open(path, result));
    for (const std::string& type : mimeTypes) {
        for (size_t i = 0; i < files.size(); ++i) {
            EditedFile& edited = files[i];
            if (!edited.usable)
                continue;
            // A desktop-specific list is changed only where it names the
            // type; the plain list always gets the entry.
            if (i == 0 || edited.file.Value(kDefaults, type))
                PutFirst(edited.file, type, desktopId_);
            RemoveFromList(edited.file, kRemoved, type, desktopId_);
        }
    }
    for (EditedFile& edited : files)
        Save(edited, result);
    return result;
}

FileRegistration::Result FileRegistration::GiveBack(const std::vector<std::string>& mimeTypes) const
{
    Result result;
    std::vector<std::string> paths{UserList()};
    for (const std::string& path : UserDesktopLists())
        paths.push_back(path);
    std::string dataApps = dirs_.dataHome + "/applications";
    for (const std::string& desktop : dirs_.desktops)
        paths.push_back(dataApps + "/" + desktop + "-mimeapps.list");
    paths.push_back(dataApps + "/mimeapps.list");
    for (const std::string& path : paths) {
        EditedFile edited = Open(path, result);
        if (!edited.usable)
            continue;
        for (const std::string& type : mimeTypes)
            RemoveFromList(edited.file, kDefaults, type, desktopId_);
        Save(edited, result);
    }
    return result;
}

FileRegistration::Result FileRegistration::Apply(const std::array<BoxState, kGroupCount>& states,
                                                 const std::array<bool, kGroupCount>& changed) const
{
    const auto& groups = RegistrationGroups();
    auto typesOf = [](const RegistrationGroup& group) {
        std::vector<std::string> types;
        for (const RegisteredType& type : group.types) {
            AddUnique(types, type.mimeType);
            for (const char* alias : type.aliases)
                AddUnique(types, alias);
        }
        return types;
    };
    // A checked box promises that all its types are ours, and a changed
    // indeterminate one takes them all: such types are not given back.
    std::set<std::string> kept;
    for (size_t g = 0; g < kGroupCount; ++g)
        if (states[g] == BoxState::Checked || (changed[g] && states[g] == BoxState::Indeterminate))
            for (const std::string& type : typesOf(groups[g]))
                kept.insert(type);

    std::vector<std::string> take, giveBack;
    for (size_t g = 0; g < kGroupCount; ++g) {
        if (!changed[g])
            continue;
        if (states[g] == BoxState::Unchecked) {
            for (const std::string& type : typesOf(groups[g]))
                if (!kept.count(type))
                    AddUnique(giveBack, type);
        } else {
            for (const std::string& type : typesOf(groups[g]))
                AddUnique(take, type);
            if (groups[g].withProtocols)
                for (const std::string& scheme : SchemeHandlerTypes())
                    AddUnique(take, scheme);
        }
    }
    Result result;
    for (const Result& step : {take.empty() ? Result() : Take(take),
                               giveBack.empty() ? Result() : GiveBack(giveBack)}) {
        result.ok = result.ok && step.ok;
        result.errors.insert(result.errors.end(), step.errors.begin(), step.errors.end());
        for (const std::string& path : step.written)
            AddUnique(result.written, path);
    }
    return result;
}

}  // namespace xdg
