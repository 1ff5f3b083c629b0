#include "capture/adapter_selection.h"

#include <gtest/gtest.h>

#include "base/app_settings.h"
#include "frame_builder.h"

using capturetest::Strings;

namespace {

TEST(AdapterSelectionTest, SavedAdapterIsPreselectedAndOkStoresTheChoices)
{
    const std::vector<CaptureAdapter> adapters = {{"eth0", ""}, {"any", "all interfaces"}, {"lo", ""}};
    AppSettings settings;
    settings.m_fileTypes = {".wmv", ".asf", ".wma"};
    AdapterSelection s(adapters, settings);
    EXPECT_TRUE(s.selected == 0 && !s.save);
    EXPECT_EQ(AdapterSelection({}, settings).selected, -1);
    // Matched by exact name; the box follows the kept value, matched or not.
    for (const auto& [saved, selected] : {std::pair{"lo", 2}, std::pair{"LO", 0}}) {
        AppSettings kept = settings;
        kept.m_captureDriver = saved;
        AdapterSelection again(adapters, kept);
        EXPECT_TRUE(again.selected == selected && again.save) << saved;
    }
    // Insert: blanks trimmed, "." put in front, lower-cased, no duplicates.
    const char* types[] = {"", "   ", "WMV", "MKV", ".Mp4", " flv "};  // the first three refused
    for (size_t i = 0; i < std::size(types); ++i)
        EXPECT_EQ(s.InsertFileType(types[i]), i >= 3) << types[i];
    EXPECT_EQ(s.fileTypes(), (Strings{".wmv", ".asf", ".wma", ".mkv", ".mp4", ".flv"}));
    s.DeleteFileTypes({4, 0, 4, 99, -1, 2});  // each selected row once; rows beyond the list ignored
    s.selected = 1;
    s.save = true;
    s.captureRtsp = false;
    EXPECT_EQ(s.Accept(settings), 1);
    EXPECT_EQ(settings.m_captureDriver, "any");
    EXPECT_TRUE(settings.m_captureRtsp == 0 && settings.m_captureHttp == 1 && settings.m_captureMms == 1);
    EXPECT_EQ(settings.m_fileTypes, (Strings{".asf", ".mkv", ".flv"}));
    // Without "Save" the stored adapter is emptied; no selection means the first.
    s.save = false;
    s.selected = -1;
    EXPECT_EQ(s.Accept(settings), 0);
    EXPECT_EQ(settings.m_captureDriver, "");
    EXPECT_EQ(AdapterSelection({}, settings).Accept(settings), -1);
}

}  // namespace
