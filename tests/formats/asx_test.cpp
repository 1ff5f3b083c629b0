#include <gtest/gtest.h>

#include "base/app_settings.h"
#include "formats/asx_reader.h"
#include "formats/asx_writer.h"
#include "scripted_prompts.h"
#include "test_support.h"

namespace {

using Mode = AsxReader::Mode;
using Strings = std::vector<std::string>;

// What the main view (and the recording job) and the streaming client hand
// on for a text, and the first syntax message.
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
        // Only a whole first href attribute counts; text between tags is never read.
        {"<ASX><Ref title=\"x\" href=\"mms://host/a\"></ASX>", {}, {}},
        {"<ASX><Ref href/><Ref href=\"\"></ASX>", {""}, {""}},
        // Unquoted values end at "/"; single quotes are ordinary; quoted values keep everything.
        {"<Ref href=mms://host/a>", {}, {}, "ASF syntax error 8!\n"},
        {"<ref href=\"a b/>\r\nc\">", {"a b/>\r\nc"}, {"a b/>\r\nc"}},
        // No <ASX> element is needed; a syntax error abandons the tag only.
        {"hello world <Ref href=\"a\">", {"a"}, {"a"}, "ASF syntax error 1!\n"},
        // An unterminated tag at the end is ignored.
        {"<ASX><Ref href=\"a\"><Ref href=\"b", {"a"}, {"a"}},
        // A text without references gives nothing, whatever its length.
        {std::string("<html>\0hidden</html>", 20), {}, {}},
        // INI and plain reference lists; only the streaming client marks entries.
        {"mms://host/a.asf\r\n", {"mms://host/a.asf"}, {"-e", "mms://host/a.asf"}},
        {ini,
         {"mms://h/a", "http://h/b", "http://h/c", "still in"},
         {"-e", "mms://h/a", "http://h/b", "http://h/c", "still in"}},
        {plain,
         {"http://h/a.asf", "mms://h/b", "MMSU://h/c", "http://h/d e", "mmst://h/e"},
         {"-e", "http://h/a.asf", "mms://h/b", "MMSU://h/c", "http://h/d e", "mmst://h/e"}},
        // A UTF-8 byte order mark in front does not hide the form.
        {"\xEF\xBB\xBF[Reference]\r\nRef1=mms://h/a\r\n", {"mms://h/a"}, {"-e", "mms://h/a"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        for (Mode mode : {Mode::MainView, Mode::RecordingJob, Mode::StreamingClient}) {
            const AsxReader::Result r = AsxReader::Read(mode, c.text);
            EXPECT_EQ(r.output, mode == Mode::StreamingClient ? c.stream : c.main);
            EXPECT_EQ(r.messages.empty() ? "" : r.messages.front(), std::string(c.message));
        }
    }
    // The INI and plain-list forms count as playlists in every configuration.
    for (Mode mode : {Mode::MainView, Mode::RecordingJob, Mode::StreamingClient})
        EXPECT_TRUE(AsxReader::Read(mode, ini).asxSeen && AsxReader::Read(mode, plain).asxSeen);
    EXPECT_FALSE(AsxReader::Read(Mode::MainView, nullptr, 5).asxSeen);
    // Without references the streaming client drops its leading words too.
    EXPECT_TRUE(AsxReader::Read(Mode::StreamingClient, "<ASX></ASX>", {"client"}).output.empty());
    // The recording job alone takes the last MoreInfo address.
    const std::string info =
        "<ASX><MoreInfo href=\"http://i/1\"/><Ref href=\"a\"><moreinfo href=\"http://i/2\"/>";
    const AsxReader::Result job = AsxReader::Read(Mode::RecordingJob, info);
    EXPECT_EQ(job.moreInfoSeen ? job.moreInfoUrl : "", "http://i/2");
    EXPECT_FALSE(AsxReader::Read(Mode::MainView, info).moreInfoSeen);
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
    EXPECT_EQ(s.output.size() * 1000 + s.referenceCount, AsxReader::kMaxReferences * 1000 + 90);

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

    // 512 bytes of attribute text: "href", a 506-byte value and their two
    // terminators fit exactly and the value is used; a longer one is never
    // handed on cut. Long tag names are cut. (The fuzz target holds every
    // reading to these limits; here the exact edges.)
    const std::string fits(506, 'x');
    auto r =
        AsxReader::Read(Mode::MainView, "<Ref href=\"" + fits + "\"><Ref href=\"" + fits + "y\"><" +
                                            std::string(1000, 'R') + " href=\"a\"><ASX><Ref href=\"z\">");
    EXPECT_EQ(r.output, (Strings{fits, "z"}));
    EXPECT_TRUE(r.asxSeen);
}

TEST(AsxWriter, WrittenFilesReadBackAsOneReferenceAndReplaceOnlyOnYes)
{
    testsupport::TempDir dir;
    const std::string address = "mms://host/live?x=1&y=<2>", path = dir.File("a.asx");
    ASSERT_EQ(WriteAsxFile(path, "Title & more", address, nullptr), AsxWriteResult::Written);
    EXPECT_EQ(testsupport::ReadFile(path),
              "<ASX version=\"3.0\">\r\n<Entry>\r\n<TITLE>Title & more</TITLE>\r\n"
              "<ref href=\"mms://host/live?x=1&y=<2>\"/>\r\n</Entry>\r\n</ASX>\r\n");
    // Save names the file after the cleaned title, inside the base folder.
    AppSettings settings;
    settings.m_baseDir = dir.path();
    ASSERT_EQ(AsxSave(settings, "../Live: News?", address, nullptr), AsxWriteResult::Written);
    const auto r = AsxReader::Read(Mode::RecordingJob, testsupport::ReadFile(dir.File(".._Live_ News_.asx")));
    EXPECT_TRUE(r.asxSeen && r.messages.empty());
    EXPECT_EQ(r.output, Strings{address});

    // An existing file is replaced only when the user says yes.
    const std::string old = dir.File("old.asx");
    testsupport::WriteFile(old, "old");
    ScriptedPrompts prompts;
    EXPECT_EQ(WriteAsxFile(old, "t", "mms://h/a", &prompts), AsxWriteResult::Declined);
    EXPECT_EQ(testsupport::ReadFile(old), "old");
    prompts.yes = true;
    EXPECT_EQ(WriteAsxFile(old, "t", "mms://h/a", &prompts), AsxWriteResult::Written);
    EXPECT_NE(testsupport::ReadFile(old), "old");
    EXPECT_EQ(WriteAsxFile(dir.File("no/such.asx"), "t", "a", &prompts), AsxWriteResult::Failed);
    EXPECT_EQ(prompts.asked.size(), 2u);
}

}  // namespace
