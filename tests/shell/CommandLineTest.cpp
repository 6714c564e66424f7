#include "shell/CommandLine.h"

#include "tests/support/Utf16.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int NO_ROW = -1;
// For a hold, what the value column holds: its length in milliseconds, or its time of day in
// minutes.
constexpr int HOLD_LENGTH = -2;
constexpr int HOLD_UNTIL = -3;

struct Parsed {
    int32_t code;
    std::unique_ptr<Command> command = std::make_unique<Command>();
};

// Parses "Pellacord.exe <line>" as the program does.
Parsed Parse(const char16_t* line) {
    std::u16string full = std::u16string(u"\"C:\\Program Files\\Pellacord\\Pellacord.exe\" ") + line;
    auto arguments = std::make_unique<CommandArguments>();
    Parsed p;
    p.code = ParseCommandLine(full.c_str(), arguments.get(), p.command.get());
    return p;
}

bool Contains(const char16_t* text, const char16_t* part) {
    return std::u16string(text).find(part) != std::u16string::npos;
}

// Every option, every unit and the bounds of every row: what the command becomes, or the
// usage error it is and a word of its message.
TEST(CommandLine, TableOfCases) {
    struct Case {
        const char16_t* line;
        int32_t code;
        CommandKind kind;
        int row;              // the limit row the case sets, or NO_ROW
        uint32_t value;       // its value in the row's unit
        const char16_t* text; // the target, or a word of the error
    };
    static const Case CASES[] = {
        {u"", EXIT_OK, CommandKind::Start, NO_ROW, 0, u""},
        {u"--release", EXIT_OK, CommandKind::Release, NO_ROW, 0, u""},
        {u"--SHOW", EXIT_OK, CommandKind::Show, NO_ROW, 0, u""},
        {u"--exit", EXIT_OK, CommandKind::Exit, NO_ROW, 0, u""},
        {u"--help", EXIT_OK, CommandKind::Help, NO_ROW, 0, u""},
        {u"/?", EXIT_OK, CommandKind::Help, NO_ROW, 0, u""},
        {u"--version", EXIT_OK, CommandKind::Version, NO_ROW, 0, u""},
        {u"--watch 4242", EXIT_OK, CommandKind::Watch, NO_ROW, 0, u"4242"},
        {u"--watch Render.EXE", EXIT_OK, CommandKind::Watch, NO_ROW, 0, u"Render.EXE"},
        {u"--watch \"My Video - Editor\"", EXIT_OK, CommandKind::Watch, NO_ROW, 0, u"My Video - Editor"},
        {u"--run \"make -j8 \\\"all\\\"\"", EXIT_OK, CommandKind::Run, NO_ROW, 0, u"make -j8 \"all\""},
        // cpu: permille of one core, 5% to 400%
        {u"--watch x --cpu 20%", EXIT_OK, CommandKind::Watch, 0, 200, u"x"},
        {u"--watch x --cpu 12.5%", EXIT_OK, CommandKind::Watch, 0, 125, u"x"},
        {u"--watch x --cpu 5", EXIT_OK, CommandKind::Watch, 0, 50, u"x"},
        {u"--watch x --cpu 400%", EXIT_OK, CommandKind::Watch, 0, 4000, u"x"},
        {u"--watch x --cpu 4.9%", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--cpu takes a value from 5"},
        {u"--watch x --cpu 400.1%", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"400"},
        {u"--watch x --cpu 20%%", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"such as 20%"},
        {u"--watch x --cpu 12.25%", EXIT_OK, CommandKind::Watch, 0, 123, u"x"},  // rounded to the permille
        {u"--watch x --cpu 20", EXIT_OK, CommandKind::Watch, 0, 200, u"x"},
        {u"--watch x --cpu 1.25%", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--cpu takes a value from 5.0% to 400.0%, not 1.25%"},
        {u"--watch x --cpu 5.%", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--cpu needs a value"},
        {u"--watch x --cpu -5%", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--cpu needs a value"},
        {u"--watch x --cpu 99999999999%", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--cpu needs a value"},
        // disk: bytes a second, 64 KB/s to 256 MB/s
        {u"--watch x --disk 1MB/s", EXIT_OK, CommandKind::Watch, 1, 1048576, u"x"},
        {u"--watch x --disk 512kb/s", EXIT_OK, CommandKind::Watch, 1, 524288, u"x"},
        {u"--watch x --disk 65536B/s", EXIT_OK, CommandKind::Watch, 1, 65536, u"x"},
        {u"--watch x --disk 1.5MB/s", EXIT_OK, CommandKind::Watch, 1, 1572864, u"x"},
        {u"--watch x --disk 256MB/s", EXIT_OK, CommandKind::Watch, 1, 268435456, u"x"},
        {u"--watch x --disk 0.0625MB/s", EXIT_OK, CommandKind::Watch, 1, 65536, u"x"},
        {u"--watch x --disk 2", EXIT_OK, CommandKind::Watch, 1, 2097152, u"x"},  // bare: MB/s
        {u"--watch x --disk 0.06", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--disk takes a value from"},
        {u"--watch x --disk 63KB/s", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--disk takes a value from"},
        {u"--watch x --disk 257MB/s", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"not 257MB/s"},
        {u"--watch x --disk 1GB/s", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--disk needs a value"},
        {u"--watch x --disk 1MB", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--disk needs a value"},
        // net: bytes a second, 512 B/s to 4 MB/s
        {u"--watch x --net 2KB/s", EXIT_OK, CommandKind::Watch, 2, 2048, u"x"},
        {u"--watch x --net 100B/s", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--net takes a value from"},
        {u"--watch x --net 512B/s", EXIT_OK, CommandKind::Watch, 2, 512, u"x"},
        {u"--watch x --net 4MB/s", EXIT_OK, CommandKind::Watch, 2, 4194304, u"x"},
        {u"--watch x --net 2.5", EXIT_OK, CommandKind::Watch, 2, 2560, u"x"},  // bare: KB/s
        {u"--watch x --net 4.1MB/s", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--net takes"},
        // mem: page faults a second, 500 to 2,000,000
        {u"--watch x --mem 3000/s", EXIT_OK, CommandKind::Watch, 3, 3000, u"x"},
        {u"--watch x --mem 500", EXIT_OK, CommandKind::Watch, 3, 500, u"x"},
        {u"--watch x --mem 2000000/s", EXIT_OK, CommandKind::Watch, 3, 2000000, u"x"},
        {u"--watch x --mem 499/s", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--mem takes"},
        {u"--watch x --mem 2000001/s", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--mem takes"},
        {u"--watch x --mem 3000.5/s", EXIT_OK, CommandKind::Watch, 3, 3001, u"x"},
        {u"--watch x --mem 499.4", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--mem takes"},
        // wait: 30 s to 30 min
        {u"--watch x --wait 45s", EXIT_OK, CommandKind::Watch, WAIT_ROW, 45000, u"x"},
        {u"--watch x --wait 10m", EXIT_OK, CommandKind::Watch, WAIT_ROW, 600000, u"x"},
        {u"--watch x --wait 1m30s", EXIT_OK, CommandKind::Watch, WAIT_ROW, 90000, u"x"},
        {u"--watch x --wait 30s", EXIT_OK, CommandKind::Watch, WAIT_ROW, 30000, u"x"},
        {u"--watch x --wait 30m", EXIT_OK, CommandKind::Watch, WAIT_ROW, 1800000, u"x"},
        {u"--watch x --wait 29s", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--wait takes a value from"},
        {u"--watch x --wait 30m1s", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--wait takes"},
        {u"--watch x --wait 10", EXIT_OK, CommandKind::Watch, WAIT_ROW, 600000, u"x"},  // bare: minutes
        {u"--watch x --wait 1.5m", EXIT_OK, CommandKind::Watch, WAIT_ROW, 90000, u"x"},
        {u"--watch x --wait 0.5", EXIT_OK, CommandKind::Watch, WAIT_ROW, 30000, u"x"},
        {u"--watch x --wait 45.5s", EXIT_OK, CommandKind::Watch, WAIT_ROW, 45500, u"x"},
        {u"--watch x --wait 31", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--wait takes a value from"},
        {u"--watch x --wait 30s1m", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--wait needs"},
        {u"--watch x --wait 1h", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--wait needs"},
        // usage errors
        {u"--frobnicate", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"unknown option \"--frobnicate\""},
        {u"render.exe", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"unknown option"},
        {u"--watch", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"--watch needs a value"},
        {u"--watch --cpu 20%", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"--watch needs a value"},
        {u"--run --then exit", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"--run needs a value"},
        {u"--run-pid 77", EXIT_OK, CommandKind::Watch, NO_ROW, 0, u"77"},
        {u"--run-pid render", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--run-pid needs a process id"},
        {u"--run \"\"", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"--run needs a value"},
        {u"--watch a --run b", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"only one of"},
        {u"--watch a --watch b", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"only one of"},
        {u"--watch x --cpu", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--cpu needs a value"},
        {u"--watch x --cpu 20% --cpu 30%", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"given twice"},
        {u"--watch x --screen --screen", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"given twice"},
        {u"--watch x --then reboot", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"not \"reboot\""},
        {u"--watch x --then", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"--then takes"},
        {u"--cpu 20%", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"go with --watch, --run or --rule"},
        {u"--then exit", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"go with --watch, --run or --rule"},
        {u"--release --exit", EXIT_USAGE, CommandKind::Release, NO_ROW, 0, u"cannot be given"},
        {u"--watch x --release", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"cannot be given"},
        {u"--show --cpu 20%", EXIT_USAGE, CommandKind::Show, NO_ROW, 0, u"cannot be given"},
        // rules: an image name ending in .exe, with a watch's limits
        {u"--rule render.exe", EXIT_OK, CommandKind::Rule, NO_ROW, 0, u"render.exe"},
        {u"--rule Render.EXE --cpu 12.5%", EXIT_OK, CommandKind::Rule, 0, 125, u"Render.EXE"},
        {u"--rule \u0444\u0430\u0439\u043B.exe --wait 45s", EXIT_OK, CommandKind::Rule, WAIT_ROW, 45000,
         u"\u0444\u0430\u0439\u043B.exe"},
        {u"--rule render", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"--rule needs an image name"},
        {u"--rule C:\\tools\\render.exe", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"needs an image name"},
        {u"--rule \"ren*.exe\"", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"needs an image name"},
        {u"--rule .exe", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"needs an image name"},
        {u"--rule", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"--rule needs an image name"},
        {u"--rule render.exe --cpu 3%", EXIT_USAGE, CommandKind::Rule, NO_ROW, 0, u"--cpu takes a value from"},
        {u"--rule render.exe --battery 20%", EXIT_USAGE, CommandKind::Rule, NO_ROW, 0, u"--battery goes with"},
        {u"--rule a.exe --rule b.exe", EXIT_USAGE, CommandKind::Rule, NO_ROW, 0, u"cannot be given with"},
        {u"--watch a --rule b.exe", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"cannot be given with"},
        {u"--forget render.exe", EXIT_OK, CommandKind::Forget, NO_ROW, 0, u"render.exe"},
        {u"--forget render.exe --cpu 20%", EXIT_USAGE, CommandKind::Forget, NO_ROW, 0, u"go with --watch"},
        {u"--forget", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"--forget needs an image name"},
        {u"--rules", EXIT_OK, CommandKind::Rules, NO_ROW, 0, u""},
        {u"--rules --tray", EXIT_USAGE, CommandKind::Rules, NO_ROW, 0, u"cannot be given"},
        {u"--tray", EXIT_OK, CommandKind::Start, NO_ROW, 0, u""},
        {u"--tray --watch x", EXIT_USAGE, CommandKind::Start, NO_ROW, 0, u"cannot be given"},
        {u"--release render.exe", EXIT_OK, CommandKind::Release, NO_ROW, 0, u"render.exe"},
        {u"--release Render", EXIT_USAGE, CommandKind::Release, NO_ROW, 0, u"--release takes an image name"},
        {u"--release", EXIT_OK, CommandKind::Release, NO_ROW, 0, u""},
        // holds: 1 minute to 24 hours, in hours and minutes; a time of day; or until released
        {u"--for 30m", EXIT_OK, CommandKind::Hold, HOLD_LENGTH, 1800000, u""},
        {u"--for 2H", EXIT_OK, CommandKind::Hold, HOLD_LENGTH, 7200000, u""},
        {u"--for 1h30m", EXIT_OK, CommandKind::Hold, HOLD_LENGTH, 5400000, u""},
        {u"--for 1.5h", EXIT_OK, CommandKind::Hold, HOLD_LENGTH, 5400000, u""},
        {u"--for 90", EXIT_OK, CommandKind::Hold, HOLD_LENGTH, 5400000, u""},  // bare: minutes
        {u"--for 1m", EXIT_OK, CommandKind::Hold, HOLD_LENGTH, 60000, u""},
        {u"--for 24h", EXIT_OK, CommandKind::Hold, HOLD_LENGTH, 86400000, u""},
        {u"--for 0.6m", EXIT_OK, CommandKind::Hold, HOLD_LENGTH, 60000, u""},  // rounded to the minute
        {u"--for 0.4m", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"--for takes a time from 1m to 24h"},
        {u"--for 24h1m", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"not \"24h1m\""},
        {u"--for 30s", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"--for takes"},
        {u"--for 30m1h", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"--for takes"},
        {u"--for", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"--for takes"},
        {u"--until 07:30", EXIT_OK, CommandKind::Hold, HOLD_UNTIL, 450, u""},
        {u"--until 7:05", EXIT_OK, CommandKind::Hold, HOLD_UNTIL, 425, u""},
        {u"--until 00:00", EXIT_OK, CommandKind::Hold, HOLD_UNTIL, 0, u""},
        {u"--until 23:59", EXIT_OK, CommandKind::Hold, HOLD_UNTIL, 1439, u""},
        {u"--until 24:00", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"--until takes a local time"},
        {u"--until 7:60", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"--until takes"},
        {u"--until 7:5", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"--until takes"},
        {u"--until 0730", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"--until takes"},
        {u"--until 07:30pm", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"--until takes"},
        {u"--hold", EXIT_OK, CommandKind::Hold, NO_ROW, 0, u""},
        {u"--hold --screen", EXIT_OK, CommandKind::Hold, NO_ROW, 0, u""},
        {u"--for 2h --then sleep", EXIT_OK, CommandKind::Hold, HOLD_LENGTH, 7200000, u""},
        {u"--hold --then sleep", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"has no end to act on"},
        {u"--for 2h --cpu 20%", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"take only --screen and --then"},
        {u"--hold --for 2h", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"another hold"},
        {u"--watch x --hold", EXIT_USAGE, CommandKind::Watch, NO_ROW, 0, u"cannot be given with --watch"},
        {u"--hold --release", EXIT_USAGE, CommandKind::Hold, NO_ROW, 0, u"cannot be given"},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(Printable(c.line));
        Parsed p = Parse(c.line);
        const Command& cmd = *p.command;
        ASSERT_EQ(p.code, c.code) << Printable(cmd.error);
        if (c.code == EXIT_USAGE) {
            EXPECT_TRUE(Contains(cmd.error, c.text)) << Printable(cmd.error);
            continue;
        }
        EXPECT_EQ(cmd.error[0], 0);
        EXPECT_EQ(cmd.kind, c.kind);
        EXPECT_EQ(cmd.tray, Printable(c.line) == "--tray");
        EXPECT_EQ(Printable(cmd.text), Printable(c.text));
        if (c.kind == CommandKind::Hold) {
            EXPECT_EQ(cmd.hold.kind, c.row == HOLD_LENGTH  ? HoldKind::For
                                     : c.row == HOLD_UNTIL ? HoldKind::Until
                                                           : HoldKind::Open);
            EXPECT_EQ(c.row == HOLD_LENGTH ? cmd.hold.lengthMs : cmd.hold.untilMinute, c.value);
            EXPECT_EQ(cmd.hold.screen, Contains(c.line, u"--screen"));
            EXPECT_EQ(cmd.hold.then, Contains(c.line, u"sleep") ? FinishAction::Sleep : FinishAction::None);
        }
        for (int row = 0; row < LIMIT_ROW_COUNT; row++) {
            EXPECT_EQ(cmd.options.hasLimit[row], row == c.row) << row;
            if (row == c.row) {
                EXPECT_EQ(cmd.options.limit[row], c.value);
            }
        }
    }
    // More arguments than the program keeps is a usage error too, not a cut command.
    std::u16string many = u"--watch x";
    for (int i = 0; i < COMMAND_ARGUMENTS_MAX; i++) {
        many += u" --screen";
    }
    Parsed p = Parse(many.c_str());
    EXPECT_EQ(p.code, EXIT_USAGE);
    EXPECT_TRUE(Contains(p.command->error, u"too many arguments")) << Printable(p.command->error);
}

TEST(CommandLine, TargetKinds) {
    struct Case {
        const char16_t* target;
        TargetKind kind;
        uint32_t pid;
    };
    static const Case CASES[] = {
        {u"4242", TargetKind::Pid, 4242},
        {u"4294967295", TargetKind::Pid, 4294967295u},
        {u"0", TargetKind::Title, 0},              // not a process anyone can watch
        {u"4294967296", TargetKind::Title, 0},     // past any pid: a title made of digits
        {u"12ab", TargetKind::Title, 0},
        {u"ffmpeg.exe", TargetKind::Image, 0},
        {u"BUSYTREE.EXE", TargetKind::Image, 0},
        {u".exe", TargetKind::Image, 0},
        {u"notes.exe.txt - Editor", TargetKind::Title, 0},
        {u"Blender", TargetKind::Title, 0},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(Printable(c.target));
        std::u16string line = std::u16string(u"--watch \"") + c.target + u"\"";
        Parsed p = Parse(line.c_str());
        ASSERT_EQ(p.code, EXIT_OK);
        EXPECT_EQ(p.command->targetKind, c.kind);
        EXPECT_EQ(p.command->pid, c.pid);
    }
}

TEST(CommandLine, EverythingAWatchTakes) {
    Parsed p = Parse(u"--run \"ffmpeg -i a.mov b.mp4\" --cpu 30% --disk 2MB/s --net 4KB/s --mem 6000/s "
                     u"--wait 2m --screen --then Shutdown");
    ASSERT_EQ(p.code, EXIT_OK) << Printable(p.command->error);
    const Command& c = *p.command;
    EXPECT_EQ(c.kind, CommandKind::Run);
    EXPECT_EQ(Printable(c.text), "ffmpeg -i a.mov b.mp4");
    const uint32_t expected[LIMIT_ROW_COUNT] = {300, 2u << 20, 4096, 6000, 120000};
    for (int row = 0; row < LIMIT_ROW_COUNT; row++) {
        EXPECT_TRUE(c.options.hasLimit[row]);
        EXPECT_EQ(c.options.limit[row], expected[row]);
    }
    EXPECT_TRUE(c.options.screen);
    EXPECT_TRUE(c.hasThen);
    EXPECT_EQ(c.options.then, FinishAction::Shutdown);

    const struct { const char16_t* name; FinishAction action; } ACTIONS[] = {
        {u"sleep", FinishAction::Sleep}, {u"hibernate", FinishAction::Hibernate},
        {u"shutdown", FinishAction::Shutdown}, {u"EXIT", FinishAction::Exit}, {u"none", FinishAction::None}};
    for (const auto& a : ACTIONS) {
        std::u16string line = std::u16string(u"--watch 7 --then ") + a.name;
        Parsed q = Parse(line.c_str());
        ASSERT_EQ(q.code, EXIT_OK) << Printable(a.name);
        EXPECT_TRUE(q.command->hasThen);
        EXPECT_EQ(q.command->options.then, a.action);
        EXPECT_FALSE(q.command->options.screen);
    }
}

// A battery floor for one watch: whole percent, 0 to 100.
// A percent option of one watch: each line parses to `value`, or fails with `error`.
struct PercentCase { const char16_t* line; int32_t code; uint32_t value; const char16_t* error; };

void CheckPercentOption(const std::vector<PercentCase>& cases, bool WatchOptions::*given, uint32_t WatchOptions::*value) {
    for (const PercentCase& c : cases) {
        Parsed p = Parse(c.line);
        ASSERT_EQ(p.code, c.code) << Printable(c.line) << " " << Printable(p.command->error);
        if (c.code == EXIT_OK) {
            EXPECT_TRUE(p.command->options.*given);
            EXPECT_EQ(p.command->options.*value, c.value) << Printable(c.line);
        } else {
            EXPECT_TRUE(Contains(p.command->error, c.error)) << Printable(p.command->error);
        }
    }
    EXPECT_FALSE(Parse(u"--watch x").command->options.*given);
}

TEST(CommandLine, BatteryFloor) {
    CheckPercentOption(
        {
            {u"--watch x --battery 20%", EXIT_OK, 20, u""},
            {u"--watch x --battery 35", EXIT_OK, 35, u""},
            {u"--run make --battery 0%", EXIT_OK, 0, u""},
            {u"--watch x --battery 100%", EXIT_OK, 100, u""},
            {u"--watch x --battery 12.5%", EXIT_USAGE, 0, u"--battery takes a whole percent from 0% to 100%"},
            {u"--watch x --battery 101%", EXIT_USAGE, 0, u"not \"101%\""},
            {u"--watch x --battery", EXIT_USAGE, 0, u"--battery takes"},
            {u"--watch x --battery 20% --battery 30%", EXIT_USAGE, 0, u"--battery is given twice"},
            {u"--battery 20%", EXIT_USAGE, 0, u"--battery and --then go with --watch, --run or --rule"},
        },
        &WatchOptions::hasBattery, &WatchOptions::battery);
}

TEST(CommandLine, GpuLimit) {
    CheckPercentOption(
        {
            {u"--watch x --gpu 20%", EXIT_OK, 200, u""},
            {u"--run make --gpu 1%", EXIT_OK, 10, u""},
            {u"--watch x --gpu 100", EXIT_OK, 1000, u""},
            {u"--watch x --gpu 12.5%", EXIT_OK, 125, u""},
            {u"--watch x --gpu 0.5%", EXIT_USAGE, 0, u"--gpu takes a value from 1% to 100%, not 0.5%"},
            {u"--watch x --gpu 101%", EXIT_USAGE, 0, u"not 101%"},
            {u"--watch x --gpu fast", EXIT_USAGE, 0, u"--gpu needs a value such as 20%"},
            {u"--watch x --gpu 20% --gpu 30%", EXIT_USAGE, 0, u"--gpu is given twice"},
            {u"--gpu 20%", EXIT_USAGE, 0, u"go with --watch, --run or --rule"},
        },
        &WatchOptions::hasGpu, &WatchOptions::gpu);
}

TEST(CommandLine, OverlongValuesAreUsageErrorsNotCuts) {
    // A --run's command as long as the longest command line Windows passes is kept whole.
    const std::u16string head = u"\"C:\\Program Files\\Pellacord\\Pellacord.exe\" --run ";
    std::u16string command(static_cast<size_t>(COMMAND_LINE_CAPACITY - 1) - head.size(), u'a');
    Parsed fits = Parse((u"--run " + command).c_str());
    ASSERT_EQ(fits.code, EXIT_OK) << Printable(fits.command->error);
    EXPECT_EQ(std::u16string(fits.command->text), command);


    // An unknown option far longer than the message: the message ends cut, inside its buffer.
    std::u16string junk = u"--" + std::u16string(1500, u'z');
    Parsed bad = Parse(junk.c_str());
    EXPECT_EQ(bad.code, EXIT_USAGE);
    EXPECT_LT(WideLength(bad.command->error), COMMAND_ERROR_CAPACITY);
}

// The copy that starts a --run hands the rest of its command line over, joined again: a --run
// becomes a watch of the started process that ends with its tree, with the same options.
TEST(CommandLine, RunBecomesAWatchOfItsProcess) {
    const char16_t* run[] = {u"C:\\P\\Pellacord.exe", u"--cpu", u"30%", u"--RUN", u"make \"all\"", u"--then", u"exit"};
    char16_t line[256];
    ASSERT_GT(RunAsWatchCommandLine(line, 256, run, 7, 4242), 0);
    EXPECT_EQ(Printable(line), "\"C:\\P\\Pellacord.exe\" --cpu 30% --run-pid 4242 --then exit");
    Parsed p = Parse(std::u16string(line).substr(std::u16string(line).find(u"\" ") + 2).c_str());
    ASSERT_EQ(p.code, EXIT_OK);
    EXPECT_EQ(p.command->kind, CommandKind::Watch);
    EXPECT_EQ(p.command->targetKind, TargetKind::Pid);
    EXPECT_EQ(p.command->pid, 4242u);
    EXPECT_TRUE(p.command->options.untilTreeEnds);
    EXPECT_EQ(p.command->options.then, FinishAction::Exit);
}

// A rule's options are written as --rule takes them, and read back to the same options,
// whatever the value: fractions, the bounds of each row, and every unit.
TEST(CommandLine, RuleOptionsRoundTrip) {
    LimitTable bounds;
    SetDefaultLimits(&bounds);
    struct Case {
        int32_t row;  // LIMIT_ROW_COUNT: the GPU
        uint32_t value;
        const char* text;
    } cases[] = {
        {0, 125, " --cpu 12.5%"},         {0, 50, " --cpu 5%"},              {0, 4000, " --cpu 400%"},
        {1, 1048576, " --disk 1MB/s"},    {1, 65536, " --disk 64KB/s"},      {1, 65537, " --disk 65537B/s"},
        {1, 1u << 28, " --disk 256MB/s"}, {2, 512, " --net 512B/s"},         {2, 3072, " --net 3KB/s"},
        {3, 3001, " --mem 3001/s"},       {3, 500, " --mem 500/s"},          {WAIT_ROW, 30000, " --wait 30s"},
        {WAIT_ROW, 90000, " --wait 1m30s"}, {WAIT_ROW, 1800000, " --wait 30m"}, {WAIT_ROW, 45500, " --wait 45.500s"},
        {LIMIT_ROW_COUNT, 10, " --gpu 1%"}, {LIMIT_ROW_COUNT, 875, " --gpu 87.5%"},
    };
    for (const Case& c : cases) {
        WatchOptions o = {};
        if (c.row == LIMIT_ROW_COUNT) {
            o.hasGpu = true;
            o.gpu = c.value;
        } else {
            o.hasLimit[c.row] = true;
            o.limit[c.row] = c.value;
        }
        char16_t text[256];
        FormatWatchOptions(text, 256, &o, false);
        EXPECT_EQ(Printable(text), c.text);
        std::u16string line = u"--rule a.exe" + std::u16string(text);
        Parsed p = Parse(line.c_str());
        ASSERT_EQ(p.code, EXIT_OK) << Printable(p.command->error);
        EXPECT_EQ(0, memcmp(&p.command->options, &o, sizeof(o))) << c.text;
    }
    WatchOptions all = {};
    all.hasLimit[0] = all.hasLimit[WAIT_ROW] = true;
    all.limit[0] = 200;
    all.limit[WAIT_ROW] = 60000;
    all.screen = true;
    all.then = FinishAction::Sleep;
    char16_t text[256];
    FormatWatchOptions(text, 256, &all, true);
    EXPECT_EQ(Printable(text), " --cpu 20% --wait 1m --screen --then sleep");
    all.then = FinishAction::None;
    FormatWatchOptions(text, 256, &all, true);
    EXPECT_EQ(Printable(text), " --cpu 20% --wait 1m --screen --then none");
    FormatWatchOptions(text, 256, &all, false);
    EXPECT_EQ(Printable(text), " --cpu 20% --wait 1m --screen");
    WatchOptions none = {};
    FormatWatchOptions(text, 256, &none, false);
    EXPECT_EQ(Printable(text), "");
}

}  // namespace
