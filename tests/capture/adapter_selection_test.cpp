#include "capture/adapter_selection.h"

#include <gtest/gtest.h>

#include <functional>

#include "capture/capture_memory.h"
#include "capture/url_capture.h"
#include "frame_builder.h"
#include "record/app_settings.h"
#include "record/profile.h"

using capturetest::Strings;

namespace {

const std::vector<CaptureAdapter> kAdapters = {{"eth0", ""}, {"any", "all interfaces"}, {"lo", ""}};

AppSettings Settings()
{
    AppSettings s;
    s.m_fileTypes = {".wmv", ".asf", ".wma"};
    return s;
}

std::string SavedAdapter(const Profile& p) { return p.GetString("settings", "Capture Adapter", "?"); }

TEST(AdapterSelectionTest, SavedAdapterIsPreselectedAndOkStoresTheChoice)
{
    AppSettings settings = Settings();
    MemoryProfile profile;
    AdapterSelection fresh(kAdapters, settings, profile);
    EXPECT_EQ(fresh.selected, 0);
    EXPECT_FALSE(fresh.save);
    EXPECT_EQ(AdapterSelection({}, settings, profile).selected, -1);
    // Matched by exact name; the box follows the stored value, matched or not.
    for (const auto& [saved, selected] : {std::pair{"lo", 2}, std::pair{"LO", 0}}) {
        profile.WriteString("settings", "Capture Adapter", saved);
        AdapterSelection s(kAdapters, settings, profile);
        EXPECT_EQ(s.selected, selected) << saved;
        EXPECT_TRUE(s.save) << saved;
    }

    fresh.selected = 1;
    fresh.save = true;
    fresh.captureRtsp = false;
    fresh.InsertFileType("ogg");
    EXPECT_EQ(fresh.Accept(settings, profile), 1);
    EXPECT_EQ(SavedAdapter(profile), "any");
    EXPECT_EQ(settings.m_captureRtsp, 0);
    EXPECT_EQ(settings.m_captureHttp, 1);
    EXPECT_EQ(settings.m_fileTypes, (Strings{".wmv", ".asf", ".wma", ".ogg"}));
    // Without "Save" the stored adapter is emptied; no selection means the first.
    fresh.save = false;
    fresh.selected = -1;
    EXPECT_EQ(fresh.Accept(settings, profile), 0);
    EXPECT_EQ(SavedAdapter(profile), "");
    EXPECT_EQ(AdapterSelection({}, settings, profile).Accept(settings, profile), -1);
}

TEST(AdapterSelectionTest, InsertAndDeleteFileTypes)
{
    MemoryProfile profile;
    AdapterSelection s(kAdapters, Settings(), profile);
    for (const char* refused : {"", "   ", "WMV"})  // "WMV" becomes ".wmv", already listed
        EXPECT_FALSE(s.InsertFileType(refused)) << refused;
    for (const char* added : {"MKV", ".Mp4", " flv "})
        EXPECT_TRUE(s.InsertFileType(added)) << added;
    EXPECT_FALSE(s.InsertFileType(".mkv"));
    EXPECT_EQ(s.fileTypes(), (Strings{".wmv", ".asf", ".wma", ".mkv", ".mp4", ".flv"}));
    s.DeleteFileTypes({4, 0, 4, 99, -1, 2});
    EXPECT_EQ(s.fileTypes(), (Strings{".asf", ".mkv", ".flv"}));
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

int IndexOfLo(const AdapterSelection& s)
{
    for (size_t i = 0; i < s.adapters().size(); ++i) {
        if (s.adapters()[i].name == "lo")
            return static_cast<int>(i);
    }
    return -1;
}

TEST(UrlCaptureCommandTest, CancelChangesNothingStartSavesStartAgainStops)
{
    CaptureMemory memory;
    capturetest::LineSink sink;
    UrlCapture capture(memory, sink);
    AppSettings settings = Settings();
    MemoryProfile profile;
    ScriptedChooser chooser;
    chooser.script = [](AdapterSelection& s) {
        s.captureHttp = false;  // changed, then cancelled
        s.save = true;
        return false;
    };
    auto result = capture.StartCommand(chooser, settings, profile);
    EXPECT_FALSE(result.started || capture.IsCapturing());
    EXPECT_EQ(result.error, "");
    EXPECT_EQ(settings.m_captureHttp, 1);
    EXPECT_FALSE(profile.Has("settings", "Capture Adapter"));

    chooser.script = [](AdapterSelection& s) {
        s.save = true;
        s.selected = IndexOfLo(s);
        return s.selected >= 0;
    };
    result = capture.StartCommand(chooser, settings, profile);
    if (!result.started && result.error.find("not permitted") != std::string::npos)
        GTEST_SKIP() << "live capture is not permitted here: " << result.error;
    ASSERT_TRUE(result.started && capture.IsCapturing()) << result.error;
    EXPECT_EQ(SavedAdapter(profile), "lo");
    // Start while capturing acts as Stop, without the dialog.
    result = capture.StartCommand(chooser, settings, profile);
    EXPECT_FALSE(result.started || capture.IsCapturing());
    EXPECT_EQ(chooser.shown, 2);
}

}  // namespace
