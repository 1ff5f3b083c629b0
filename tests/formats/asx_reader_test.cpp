#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/asx_reader.h"
#include "test_support.h"

namespace {

using Mode = AsxReader::Mode;
using Strings = std::vector<std::string>;

AsxReader::Result Main(const std::string& text) { return AsxReader::Read(Mode::MainView, text); }
AsxReader::Result Job(const std::string& text) { return AsxReader::Read(Mode::RecordingJob, text); }
AsxReader::Result Stream(const std::string& text, const Strings& leading = {})
{
    return AsxReader::Read(Mode::StreamingClient, text, leading);
}

TEST(AsxReader, SampleDocuments)
{
    auto r = Main("<ASX version=\"3.0\"><Entry><ref href=\"mms://host/a.asf\"/></Entry></ASX>");
    EXPECT_TRUE(r.asxSeen);
    EXPECT_EQ(r.output, Strings{"mms://host/a.asf"});
    EXPECT_EQ(r.referenceCount, 1);
    EXPECT_TRUE(r.messages.empty());

    const std::string two =
        "<ASX><Entry><Ref HREF = \"mms://host/a\"></Entry><Entry><EntryRef "
        "href=\"http://host/b.asx\"/></Entry></ASX>";
    EXPECT_EQ(Main(two).output, (Strings{"mms://host/a", "http://host/b.asx"}));
    EXPECT_EQ(Job(two).output, (Strings{"mms://host/a", "http://host/b.asx"}));
    // The streaming client also sees where each entry starts.
    EXPECT_EQ(Stream(two, {"client", "-x"}).output,
              (Strings{"client", "-x", "-e", "mms://host/a", "-e", "http://host/b.asx"}));
}

TEST(AsxReader, OnlyAWholeFirstHrefAttributeCounts)
{
    // Only the first attribute is looked at.
    auto r = Main("<ASX><Ref title=\"x\" href=\"mms://host/a\"></ASX>");
    EXPECT_EQ(r.referenceCount, 0);
    EXPECT_TRUE(Stream("<ASX><Ref title=\"x\" href=\"mms://host/a\"></ASX>").output.empty());
    // A name without "=" is no value; an empty quoted value is a reference.
    EXPECT_EQ(Stream("<ASX><Ref href/><Ref href=\"\"></ASX>").output, (Strings{""}));
    EXPECT_EQ(Main("<Ref href=\"\">").output, Strings{""});
    // Unquoted values end at "/", so addresses must be quoted.
    r = Main("<Ref href=mms://host/a>");
    EXPECT_EQ(r.referenceCount, 0);
    EXPECT_EQ(r.messages, Strings{"ASF syntax error 8!\n"});
    EXPECT_EQ(Main("<Ref href=abc>").output, Strings{"abc"});
    // Single quotes are ordinary characters.
    EXPECT_EQ(Main("<Ref href='abc'>").output, Strings{"'abc'"});
    // A quoted value keeps blanks, "/", ">" and line breaks.
    EXPECT_EQ(Main("<ref href=\"a b/>\r\nc\">").output, Strings{"a b/>\r\nc"});
    // End tags add nothing; text between tags is never read.
    r = Main("<ASX><Title>My list</Title><Ref href=\"x\"></Ref></ASX>");
    EXPECT_EQ(r.output, Strings{"x"});
}

TEST(AsxReader, SyntaxErrorsAbandonTheTagAndResumeAtTheNextOne)
{
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"hello world <Ref href=\"a\">", "ASF syntax error 1!\n"},
        {"<!-- c --><Ref href=\"a\">", "ASF syntax error 2!\n"},
        {"<?xml version=\"1.0\"?><Ref href=\"a\">", "ASF syntax error 2!\n"},
        {"<R-f x=\"1\"><Ref href=\"a\">", "ASF syntax error 3!\n"},
        {"<Foo \"x\"><Ref href=\"a\">", "ASF syntax error 4!\n"},
        {"<Foo a b=\"1\"><Ref href=\"a\">", "ASF syntax error 5!\n"},
        {"<Foo a=/x><Ref href=\"a\">", "ASF syntax error 6!\n"},
        {"<Foo a=b\"c><Ref href=\"a\">", "ASF syntax error 7!\n"},
        {"<Foo/x><Ref href=\"a\">", "ASF syntax error 8!\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto r = Main(c.text);
        ASSERT_FALSE(r.messages.empty());
        EXPECT_EQ(r.messages.front(), c.message);
        EXPECT_EQ(r.output, Strings{"a"});
        EXPECT_EQ(Stream(c.text).messages.front(), c.message);
    }
}

TEST(AsxReader, WholeTextFallbackOnlyOutsideTheStreamingClient)
{
    const std::string bare = "mms://host/a.asf\r\n";
    ASSERT_EQ(bare.size(), 18u);
    for (Mode mode : {Mode::MainView, Mode::RecordingJob}) {
        auto r = AsxReader::Read(mode, bare);
        EXPECT_EQ(r.output, Strings{bare});
        EXPECT_EQ(r.referenceCount, 0);
        EXPECT_FALSE(r.asxSeen);
        EXPECT_TRUE(AsxReader::Read(mode, "mms://a").output.empty());
        // 10 bytes is not enough, 11 is.
        EXPECT_TRUE(AsxReader::Read(mode, "0123456789").output.empty());
        EXPECT_EQ(AsxReader::Read(mode, "<html>x</html>").output, Strings{"<html>x</html>"});
    }
    // The fallback hands a C string on: it ends at the first NUL.
    EXPECT_EQ(Main(std::string("<html>\0hidden</html>", 20)).output, Strings{"<html>"});
    EXPECT_TRUE(Stream("<html>x</html>").output.empty());
    EXPECT_TRUE(Stream("<ASX></ASX>", {"lead"}).output.empty());

    const std::string ini = "[Reference]\r\nRef1=http://host/a.asf\r\n";
    EXPECT_EQ(Main(ini).output, Strings{ini});
    auto s = Stream(ini);
    EXPECT_TRUE(s.asxSeen);
    EXPECT_EQ(s.output, (Strings{"-e", "http://host/a.asf"}));
}

TEST(AsxReader, NothingToRead)
{
    EXPECT_FALSE(AsxReader::Read(Mode::MainView, nullptr, 5).asxSeen);
    EXPECT_TRUE(AsxReader::Read(Mode::StreamingClient, "", {"lead"}).output.empty());
    EXPECT_TRUE(Main("   \r\n\t  ").output.empty());
    // An unterminated tag at the end is ignored.
    auto r = Main("<ASX><Ref href=\"a\"><Ref href=\"b");
    EXPECT_EQ(r.output, Strings{"a"});
    EXPECT_EQ(Main("<ASX><Ref href=\"a\"><Ref href=b").output, Strings{"a"});
}

TEST(AsxReader, MoreInfoOnlyForTheRecordingJob)
{
    const std::string text =
        "<ASX><MoreInfo href=\"http://info/1\"/><Entry><Ref href=\"mms://h/a\"/>"
        "<moreinfo href=\"http://info/2\"/></Entry></ASX>";
    auto job = Job(text);
    EXPECT_TRUE(job.moreInfoSeen);
    EXPECT_EQ(job.moreInfoUrl, "http://info/2");
    EXPECT_EQ(job.output, Strings{"mms://h/a"});
    auto main = Main(text);
    EXPECT_FALSE(main.moreInfoSeen);
    EXPECT_TRUE(main.moreInfoUrl.empty());
    EXPECT_FALSE(Stream(text).moreInfoSeen);
}

TEST(AsxReader, IniReferenceForm)
{
    const std::string text =
        "[Other]\nRef1=http://ignored/\n[reference]\r\nref1=mms://h/a\r\nREF22=http://h/b?x=1\n"
        "Refx=bad\nRef=http://h/c\n [Reference]\nRef2=still inside\n[Reference] \nRef3=outside\n";
    auto r = Stream(text, {"lead"});
    EXPECT_TRUE(r.asxSeen);
    EXPECT_EQ(r.output, (Strings{"lead", "-e", "mms://h/a", "http://h/b?x=1", "http://h/c",
                                 "still inside"}));
    EXPECT_EQ(r.referenceCount, 4);
    // A carriage return ends the line's text.
    EXPECT_EQ(Stream("[Reference]\nRef1=mms://h/a\rjunk\n").output, (Strings{"-e", "mms://h/a"}));
    // Sections without references hand over nothing.
    EXPECT_TRUE(Stream("[Reference]\nfoo=bar\n").output.empty());
}

TEST(AsxReader, PlainReferenceList)
{
    const std::string text =
        "ASF http://h/a.asf\r\n  asf\t \tmms://h/b\n\tMMSU://h/c\nASFX mms://no\nftp://no\n"
        "# comment\nhttp://h/d e\n mmst://h/e\r\n";
    auto r = Stream(text);
    EXPECT_TRUE(r.asxSeen);
    EXPECT_EQ(r.output, (Strings{"-e", "http://h/a.asf", "mms://h/b", "MMSU://h/c", "http://h/d e",
                                 "mmst://h/e"}));
    // The first word decides; the other configurations take the whole text.
    for (const char* first : {"ASF x", "http://h/x", "mms://h/x", "mmst://h/x", "MMSU://h/x"}) {
        std::string t = std::string(first) + "\nmms://h/y\n";
        SCOPED_TRACE(t);
        EXPECT_EQ(Stream(t).output.back(), "mms://h/y");
        EXPECT_EQ(Main(t).output, Strings{t});
        EXPECT_TRUE(Main(t).messages.empty());
    }
    // Any other first word is a syntax error and the text is read for tags.
    auto other = Stream("rtsp://h/x\n<ref href=\"mms://h/z\">");
    EXPECT_EQ(other.messages, Strings{"ASF syntax error 1!\n"});
    EXPECT_EQ(other.output, Strings{"mms://h/z"});
    EXPECT_FALSE(other.asxSeen);
}

TEST(AsxReader, ReferenceStoreLimits)
{
    // 100 references fit; the 101st ends the reading.
    std::string text = "<ASX>";
    for (int i = 0; i < 105; ++i)
        text += "<Ref href=\"r" + std::to_string(i) + "\">";
    auto r = Main(text);
    ASSERT_EQ(r.output.size(), AsxReader::kMaxReferences);
    EXPECT_EQ(r.output.back(), "r99");
    // In the streaming client the leading words and markers take entries too.
    Strings leading(10, "w");
    auto s = Stream(text, leading);
    EXPECT_EQ(s.output.size(), AsxReader::kMaxReferences);
    EXPECT_EQ(s.referenceCount, 90);
    EXPECT_EQ(s.output.back(), "r89");

    // 4096 bytes of reference text, terminators included.
    std::string big;
    for (int i = 0; i < 9; ++i)
        big += "<EntryRef href=\"" + std::string(500, static_cast<char>('a' + i)) + "\"/>";
    // 501 bytes each: eight take 4008, a ninth would need 4509.
    auto b = Main(big);
    EXPECT_EQ(b.output.size(), 8u);
    EXPECT_EQ(b.output[7], std::string(500, 'h'));
    // Exactly 4096 bytes fit: 8 x (455 + 1) + (447 + 1); then not even "x".
    std::string exact;
    for (int i = 0; i < 8; ++i)
        exact += "<Ref href=\"" + std::string(455, 'e') + "\">";
    exact += "<Ref href=\"" + std::string(447, 'f') + "\"><Ref href=\"x\">";
    auto e = Main(exact);
    EXPECT_EQ(e.output.size(), 9u);
    EXPECT_EQ(e.output.back(), std::string(447, 'f'));
}

TEST(AsxReader, TagAndAttributeLimits)
{
    // A value that fits the attribute text whole is used; one that does not
    // is never handed on cut, and the reading goes on.
    std::string fits(AsxReader::kMaxAttributeText - 6, 'x');  // "href\0" + value + "\0"
    std::string cut(AsxReader::kMaxAttributeText, 'y');
    auto r = Main("<Ref href=\"" + fits + "\"><Ref href=\"" + cut + "\"><Ref href=\"z\">");
    EXPECT_EQ(r.output, (Strings{fits, "z"}));
    r = Main("<Ref href=\"" + fits + "x\"><Ref href=\"z\">");
    EXPECT_EQ(r.output, Strings{"z"});
    // Very long tag names and many attributes are cut, never overrun.
    std::string longName(1000, 'R');
    r = Main("<" + longName + " href=\"a\"><ASX><Ref href=\"b\">");
    EXPECT_EQ(r.output, Strings{"b"});
    EXPECT_TRUE(r.asxSeen);
    std::string many = "<Ref href=\"ok\"";
    for (int i = 0; i < 600; ++i)
        many += " a=b";
    many += ">";
    EXPECT_EQ(Main(many).output, Strings{"ok"});
    // Messages are kept up to their limit.
    std::string noise;
    for (int i = 0; i < 500; ++i)
        noise += "<!>";
    EXPECT_EQ(Main(noise).messages.size(), AsxReader::kMaxMessages);
}

TEST(AsxReader, LoadFileRefusesLargeFiles)
{
    testsupport::TempDir dir;
    std::string text;
    testsupport::WriteFile(dir.File("small.asx"), "<ASX></ASX>");
    EXPECT_TRUE(AsxReader::LoadFile(dir.File("small.asx"), &text));
    EXPECT_EQ(text, "<ASX></ASX>");
    testsupport::WriteFile(dir.File("limit.asx"), std::string(AsxReader::kMaxPlaylistFile - 1, ' '));
    EXPECT_TRUE(AsxReader::LoadFile(dir.File("limit.asx"), &text));
    EXPECT_EQ(text.size(), AsxReader::kMaxPlaylistFile - 1);
    testsupport::WriteFile(dir.File("big.asx"), std::string(AsxReader::kMaxPlaylistFile, ' '));
    EXPECT_FALSE(AsxReader::LoadFile(dir.File("big.asx"), &text));
    EXPECT_TRUE(text.empty());
    EXPECT_FALSE(AsxReader::LoadFile(dir.File("missing.asx"), &text));
    EXPECT_FALSE(AsxReader::LoadFile(dir.path(), &text));
}

}  // namespace
