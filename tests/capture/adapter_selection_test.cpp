#include "capture/adapter_selection.h"

#include <gtest/gtest.h>

#include "base/app_settings.h"
#include "base/memory_profile.h"
#include "frame_builder.h"

using capturetest::Strings;

namespace {

std::string SavedAdapter(const Profile& p) { return p.GetString("settings", "Capture Adapter", "?"); }

TEST(AdapterSelectionTest, SavedAdapterIsPreselectedAndOkStoresTheChoices)
{
    const std::vector<CaptureAdapter> adapters = {{"eth0", ""}, {"any", "all interfaces"}, {"lo", ""}};
    AppSettings settings;
    settings.m_fileTypes = {".wmv", ".asf", ".wma"};
    MemoryProfile profile;
    AdapterSelection s(adapters, settings, profile);
    EXPECT_EQ(s.selected, 0);
    EXPECT_FALSE(s.save);
    EXPECT_EQ(AdapterSelection({}, settings, profile).selected, -1);
    // Matched by exact name; the box follows the stored value, matched or not.
    for (const auto& [saved, selected] : {std::pair{"lo", 2}, std::pair{"LO", 0}}) {
        profile.WriteString("settings", "Capture Adapter", saved);
        AdapterSelection again(adapters, settings, profile);
        EXPECT_TRUE(again.selected == selected && again.save) << saved;
    }

    // Insert: blanks trimmed, "." put in front, lower-cased, no duplicates.
    for (const char* refused : {"", "   ", "WMV"})
        EXPECT_FALSE(s.InsertFileType(refused)) << refused;
    for (const char* added : {"MKV", ".Mp4", " flv "})
        EXPECT_TRUE(s.InsertFileType(added)) << added;
    EXPECT_EQ(s.fileTypes(), (Strings{".wmv", ".asf", ".wma", ".mkv", ".mp4", ".flv"}));
    s.DeleteFileTypes({4, 0, 4, 99, -1, 2});  // each selected row once; rows beyond the list ignored
    s.selected = 1;
    s.save = true;
    s.captureRtsp = false;
    EXPECT_EQ(s.Accept(settings, profile), 1);
    EXPECT_EQ(SavedAdapter(profile), "any");
    EXPECT_TRUE(settings.m_captureRtsp == 0 && settings.m_captureHttp == 1 && settings.m_captureMms == 1);
    EXPECT_EQ(settings.m_fileTypes, (Strings{".asf", ".mkv", ".flv"}));
    // Without "Save" the stored adapter is emptied; no selection means the first.
    s.save = false;
    s.selected = -1;
    EXPECT_EQ(s.Accept(settings, profile), 0);
    EXPECT_EQ(SavedAdapter(profile), "");
    EXPECT_EQ(AdapterSelection({}, settings, profile).Accept(settings, profile), -1);
}

}  // namespace
