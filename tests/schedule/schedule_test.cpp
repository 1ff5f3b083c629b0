// The schedule's slots as systemd units, checked by systemd's own calendar
// reader and systemd-analyze; edits go through a stand-in for systemctl.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "schedule/scheduler.h"
#include "schedule/slot_units.h"
#include "test_support.h"

using schedule::Outcome;
using schedule::ScheduleSlot;
using testsupport::ReadFile;
using testsupport::WriteFile;

namespace {

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        places.unitDir = home.File("config/systemd/user");
        places.stateDir = home.File("state/Brimcast/schedule");
        WriteFile(cli, "#!/bin/sh\nexit 0\n");
        ::chmod(cli.c_str(), 0755);
    }

    ScheduleSlot Slot(const std::string& when, int pre = 0) const
    {
        ScheduleSlot s;
        s.address = "mms://127.0.0.1/news";
        s.when = when;
        s.durationSeconds = 90 * 60;
        s.preSeconds = pre;
        return s;
    }
    std::string Unit(const std::string& id, const char* suffix) const
    {
        return ReadFile(places.unitDir + "/" + schedule::UnitName(id, suffix));
    }

    testsupport::TempDir home;
    std::string cli = home.File("brimcast-cli");
    schedule::SchedulePlaces places;
};

TEST(ScheduleSpanTest, ReadsLengthsAndRefusesTheRest)
{
    // Each text and what it reads as ("x": refused).
    std::string read;
    for (const char* text : {"1h30m", "45s", "120", "1h1s", "-5m", "", "-", "1h30", "1m1h", "1.5h", "1h 30m", "1hh",
                             "99999999999999999999h"}) {
        int value = 0;
        read += (schedule::ParseSpan(text, &value) ? std::to_string(value) : "x") + " ";
    }
    EXPECT_EQ(read, "5400 45 120 3601 -300 x x x x x x x " + std::to_string(schedule::kSpanCeiling) + " ");
}

// The padding before a slot moves the timer's time of day; before midnight
// the weekdays or the one date move back with it. The timer holds systemd's
// own normalized form of the result.
TEST_F(ScheduleTest, PaddingBeforeMovesTheTimersStart)
{
    struct Case {
        const char* when;
        int pre;
        const char* onCalendar;  // empty: refused, naming --pre 0
    } cases[] = {
        {"Mon..Fri 07:00", 120, "Mon..Fri *-*-* 06:58:00"},
        {"Mon,Wed 00:01", 120, "Tue,Sun *-*-* 23:59:00"},
        {"Mon..Fri 00:00", 60, "Mon..Thu,Sun *-*-* 23:59:00"},
        {"daily", 30, "*-*-* 23:59:30"},
        {"2096-03-01 00:00:30", 60, "2096-02-29 23:59:30"},
        {"hourly", 0, "*-*-* *:00:00"},
        {"hourly", 60, ""},
        {"*-*-01 00:00", 60, ""},
        {"Mon 08,20:00", 60, ""},
    };
    schedule::Scheduler scheduler(places, cli, home.File("Brimcast.conf"));
    std::string got, want;
    for (const Case& c : cases) {
        ScheduleSlot slot = Slot(c.when, c.pre);
        schedule::NextStart next;
        const Outcome o = scheduler.Add(&slot, true, &next);
        if (o.ok())
            got += schedule::ReadTimerCalendar(Unit(slot.id, ".timer")) + (next.unixTime > 0 ? "|" : " no next|");
        else
            got += o.kind == Outcome::BadInput && Contains(o.message, "--pre 0") ? "|" : o.message + "|";
        want += std::string(c.onCalendar) + "|";
    }
    EXPECT_EQ(got, want);
}

// Units with quotes, '%', '$' and blanks in every value: systemd-analyze
// accepts them and the slot reads back as given. A program path systemd
// refuses to run is refused before anything is written.
TEST_F(ScheduleTest, UnitsAreWhatSystemdReadsAndReadBackTheSlot)
{
    const std::string bin = home.File("bin 100% $HOME ${HOME}");
    ASSERT_EQ(::mkdir(bin.c_str(), 0755), 0);
    const std::string program = bin + "/brimcast-cli";
    WriteFile(program, "#!/bin/sh\nexit 0\n");
    ::chmod(program.c_str(), 0755);
    const std::string out = home.File("out %d $USER 'q' \"dq\"");
    ASSERT_EQ(::mkdir(out.c_str(), 0755), 0);

    ScheduleSlot slot = Slot("Mon..Fri 07:00", 90);
    slot.address = "mmsh://127.0.0.1:8080/live%20one?a=$x&b=%n\"q\"";
    slot.title = " it's \"50%\" of $HOME \\ %i ";
    slot.dir = out;
    slot.ifExists = "rename";
    slot.postSeconds = 300;
    places.stateDir = home.File("state 50%/schedule");
    schedule::NextStart next;
    ScheduleSlot refused = slot;
    Outcome o = schedule::Scheduler(places, home.File("it's/brimcast-cli"), "/c").Add(&refused, true, &next);
    EXPECT_EQ(o.kind, Outcome::Failed);
    EXPECT_TRUE(Contains(o.message, "systemd cannot run a program from")) << o.message;
    EXPECT_FALSE(testsupport::FileExists(places.unitDir));

    schedule::Scheduler scheduler(places, program, home.File("conf %h/Brimcast.conf"));
    o = scheduler.Add(&slot, true, &next);
    ASSERT_TRUE(o.ok()) << o.message;
    EXPECT_EQ(slot.id, "1");

    const std::string service = places.unitDir + "/brimcast-rec-1.service";
    const std::string timer = places.unitDir + "/brimcast-rec-1.timer";
    struct stat st {};
    ASSERT_EQ(::stat(service.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << "the address may hold a password";
    testsupport::TempDir runtime;
    auto verify = testsupport::RunProcess({"systemd-analyze", "--user", "verify", timer, service},
                                          std::chrono::seconds(60), "", {"XDG_RUNTIME_DIR=" + runtime.path()});
    EXPECT_EQ(verify.exitCode, 0) << verify.err;
    EXPECT_EQ(verify.err + verify.out, "");

    ScheduleSlot back;
    ASSERT_TRUE(scheduler.Find("1", &back));
    EXPECT_EQ(back, slot);
    EXPECT_TRUE(Contains(ReadFile(service), "StandardOutput=truncate:" + home.File("state 50%%/schedule")));
    EXPECT_TRUE(Contains(ReadFile(service), "--max-time\" \"5790\""));
}

// An edit that systemd does not take leaves the slot as it was.
TEST_F(ScheduleTest, EditOfAnEnabledTimerIsUndoneWhenSystemctlRefuses)
{
    testsupport::TempDir bin;
    WriteFile(bin.File("systemctl"), "#!/bin/sh\nexec python3 '" + testsupport::SourceDir() +
                                         "/tests/schedule/fake_systemctl.py' \"$@\"\n");
    ::chmod(bin.File("systemctl").c_str(), 0755);
    const std::string log = bin.File("calls.log"), path = std::getenv("PATH");
    for (const auto& [name, value] : {std::pair<const char*, std::string>{"PATH", bin.path() + ":" + path},
                                      {"FAKE_SYSTEMCTL_LOG", log}, {"FAKE_SYSTEMCTL_FAIL", "restart"}})
        ::setenv(name, value.c_str(), 1);

    schedule::Scheduler scheduler(places, cli, home.File("Brimcast.conf"));
    ScheduleSlot slot = Slot("Mon..Fri 07:00");
    schedule::NextStart next;
    ASSERT_TRUE(scheduler.Add(&slot, false, &next).ok());
    // The stand-in enables nothing: make the link that enable makes.
    ASSERT_EQ(::mkdir((places.unitDir + "/timers.target.wants").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("../brimcast-rec-1.timer", (places.unitDir + "/timers.target.wants/brimcast-rec-1.timer").c_str()), 0);
    const std::string service = Unit("1", ".service"), timer = Unit("1", ".timer");

    ScheduleSlot later = slot;
    later.when = "Sat 09:30";
    later.title = "weekend";
    Outcome o = scheduler.Edit(later, &next);
    EXPECT_EQ(o.kind, Outcome::Failed);
    EXPECT_TRUE(Contains(o.message, "Access denied")) << o.message;
    EXPECT_EQ(Unit("1", ".service") + Unit("1", ".timer"), service + timer);

    ::unsetenv("FAKE_SYSTEMCTL_FAIL");
    WriteFile(log, "");
    o = scheduler.Edit(later, &next);
    ::setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(o.ok()) << o.message;
    EXPECT_TRUE(Contains(ReadFile(log), "--user daemon-reload\n--user restart brimcast-rec-1.timer\n"));
    EXPECT_EQ(schedule::ReadTimerCalendar(Unit("1", ".timer")), "Sat *-*-* 09:30:00");
    ScheduleSlot back;
    ASSERT_TRUE(scheduler.Find("1", &back));
    EXPECT_EQ(back, later);
}

}  // namespace
