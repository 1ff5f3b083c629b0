#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/asx_reader.h"
#include "formats/asx_writer.h"
#include "record/app_settings.h"
#include "record/user_prompts.h"
#include "test_support.h"

namespace {

// Answers from a script and records every question.
class ScriptedPrompts : public UserPrompts {
public:
    bool yes = false;
    std::string savePath;  // empty: the save dialog is cancelled
    std::vector<std::string> questions;
    std::vector<std::string> proposals;

    bool AskResume(const std::string&) override { return false; }
    FileExists AskFileExists(const std::string&, bool&) override { return FileExists::Cancel; }
    bool AskSavePath(std::string& path) override
    {
        proposals.push_back(path);
        if (savePath.empty())
            return false;
        path = savePath;
        return true;
    }
    CredentialAnswer AskCredentials(const std::string&, const std::string&, const std::string&) override
    {
        return {};
    }
    bool AskYesNo(const std::string& message) override
    {
        questions.push_back(message);
        return yes;
    }
    YesNoCancel AskYesNoCancel(const std::string&) override { return YesNoCancel::Cancel; }
};

TEST(AsxWriter, WritesSixCrLfLinesThatReadBackAsOneReference)
{
    testsupport::TempDir dir;
    std::string path = dir.File("a.asx");
    const std::string address = "mms://host/live?x=1&y=<2>";
    ASSERT_EQ(WriteAsxFile(path, "Title & more", address, nullptr), AsxWriteResult::Written);
    std::string bytes = testsupport::ReadFile(path);
    EXPECT_EQ(bytes,
              "<ASX version=\"3.0\">\r\n<Entry>\r\n<TITLE>Title & more</TITLE>\r\n"
              "<ref href=\"mms://host/live?x=1&y=<2>\"/>\r\n</Entry>\r\n</ASX>\r\n");
    for (AsxReader::Mode mode : {AsxReader::Mode::MainView, AsxReader::Mode::RecordingJob}) {
        auto r = AsxReader::Read(mode, bytes);
        EXPECT_TRUE(r.asxSeen);
        EXPECT_EQ(r.output, std::vector<std::string>{address});
        EXPECT_TRUE(r.messages.empty());
    }
    EXPECT_EQ(AsxReader::Read(AsxReader::Mode::StreamingClient, bytes).output,
              (std::vector<std::string>{"-e", address}));
}

TEST(AsxWriter, AsksBeforeReplacingAFile)
{
    testsupport::TempDir dir;
    std::string path = dir.File("old.asx");
    testsupport::WriteFile(path, "old");
    ScriptedPrompts prompts;
    EXPECT_EQ(WriteAsxFile(path, "t", "mms://h/a", &prompts), AsxWriteResult::Declined);
    EXPECT_EQ(testsupport::ReadFile(path), "old");
    ASSERT_EQ(prompts.questions.size(), 1u);
    EXPECT_EQ(prompts.questions[0], path + " \n\n File exist. Overwrite?");
    // Without anyone to ask, the file is kept.
    EXPECT_EQ(WriteAsxFile(path, "t", "mms://h/a", nullptr), AsxWriteResult::Declined);
    EXPECT_EQ(testsupport::ReadFile(path), "old");
    prompts.yes = true;
    EXPECT_EQ(WriteAsxFile(path, "t", "mms://h/a", &prompts), AsxWriteResult::Written);
    EXPECT_NE(testsupport::ReadFile(path).find("mms://h/a"), std::string::npos);
    // A folder that does not exist fails without a question.
    EXPECT_EQ(WriteAsxFile(dir.File("no/such.asx"), "t", "a", &prompts), AsxWriteResult::Failed);
    EXPECT_EQ(prompts.questions.size(), 2u);
}

TEST(AsxWriter, TitleCleaningAndSavePaths)
{
    EXPECT_EQ(CleanAsxTitle("Live: News?"), "Live_ News_");
    EXPECT_EQ(CleanAsxTitle("a\\b/c:d*e?f\"g<h>i|j"), "a_b_c_d_e_f_g_h_i_j");
    EXPECT_EQ(CleanAsxTitle(std::string("x\0y", 3)), "x_y");
    EXPECT_EQ(CleanAsxTitle("제목 ok"), "제목 ok");

    testsupport::TempDir dir;
    AppSettings settings;
    settings.m_baseDir = dir.path();
    EXPECT_EQ(AsxSaveFolder(settings), dir.path());
    EXPECT_EQ(ProposedAsxPath(settings, "Live: News?"), dir.File("Live_ News_.asx"));
    EXPECT_EQ(ProposedAsxPath(settings, ""), dir.File("noname.asx"));
    settings.m_baseDir = dir.path() + "/";
    EXPECT_EQ(ProposedAsxPath(settings, "x"), dir.File("x.asx"));
    settings.m_baseDir = dir.path();

    // ASX Save writes the cleaned title into the base folder.
    ScriptedPrompts prompts;
    EXPECT_EQ(AsxSave(settings, "Live: News?", "mms://h/n", &prompts), AsxWriteResult::Written);
    std::string saved = testsupport::ReadFile(dir.File("Live_ News_.asx"));
    EXPECT_NE(saved.find("<TITLE>Live_ News_</TITLE>"), std::string::npos);
    EXPECT_TRUE(prompts.proposals.empty());

    // An empty title goes through the save dialog, proposing noname.asx;
    // cancelling writes nothing.
    EXPECT_EQ(AsxSave(settings, "", "mms://h/e", &prompts), AsxWriteResult::Declined);
    ASSERT_EQ(prompts.proposals.size(), 1u);
    EXPECT_EQ(prompts.proposals[0], dir.File("noname.asx"));
    EXPECT_FALSE(testsupport::FileExists(dir.File("noname.asx")));
    prompts.savePath = dir.File("chosen.asx");
    EXPECT_EQ(AsxSaveAs(settings, "a/b", "mms://h/e", &prompts), AsxWriteResult::Written);
    EXPECT_EQ(prompts.proposals.back(), dir.File("a_b.asx"));
    EXPECT_EQ(
        AsxReader::Read(AsxReader::Mode::MainView, testsupport::ReadFile(dir.File("chosen.asx"))).output,
        std::vector<std::string>{"mms://h/e"});
    EXPECT_EQ(AsxSaveAs(settings, "x", "y", nullptr), AsxWriteResult::Declined);
}

TEST(AsxWriter, LongLinesAreWrittenWhole)
{
    testsupport::TempDir dir;
    std::string address = "http://host/" + std::string(400, 'p') + "?q=1";
    std::string title(300, 'T');
    ASSERT_EQ(WriteAsxFile(dir.File("long.asx"), title, address, nullptr), AsxWriteResult::Written);
    std::string bytes = testsupport::ReadFile(dir.File("long.asx"));
    EXPECT_NE(bytes.find("<ref href=\"" + address + "\"/>\r\n"), std::string::npos);
    EXPECT_EQ(AsxReader::Read(AsxReader::Mode::MainView, bytes).output, std::vector<std::string>{address});
}

}  // namespace
