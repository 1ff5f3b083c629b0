#include <gtest/gtest.h>

#include "formats/asx_reader.h"
#include "formats/asx_writer.h"
#include "record/app_settings.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace {

using Mode = AsxReader::Mode;
using Strings = std::vector<std::string>;

// What the main view (and the recording job) and the streaming client hand
// on for a text, and the first syntax message. kWhole: the whole text.
const Strings kWhole = {"(whole text)"};
struct Case {
    std::string text;
    Strings main, stream;
    const char* message = "";
};

TEST(AsxReader, TextsGiveTheirReferencesInEachConfiguration)
{
    const std::string ini =
        "[Other]\nRef1=http://ignored/\n[reference]\r\nref1=mms://h/a\r\nREF22=http://h/b\n"
        "Refx=bad\nRef=http://h/c\rjunk\n [Reference]\nRef2=still in\n[Reference] \nRef3=out\n";
    const std::string plain =
        "ASF http://h/a.asf\r\n  asf\t \tmms://h/b\n\tMMSU://h/c\nASFX mms://no\nftp://no\n"
        "# comment\nhttp://h/d e\n mmst://h/e\r\n";
    const Case cases[] = {
        {"<ASX version=\"3.0\"><Entry><ref href=\"mms://host/a.asf\"/></Entry></ASX>",
         {"mms://host/a.asf"},
         {"-e", "mms://host/a.asf"}},
        {"<ASX><Entry><Ref HREF = \"mms://host/a\"></Entry><Entry><EntryRef "
         "href=\"http://host/b.asx\"/></Entry></ASX>",
         {"mms://host/a", "http://host/b.asx"},
         {"-e", "mms://host/a", "-e", "http://host/b.asx"}},
        // Only a whole first href attribute counts; text between tags is never read.
        {"<ASX><Ref title=\"x\" href=\"mms://host/a\"></ASX>", kWhole, {}},
        {"<ASX><Title>My list</Title><Ref href=\"x\"></Ref></ASX>", {"x"}, {"x"}},
        {"<ASX><Ref href/><Ref href=\"\"></ASX>", {""}, {""}},
        // Unquoted values end at "/"; single quotes are ordinary; quoted values keep everything.
        {"<Ref href=mms://host/a>", kWhole, {}, "ASF syntax error 8!\n"},
        {"<Ref href=abc>", {"abc"}, {"abc"}},
        {"<Ref href='abc'>", {"'abc'"}, {"'abc'"}},
        {"<ref href=\"a b/>\r\nc\">", {"a b/>\r\nc"}, {"a b/>\r\nc"}},
        // A syntax error abandons the tag; reading resumes at the next one.
        {"hello world <Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 1!\n"},
        {"<!-- c --><Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 2!\n"},
        {"<?xml version=\"1.0\"?><Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 2!\n"},
        {"<R-f x=\"1\"><Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 3!\n"},
        {"<Foo \"x\"><Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 4!\n"},
        {"<Foo a b=\"1\"><Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 5!\n"},
        {"<Foo a=/x><Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 6!\n"},
        {"<Foo a=b\"c><Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 7!\n"},
        {"<Foo/x><Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 8!\n"},
        {"rtsp://h/x\n<ref href=\"mms://h/z\">", {"mms://h/z"}, {"mms://h/z"}, "ASF syntax error 1!\n"},
        // An unterminated tag at the end is ignored.
        {"<ASX><Ref href=\"a\"><Ref href=\"b", {"a"}, {"a"}},
        // Without references the main view takes a text of more than 10
        // bytes whole (up to a NUL); the streaming client takes nothing.
        {"mms://host/a.asf\r\n", kWhole, {"-e", "mms://host/a.asf"}},
        {"<html>x</html>", kWhole, {}},
        {std::string("<html>\0hidden</html>", 20), {"<html>"}, {}},
        {"0123456789", {}, {}, "ASF syntax error 1!\n"},
        {"   \r\n\t  ", {}, {}},
        // INI and plain reference lists: read by the streaming client only.
        {"[Reference]\r\nRef1=http://host/a.asf\r\n", kWhole, {"-e", "http://host/a.asf"}},
        {ini, kWhole, {"-e", "mms://h/a", "http://h/b", "http://h/c", "still in"}},
        {"[Reference]\nfoo=bar\n", kWhole, {}},
        {plain, kWhole, {"-e", "http://h/a.asf", "mms://h/b", "MMSU://h/c", "http://h/d e", "mmst://h/e"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        for (Mode mode : {Mode::MainView, Mode::RecordingJob, Mode::StreamingClient}) {
            const AsxReader::Result r = AsxReader::Read(mode, c.text);
            const Strings& expected = mode == Mode::StreamingClient ? c.stream : c.main;
            EXPECT_EQ(r.output, expected == kWhole ? Strings{c.text} : expected);
            EXPECT_EQ(r.messages.empty() ? "" : r.messages.front(), std::string(c.message));
        }
    }
    EXPECT_TRUE(AsxReader::Read(Mode::MainView, "<ASX></ASX>").asxSeen);
    EXPECT_FALSE(AsxReader::Read(Mode::MainView, "mms://host/a.asf\r\n").asxSeen);
    EXPECT_TRUE(AsxReader::Read(Mode::StreamingClient, plain).asxSeen);
    EXPECT_FALSE(AsxReader::Read(Mode::MainView, nullptr, 5).asxSeen);
}

TEST(AsxReader, MoreInfoAndLeadingWords)
{
    const std::string text =
        "<ASX><MoreInfo href=\"http://info/1\"/><Entry><Ref href=\"mms://h/a\"/>"
        "<moreinfo href=\"http://info/2\"/></Entry></ASX>";
    const auto job = AsxReader::Read(Mode::RecordingJob, text);
    EXPECT_TRUE(job.moreInfoSeen);
    EXPECT_EQ(job.moreInfoUrl, "http://info/2");
    EXPECT_EQ(job.output, Strings{"mms://h/a"});
    EXPECT_FALSE(AsxReader::Read(Mode::MainView, text).moreInfoSeen);
    EXPECT_EQ(AsxReader::Read(Mode::StreamingClient, text, {"client", "-x"}).output,
              (Strings{"client", "-x", "-e", "mms://h/a"}));
    EXPECT_TRUE(AsxReader::Read(Mode::StreamingClient, "<ASX></ASX>", {"client"}).output.empty());
}

TEST(AsxReader, LimitsDropInputAndNeverOverrun)
{
    // 100 references fit, the 101st ends the reading; in the streaming
    // client the leading words and markers take entries too.
    std::string many = "<ASX>";
    for (int i = 0; i < 105; ++i)
        many += "<Ref href=\"r" + std::to_string(i) + "\">";
    EXPECT_EQ(AsxReader::Read(Mode::MainView, many).output.back(), "r99");
    const auto s = AsxReader::Read(Mode::StreamingClient, many, Strings(10, "w"));
    EXPECT_EQ(s.output.size(), AsxReader::kMaxReferences);
    EXPECT_EQ(s.referenceCount, 90);

    // 4096 bytes of reference text, terminators included: 8 x (455 + 1) +
    // (447 + 1) fit exactly, one byte more does not.
    for (size_t last : {447, 448}) {
        std::string text;
        for (int i = 0; i < 8; ++i)
            text += "<Ref href=\"" + std::string(455, 'e') + "\">";
        const auto r =
            AsxReader::Read(Mode::MainView, text + "<Ref href=\"" + std::string(last, 'f') + "\">");
        EXPECT_EQ(r.output.size(), last == 447 ? 9u : 8u);
    }

    // A value that fits the attribute text whole is used; a longer one is
    // never handed on cut. Long tag names and many attributes are cut.
    const std::string fits(AsxReader::kMaxAttributeText - 6, 'x');  // "href\0" + value + "\0"
    auto r =
        AsxReader::Read(Mode::MainView, "<Ref href=\"" + fits + "\"><Ref href=\"" + fits + "y\"><" +
                                            std::string(1000, 'R') + " href=\"a\"><ASX><Ref href=\"z\">");
    EXPECT_EQ(r.output, (Strings{fits, "z"}));
    EXPECT_TRUE(r.asxSeen);
    std::string attributes = "<Ref href=\"ok\"", noise;
    for (int i = 0; i < 600; ++i)
        attributes += " a=b", noise += "<!>";
    EXPECT_EQ(AsxReader::Read(Mode::MainView, attributes + ">").output, Strings{"ok"});
    EXPECT_EQ(AsxReader::Read(Mode::MainView, noise).messages.size(), AsxReader::kMaxMessages);
}

TEST(AsxWriter, WrittenFilesReadBackAsOneReference)
{
    testsupport::TempDir dir;
    const std::string address = "mms://host/live?x=1&y=<2>", path = dir.File("a.asx");
    ASSERT_EQ(WriteAsxFile(path, "Title & more", address, nullptr), AsxWriteResult::Written);
    EXPECT_EQ(testsupport::ReadFile(path),
              "<ASX version=\"3.0\">\r\n<Entry>\r\n<TITLE>Title & more</TITLE>\r\n"
              "<ref href=\"mms://host/live?x=1&y=<2>\"/>\r\n</Entry>\r\n</ASX>\r\n");
    const std::string longAddress = "http://host/" + std::string(400, 'p');  // written whole
    ASSERT_EQ(WriteAsxFile(dir.File("long.asx"), std::string(300, 'T'), longAddress, nullptr),
              AsxWriteResult::Written);
    for (Mode mode : {Mode::MainView, Mode::RecordingJob})
        for (const auto& [file, ref] :
             {std::pair{path, address}, std::pair{dir.File("long.asx"), longAddress}}) {
            const auto r = AsxReader::Read(mode, testsupport::ReadFile(file));
            EXPECT_TRUE(r.asxSeen && r.messages.empty());
            EXPECT_EQ(r.output, Strings{ref});
        }
}

TEST(AsxWriter, ReplacingCleaningAndSavePaths)
{
    testsupport::TempDir dir;
    const std::string old = dir.File("old.asx");
    testsupport::WriteFile(old, "old");
    ScriptedPrompts prompts;
    EXPECT_EQ(WriteAsxFile(old, "t", "mms://h/a", &prompts), AsxWriteResult::Declined);
    EXPECT_EQ(WriteAsxFile(old, "t", "mms://h/a", nullptr), AsxWriteResult::Declined);  // nobody to ask
    EXPECT_EQ(testsupport::ReadFile(old), "old");
    prompts.yes = true;
    EXPECT_EQ(WriteAsxFile(old, "t", "mms://h/a", &prompts), AsxWriteResult::Written);
    EXPECT_EQ(WriteAsxFile(dir.File("no/such.asx"), "t", "a", &prompts), AsxWriteResult::Failed);
    EXPECT_EQ(prompts.asked, Strings(2, old + " \n\n File exist. Overwrite?"));

    EXPECT_EQ(CleanAsxTitle(std::string("a\\b/c:d*e?f\"g<h>i|j\0k 제목", 28)), "a_b_c_d_e_f_g_h_i_j_k 제목");
    AppSettings settings;
    settings.m_baseDir = dir.path() + "/";
    EXPECT_EQ(ProposedAsxPath(settings, "x"), dir.File("x.asx"));
    settings.m_baseDir = dir.path();
    EXPECT_EQ(ProposedAsxPath(settings, ""), dir.File("noname.asx"));
    // Save writes the cleaned title into the base folder; an empty title goes
    // through the save dialog, where cancelling writes nothing.
    prompts.asked.clear();
    EXPECT_EQ(AsxSave(settings, "Live: News?", "mms://h/n", &prompts), AsxWriteResult::Written);
    EXPECT_NE(testsupport::ReadFile(dir.File("Live_ News_.asx")).find("<TITLE>Live_ News_</TITLE>"),
              std::string::npos);
    EXPECT_EQ(AsxSave(settings, "", "mms://h/e", &prompts), AsxWriteResult::Declined);
    EXPECT_FALSE(testsupport::FileExists(dir.File("noname.asx")));
    prompts.savePath = dir.File("chosen.asx");
    EXPECT_EQ(AsxSaveAs(settings, "a/b", "mms://h/e", &prompts), AsxWriteResult::Written);
    EXPECT_EQ(prompts.asked, (Strings{"save " + dir.File("noname.asx"), "save " + dir.File("a_b.asx")}));
    EXPECT_EQ(AsxReader::Read(Mode::MainView, testsupport::ReadFile(dir.File("chosen.asx"))).output,
              Strings{"mms://h/e"});
    EXPECT_EQ(AsxSaveAs(settings, "x", "y", nullptr), AsxWriteResult::Declined);
}

}  // namespace
