// Registration against a private set of XDG folders: the "system" folders
// are temporary folders too, and are checked to stay byte for byte as they
// were.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <future>
#include <map>
#include <sstream>

#include "test_support.h"
#include "xdg/file_registration.h"
#include "xdg/key_file.h"
#include "xdg/mime_defaults.h"

using testsupport::FileExists;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;
using xdg::BoxState;
using xdg::FileRegistration;
using xdg::MimeDefaults;

namespace {

constexpr size_t kWindowsMedia = 0, kAudio = 1, kMpeg = 4;

void MakeDirs(const std::string& path)
{
    for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1)) {
        mkdir(path.substr(0, slash).c_str(), 0755);
        if (slash == std::string::npos)
            break;
    }
}

void Write(const std::string& path, const std::string& text)
{
    MakeDirs(path.substr(0, path.rfind('/')));
    WriteFile(path, text);
}

std::string DesktopEntry(const std::string& name, const std::string& mimeTypes, const std::string& extra = "")
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true %u\nMimeType=" + mimeTypes + "\n" + extra;
}

class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        dirs.configHome = tmp.File("home/config");
        dirs.dataHome = tmp.File("home/data");
        dirs.configDirs = {tmp.File("etc/xdg")};
        dirs.dataDirs = {tmp.File("usr/local/share"), tmp.File("usr/share")};
        MakeDirs(dirs.configHome);
        MakeDirs(dirs.dataHome);
        // Installed system-wide, as the package puts it.
        std::string all;
        for (const std::string& type : xdg::HandledMimeTypes())
            all += type + ";";
        Write(SystemApps("brimcast.desktop"), DesktopEntry("Brimcast", all));
        Write(SystemApps("vlc.desktop"), DesktopEntry("Vlc", "application/vnd.ms-asf;audio/x-ms-asx;video/mpeg;"));
        Write(SystemApps("totem.desktop"), DesktopEntry("Totem", "video/x-ms-wmv;audio/x-ms-wma;"));
        // The system's cache of the entries' types lists the others first.
        Write(dirs.dataDirs[0] + "/applications/mimeinfo.cache",
              "[MIME Cache]\naudio/x-ms-wma=totem.desktop;brimcast.desktop;\n"
              "video/x-ms-wmv=totem.desktop;brimcast.desktop;\n"
              "application/vnd.ms-asf=vlc.desktop;brimcast.desktop;\naudio/x-ms-asx=vlc.desktop;brimcast.desktop;\n");
    }

    std::string SystemApps(const std::string& name) const { return dirs.dataDirs[1] + "/applications/" + name; }
    std::string UserList() const { return dirs.configHome + "/mimeapps.list"; }

    // Every file below the system folders, with its bytes.
    std::map<std::string, std::string> SystemFiles() const
    {
        std::map<std::string, std::string> files;
        std::istringstream found(testsupport::RunProcess({"find", tmp.File("etc"), tmp.File("usr"), "-type", "f"}).out);
        for (std::string path; std::getline(found, path);)
            files[path] = ReadFile(path);
        return files;
    }

    std::string Default(const std::string& type) const { return MimeDefaults(dirs).QueryDefault(type); }

    static std::array<bool, xdg::kGroupCount> Only(size_t group)
    {
        std::array<bool, xdg::kGroupCount> changed{};
        changed[group] = true;
        return changed;
    }

    TempDir tmp;
    xdg::XdgDirs dirs;
};

TEST_F(Registration, QueryFollowsPrecedenceAndSkipsWhatIsNotInstalled)
{
    const std::string type = "application/vnd.ms-asf";
    unlink((dirs.dataDirs[0] + "/applications/mimeinfo.cache").c_str());
    // Nothing listed anywhere: the scan of the desktop entries decides; of
    // two entries the one with the higher InitialPreference wins.
    EXPECT_EQ(Default(type), "brimcast.desktop");  // found before vlc.desktop by name
    Write(SystemApps("vlc.desktop"), DesktopEntry("Vlc", type + ";", "InitialPreference=5\n"));
    EXPECT_EQ(Default(type), "vlc.desktop");

    Write(SystemApps("mimeinfo.cache"), "[MIME Cache]\n" + type + "=totem.desktop;vlc.desktop;\n");
    EXPECT_EQ(Default(type), "totem.desktop");
    Write(dirs.configDirs[0] + "/mimeapps.list", "[Default Applications]\n" + type + "=totem.desktop\n");
    EXPECT_EQ(Default(type), "totem.desktop");
    // The user's list wins; an entry that is not installed is passed over
    // for the next one of the same list.
    Write(UserList(), "[Added Associations]\n" + type + "=vlc.desktop;\n[Default Applications]\n" + type +
                          "=gone.desktop;brimcast.desktop;\n");
    EXPECT_EQ(Default(type), "brimcast.desktop");
    // A desktop-specific list of the current desktop wins over the plain one.
    dirs.desktops = {"gnome"};
    Write(dirs.configHome + "/gnome-mimeapps.list", "[Default Applications]\n" + type + "=vlc.desktop\n");
    EXPECT_EQ(Default(type), "vlc.desktop");
    // A user's copy with Hidden=true hides the system's entry.
    dirs.desktops.clear();
    Write(dirs.dataHome + "/applications/brimcast.desktop", DesktopEntry("Brimcast", "", "Hidden=true\n"));
    EXPECT_FALSE(MimeDefaults(dirs).IsInstalled("brimcast.desktop"));
    EXPECT_EQ(Default(type), "totem.desktop");
}

TEST_F(Registration, CheckThenUncheckRestoresThePreviousDefaultsAndKeepsTheProtocols)
{
    const std::string original =
        "# my associations\n[Added Associations]\nvideo/mp4=vlc.desktop;\n\n"
        "[Default Applications]\napplication/vnd.ms-asf=vlc.desktop;\ntext/plain = gedit.desktop\n";
    Write(UserList(), original);
    Write(dirs.configDirs[0] + "/mimeapps.list", "[Default Applications]\naudio/x-ms-asx=totem.desktop\n");
    auto systemBefore = SystemFiles();

    FileRegistration reg(dirs);
    std::array<BoxState, 6> states = reg.BoxStates();
    ASSERT_EQ(states[kWindowsMedia], BoxState::Unchecked);
    states[kWindowsMedia] = BoxState::Checked;
    FileRegistration::Result r = reg.Apply(states, Only(kWindowsMedia));
    ASSERT_TRUE(r.ok) << (r.errors.empty() ? "" : r.errors[0]);
    EXPECT_EQ(reg.BoxStates()[kWindowsMedia], BoxState::Checked);
    for (const char* type : {"application/vnd.ms-asf", "video/x-ms-asf", "audio/x-ms-asx",
                                    "x-scheme-handler/mms", "x-scheme-handler/mmst", "x-scheme-handler/mmsu"})
        EXPECT_EQ(Default(type), "brimcast.desktop") << type;
    xdg::KeyFile list;
    ASSERT_EQ(list.LoadFile(UserList()), xdg::KeyFile::Load::Ok);
    // The previous default is kept behind ours; the rest is untouched.
    EXPECT_EQ(list.Value("Default Applications", "application/vnd.ms-asf"), "brimcast.desktop;vlc.desktop;");
    EXPECT_EQ(list.Value("Added Associations", "video/mp4"), "vlc.desktop;");
    EXPECT_EQ(ReadFile(UserList()).rfind(original.substr(0, 50), 0), 0u);

    EXPECT_TRUE(reg.Apply(reg.BoxStates(), {}).written.empty());  // OK without a change writes nothing

    states[kWindowsMedia] = BoxState::Unchecked;
    r = reg.Apply(states, Only(kWindowsMedia));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(reg.BoxStates()[kWindowsMedia], BoxState::Unchecked);
    EXPECT_EQ(Default("application/vnd.ms-asf"), "vlc.desktop");
    EXPECT_EQ(Default("audio/x-ms-asx"), "totem.desktop");  // from the system list again
    // The addresses stay ours.
    EXPECT_EQ(Default("x-scheme-handler/mms"), "brimcast.desktop");
    const std::string text = ReadFile(UserList());
    EXPECT_NE(text.find("application/vnd.ms-asf=vlc.desktop;\ntext/plain = gedit.desktop\n"), std::string::npos)
        << text;
    EXPECT_EQ(SystemFiles(), systemBefore);
}

TEST_F(Registration, SharedPlaylistTypeStaysWhileAnotherGroupHoldsIt)
{
    FileRegistration reg(dirs);
    std::array<BoxState, 6> states{};
    states[kWindowsMedia] = BoxState::Checked;
    states[kAudio] = BoxState::Checked;
    ASSERT_TRUE(reg.Apply(states, {true, true, false, false, false, false}).ok);
    EXPECT_EQ(Default("audio/x-ms-wma"), "brimcast.desktop");
    states[kAudio] = BoxState::Unchecked;
    ASSERT_TRUE(reg.Apply(states, Only(kAudio)).ok);
    EXPECT_NE(Default("audio/x-ms-wma"), "brimcast.desktop");
    EXPECT_EQ(Default("audio/x-ms-asx"), "brimcast.desktop");  // .asx is still checked
    EXPECT_EQ(reg.BoxStates()[kWindowsMedia], BoxState::Checked);
    // Unchecking both gives it back.
    states[kWindowsMedia] = BoxState::Unchecked;
    ASSERT_TRUE(reg.Apply(states, Only(kWindowsMedia)).ok);
    EXPECT_EQ(Default("audio/x-ms-asx"), "vlc.desktop");
}

TEST_F(Registration, WritesThroughLinksAndNeverOverAFileItCannotRead)
{
    // A list kept elsewhere and linked (as dotfile managers do) stays a link.
    std::string real = tmp.File("dotfiles/mimeapps.list");
    Write(real, "[Default Applications]\n");
    ASSERT_EQ(symlink(real.c_str(), UserList().c_str()), 0);
    FileRegistration reg(dirs);
    std::array<BoxState, 6> states{};
    states[kMpeg] = BoxState::Checked;
    ASSERT_TRUE(reg.Apply(states, Only(kMpeg)).ok);
    struct stat st;
    ASSERT_EQ(lstat(UserList().c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_NE(ReadFile(real).find("video/mpeg=brimcast.desktop;"), std::string::npos);

    // A list too large to read is left alone and the failure reported.
    unlink(UserList().c_str());
    std::string huge = "[Default Applications]\n" + std::string(xdg::KeyFile::kMaxBytes, '#') + "\n";
    Write(UserList(), huge);
    FileRegistration::Result r = reg.Apply(states, Only(kMpeg));
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_TRUE(!r.ok && r.errors[0].find("too large") != std::string::npos) << r.errors[0];
    EXPECT_EQ(testsupport::FileSize(UserList()), huge.size());
}

// Runs f on a thread of its own; a call that is still blocked after a long
// while fails the test and is released by opening the pipes for writing.
template <typename F>
auto WithoutWaitingOn(const std::vector<std::string>& pipes, F f)
{
    auto result = std::async(std::launch::async, f);
    if (result.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "blocked on a named pipe";
        while (result.wait_for(std::chrono::milliseconds(10)) == std::future_status::timeout)
            for (const std::string& pipe : pipes)
                if (int fd = open(pipe.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0)
                    close(fd);
    }
    return result.get();
}

// A named pipe on the lookup path is never waited on, and neither it nor a
// read-only list is replaced.
TEST_F(Registration, PipesAndReadOnlyListsAreLeftAloneWithoutWaiting)
{
    const std::vector<std::string> pipes = {UserList(), dirs.configDirs[0] + "/mimeapps.list"};
    MakeDirs(dirs.configDirs[0]);
    for (const std::string& pipe : pipes)
        ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    FileRegistration reg(dirs);
    std::array<BoxState, 6> states{};
    states[kMpeg] = BoxState::Checked;
    // No list can be read: the installed entries decide (ours comes first by name).
    EXPECT_EQ(WithoutWaitingOn(pipes, [&] { return reg.BoxStates()[kMpeg]; }), BoxState::Checked);
    FileRegistration::Result r = WithoutWaitingOn(pipes, [&] { return reg.Apply(states, Only(kMpeg)); });
    ASSERT_TRUE(!r.ok && r.errors.size() == 1u);
    EXPECT_NE(r.errors[0].find(UserList() + ": cannot be read, left as it is"), std::string::npos) << r.errors[0];
    struct stat st;
    ASSERT_EQ(lstat(UserList().c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    unlink(UserList().c_str());
    const std::string text = "[Default Applications]\nvideo/mpeg=vlc.desktop;\n";
    Write(UserList(), text);
    ASSERT_EQ(chmod(UserList().c_str(), 0444), 0);
    ASSERT_EQ(stat(UserList().c_str(), &st), 0);
    r = reg.Apply(states, Only(kMpeg));
    ASSERT_TRUE(!r.ok && r.errors.size() == 1u);
    EXPECT_EQ(r.errors[0], UserList() + ": read-only, left as it is");
    EXPECT_EQ(ReadFile(UserList()), text);
    struct stat after {};
    EXPECT_TRUE(stat(UserList().c_str(), &after) == 0 && after.st_ino == st.st_ino);
}

// The desktop entry that the package installs lists exactly the types the
// registration takes, and its actions start the program with the verbs.
TEST(DesktopEntry, ListsTheRegisteredTypesAndTheThreeVerbs)
{
    xdg::KeyFile entry;
    ASSERT_EQ(entry.LoadFile(testsupport::SourceDir() + "/packaging/brimcast.desktop"), xdg::KeyFile::Load::Ok);
    EXPECT_EQ(xdg::SplitList(entry.Value("Desktop Entry", "MimeType").value_or("")), xdg::HandledMimeTypes());
    EXPECT_EQ(entry.Value("Desktop Entry", "Exec"), "brimcast /Open %u");
    EXPECT_EQ(entry.Value("Desktop Entry", "Actions"), "Open;Play;Record;");
    for (const char* verb : {"Open", "Play", "Record"})
        EXPECT_EQ(entry.Value(std::string("Desktop Action ") + verb, "Exec"), std::string("brimcast /") + verb + " %u");
    // Every type of every group is a type of the shared MIME database or ours.
    std::string database = ReadFile("/usr/share/mime/packages/freedesktop.org.xml") +
                           ReadFile(testsupport::SourceDir() + "/packaging/brimcast-mime.xml");
    for (const xdg::RegistrationGroup& group : xdg::RegistrationGroups())
        for (const xdg::RegisteredType& type : group.types)
            EXPECT_NE(database.find(std::string("<mime-type type=\"") + type.mimeType + "\""), std::string::npos)
                << type.extension;
}

}  // namespace
