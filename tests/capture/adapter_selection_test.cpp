#include "capture/adapter_selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "capture/capture_memory.h"
#include "capture/url_capture.h"
#include "frame_builder.h"
#include "record/app_settings.h"
#include "record/profile.h"

namespace {

using Strings = std::vector<std::string>;

std::vector<CaptureAdapter> ThreeAdapters()
{
    return {{"eth0", ""}, {"any", "Pseudo-device that captures on all interfaces"}, {"lo", ""}};
}

AppSettings CaptureDefaults()
{
    AppSettings s;
    s.m_fileTypes = {".wmv", ".asf", ".wma"};
    return s;
}

TEST(AdapterSelectionTest, SavedAdapterIsPreselectedByExactName)
{
    const AppSettings settings = CaptureDefaults();
    MemoryProfile profile;
    AdapterSelection fresh(ThreeAdapters(), settings, profile);
    EXPECT_EQ(fresh.selected, 0);
    EXPECT_FALSE(fresh.save);

    profile.WriteString("settings", "Capture Adapter", "lo");
    AdapterSelection saved(ThreeAdapters(), settings, profile);
    EXPECT_EQ(saved.selected, 2);
    EXPECT_TRUE(saved.save);

    profile.WriteString("settings", "Capture Adapter", "LO");
    AdapterSelection otherCase(ThreeAdapters(), settings, profile);
    EXPECT_EQ(otherCase.selected, 0);
    EXPECT_TRUE(otherCase.save) << "the box follows the stored value, matched or not";

    AdapterSelection none({}, settings, profile);
    EXPECT_EQ(none.selected, -1);
}

TEST(AdapterSelectionTest, InsertAndDeleteFileTypes)
{
    AppSettings settings = CaptureDefaults();
    settings.m_captureMms = 0;
    MemoryProfile profile;
    AdapterSelection s(ThreeAdapters(), settings, profile);
    EXPECT_TRUE(s.captureHttp);
    EXPECT_FALSE(s.captureMms);
    EXPECT_EQ(s.fileTypes(), settings.m_fileTypes);

    EXPECT_FALSE(s.InsertFileType(""));
    EXPECT_FALSE(s.InsertFileType("   "));
    EXPECT_FALSE(s.InsertFileType("WMV"));  // becomes ".wmv", already listed
    EXPECT_TRUE(s.InsertFileType("MKV"));
    EXPECT_TRUE(s.InsertFileType(".Mp4"));
    EXPECT_TRUE(s.InsertFileType(" flv "));
    EXPECT_FALSE(s.InsertFileType(".mkv"));
    EXPECT_EQ(s.fileTypes(), (Strings{".wmv", ".asf", ".wma", ".mkv", ".mp4", ".flv"}));

    s.DeleteFileTypes({4, 0, 4, 99, -1, 2});
    EXPECT_EQ(s.fileTypes(), (Strings{".asf", ".mkv", ".flv"}));
}

TEST(AdapterSelectionTest, OkWritesAdapterAndSettings)
{
    AppSettings settings = CaptureDefaults();
    MemoryProfile profile;
    AdapterSelection s(ThreeAdapters(), settings, profile);
    s.selected = 1;
    s.save = true;
    s.captureRtsp = false;
    s.InsertFileType("ogg");
    EXPECT_EQ(s.Accept(settings, profile), 1);
    EXPECT_EQ(profile.GetString("settings", "Capture Adapter", "?"), "any");
    EXPECT_EQ(settings.m_captureRtsp, 0);
    EXPECT_EQ(settings.m_captureHttp, 1);
    EXPECT_EQ(settings.m_fileTypes, (Strings{".wmv", ".asf", ".wma", ".ogg"}));

    // The settings persist what the dialog changed.
    settings.Save(profile);
    EXPECT_EQ(profile.GetInt("settings", "CaptureRTSP", -1), 0);
    EXPECT_EQ(profile.GetInt("FileTypeList\\type", "", -1), 4);
    EXPECT_EQ(profile.GetString("FileTypeList\\type", "type3", ""), ".ogg");

    // Without "Save" the stored adapter is emptied; no selection means the first.
    AdapterSelection again(ThreeAdapters(), settings, profile);
    again.save = false;
    again.selected = -1;
    EXPECT_EQ(again.Accept(settings, profile), 0);
    EXPECT_TRUE(profile.Has("settings", "Capture Adapter"));
    EXPECT_EQ(profile.GetString("settings", "Capture Adapter", "?"), "");

    AdapterSelection empty({}, settings, profile);
    empty.save = true;
    EXPECT_EQ(empty.Accept(settings, profile), -1);
}

// The "Select Adapter" window as a script.
class ScriptedChooser final : public AdapterChooser {
public:
    std::function<bool(AdapterSelection&)> script;
    int shown = 0;
    bool Choose(AdapterSelection& selection) override
    {
        ++shown;
        return script(selection);
    }
};

int IndexOf(const AdapterSelection& s, const std::string& name)
{
    const auto& a = s.adapters();
    const auto it = std::find_if(a.begin(), a.end(), [&](const CaptureAdapter& x) { return x.name == name; });
    return it == a.end() ? -1 : static_cast<int>(it - a.begin());
}

TEST(UrlCaptureCommandTest, CancelLeavesEverythingAsItWas)
{
    CaptureMemory memory;
    capturetest::RecordingSink sink;
    UrlCapture capture(memory, sink);
    AppSettings settings = CaptureDefaults();
    MemoryProfile profile;
    ScriptedChooser chooser;
    chooser.script = [](AdapterSelection& s) {
        s.captureHttp = false;
        s.save = true;
        return false;
    };
    const auto result = capture.StartCommand(chooser, settings, profile);
    EXPECT_EQ(chooser.shown, 1);
    EXPECT_FALSE(result.started);
    EXPECT_EQ(result.error, "");
    EXPECT_FALSE(capture.IsCapturing());
    EXPECT_EQ(settings.m_captureHttp, 1);
    EXPECT_FALSE(profile.Has("settings", "Capture Adapter"));
}

TEST(UrlCaptureCommandTest, StartSavesAdapterStartAgainStops)
{
    CaptureMemory memory;
    capturetest::RecordingSink sink;
    UrlCapture capture(memory, sink);
    AppSettings settings = CaptureDefaults();
    MemoryProfile profile;
    ScriptedChooser chooser;
    chooser.script = [](AdapterSelection& s) {
        s.selected = IndexOf(s, "lo");
        s.save = true;
        return s.selected >= 0;
    };
    const auto started = capture.StartCommand(chooser, settings, profile);
    if (!started.started && started.error.find("not permitted") != std::string::npos)
        GTEST_SKIP() << "live capture is not permitted here: " << started.error;
    ASSERT_TRUE(started.started) << started.error;
    EXPECT_TRUE(capture.IsCapturing());
    EXPECT_EQ(profile.GetString("settings", "Capture Adapter", ""), "lo");

    // Start while capturing acts as Stop, without showing the dialog.
    const auto stopped = capture.StartCommand(chooser, settings, profile);
    EXPECT_FALSE(stopped.started);
    EXPECT_EQ(stopped.error, "");
    EXPECT_EQ(chooser.shown, 1);
    capture.Wait();
    EXPECT_FALSE(capture.IsCapturing());

    // The next Start preselects the saved adapter, and still asks.
    int preselected = -2;
    bool saveChecked = false;
    chooser.script = [&](AdapterSelection& s) {
        preselected = s.selected;
        saveChecked = s.save;
        EXPECT_EQ(preselected, IndexOf(s, "lo"));
        return false;
    };
    capture.StartCommand(chooser, settings, profile);
    EXPECT_EQ(chooser.shown, 2);
    EXPECT_TRUE(saveChecked);
    EXPECT_FALSE(capture.IsCapturing());
}

TEST(UrlCaptureCommandTest, AdapterOfAnotherLinkTypeIsRefused)
{
    CaptureMemory memory;
    capturetest::RecordingSink sink;
    UrlCapture capture(memory, sink);
    AppSettings settings = CaptureDefaults();
    MemoryProfile profile;
    ScriptedChooser chooser;
    bool listed = false;
    chooser.script = [&](AdapterSelection& s) {
        s.selected = IndexOf(s, "nflog");
        listed = s.selected >= 0;
        return listed;
    };
    const auto result = capture.StartCommand(chooser, settings, profile);
    if (!listed)
        GTEST_SKIP() << "libpcap lists no nflog adapter here";
    if (result.error.find("not permitted") != std::string::npos)
        GTEST_SKIP() << "live capture is not permitted here: " << result.error;
    EXPECT_FALSE(result.started);
    EXPECT_NE(result.error.find("cannot be read"), std::string::npos) << result.error;
    EXPECT_FALSE(capture.IsCapturing());
}

}  // namespace
