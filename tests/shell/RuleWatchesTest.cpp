#include "tests/shell/ControllerFixture.h"

#include "shell/Commands.h"

#include <set>

// Watches that standing rules start beside the window's: arming, several watches at once on
// one lock, their own finished actions, and the tray's summary and menu.

namespace {

ExecutionStateMux g_mux;

template <int SLOT>
uint32_t MuxSlot(uint32_t flags) {
    return SetSlotExecutionState(&g_mux, SLOT, flags);
}

struct RulesFixture : ControllerFixture {
    std::unique_ptr<RuleWatches> rules = std::make_unique<RuleWatches>();

    void SetUp() override {
        ControllerFixture::SetUp();
        g_mux = ExecutionStateMux{{}, FakePower};
        watch->power.setExecutionState = MuxSlot<0>;
        uint32_t (*slots[RULE_WATCHES_MAX])(uint32_t) = {MuxSlot<1>, MuxSlot<2>, MuxSlot<3>, MuxSlot<4>,
                                                         MuxSlot<5>, MuxSlot<6>, MuxSlot<7>, MuxSlot<8>};
        std::copy(std::begin(slots), std::end(slots), rules->slotStates);
        c.rules = rules.get();
    }
    static ArmedRule Rule(const char16_t* image, FinishAction then = FinishAction::None) {
        ArmedRule r{};
        CopyWide(r.image, image, APP_IMAGE_CAPACITY);
        r.options.then = then;
        return r;
    }
    void Arm(std::vector<ArmedRule> list) { SetRules(&c, list.data(), static_cast<int32_t>(list.size())); }
    FakeProcess& Run(uint32_t pid, uint32_t parent, const char16_t* image) {
        FakeProcess& p = processes.Add(pid, parent, processes.now - SECOND);
        p.image = image;
        return p;
    }
    // A second in which each listed process used that much of a core.
    void Busy(std::vector<std::pair<uint32_t, uint64_t>> work) {
        processes.now += SECOND;
        for (auto [pid, permille] : work) {
            if (FakeProcess* p = processes.Find(pid)) {
                p->counters.cpuTime += permille * SECOND / 1000;
            }
        }
        processes.snapshots = 0;
        processes.countersRead.clear();
        Tick(&c);
    }
    const RuleWatch* Watching(const char16_t* image) const {
        for (const RuleWatch& r : rules->slots) {
            if (r.watch.status.watchMode == WATCH_ON && WideEqual(r.watch.status.watchedApp.imageName, image)) {
                return &r;
            }
        }
        return nullptr;
    }
    bool Held() const { return (g_out->powerCalls.back() & ES_FLAG_SYSTEM_REQUIRED) != 0; }
    std::vector<std::string> LinesWith(const std::string& part, size_t from = 0) const {
        std::vector<std::string> found;
        for (size_t i = from; i < out.log.size(); i++) {
            if (out.log[i].find(part) != std::string::npos) {
                found.push_back(out.log[i]);
            }
        }
        return found;
    }
};

TEST_F(RulesFixture, ArmedRulesWatchNewProcessesOfTheirImageAndArmAgainAfterExit) {
    Arm({Rule(u"render.exe")});
    EXPECT_TRUE(out.timerRunning);
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 1 rule armed");
    EXPECT_TRUE(out.shellHasIcon);
    Busy({});
    Busy({});  // a look every other tick while nothing is watched
    EXPECT_EQ(Watching(u"render.exe"), nullptr);
    Run(600, 4, u"Render.EXE");
    Busy({});
    Busy({});
    const RuleWatch* r = Watching(u"render.exe");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->watch.status.watchedApp.pid, 600u);
    EXPECT_EQ(LinesWith("watching:"), std::vector<std::string>{"[render.exe] watching: render.exe (rule)"});
    EXPECT_EQ(LinesWith("  pid 600"), std::vector<std::string>{"[render.exe]   pid 600, plus every process it spawns"});
    EXPECT_TRUE(Held());  // held from the start, as any watch is
    // Its worker, of the same image, joins its tree and starts nothing.
    Run(601, 600, u"render.exe");
    Busy({{601, 900}});
    Busy({{601, 900}});
    EXPECT_EQ(LinesWith("watching:").size(), 1u);
    for (const std::string& line : LinesWith("tick procs=")) {
        EXPECT_EQ(line.rfind("[render.exe] tick procs=", 0), 0u) << line;
    }
    EXPECT_EQ(LinesWith("tick procs=2").size(), 2u);
    // Its process exits: the watch ends and the rule arms again for the next run.
    processes.list.erase(std::remove_if(processes.list.begin(), processes.list.end(),
                                        [](const FakeProcess& p) { return p.pid == 600 || p.pid == 601; }),
                         processes.list.end());
    Busy({});
    EXPECT_EQ(Watching(u"render.exe"), nullptr);
    EXPECT_EQ(LinesWith("exited"), std::vector<std::string>{"[render.exe] the watched process exited"});
    EXPECT_FALSE(Held());
    Run(600, 4, u"render.exe");  // the same id, a new process
    Busy({});
    Busy({});
    ASSERT_NE(Watching(u"render.exe"), nullptr);
    EXPECT_EQ(LinesWith("watching:").size(), 2u);
}

TEST_F(RulesFixture, AProcessInsideTheWindowsTreeJoinsItAndTheWindowsLinesNameIt) {
    Arm({Rule(u"render.exe")});
    Select(1);
    StartWatching(&c);
    const size_t start = out.log.size();
    Second(500);
    EXPECT_EQ(out.log[start].rfind("tick procs=2", 0), 0u) << "no rule watch: the lines are as they always were";
    Run(510, 501, u"render.exe");  // started by the window's app
    Second(500);
    Second(500);
    EXPECT_EQ(Watching(u"render.exe"), nullptr);
    Run(620, 4, u"render.exe");
    Second(500);
    Second(500);
    ASSERT_NE(Watching(u"render.exe"), nullptr);
    ASSERT_EQ(LinesWith("[window] tick").size(), 1u);
    EXPECT_EQ(LinesWith("[window] tick")[0].rfind("[window] tick procs=3", 0), 0u);
}

// Three watches at once: the window's and two rules'. One process list and one counters read
// per process each tick; the lock is wanted exactly while any watch wants it; each finished
// action is its own.
TEST_F(RulesFixture, ThreeWatchesShareTheTickAndTheLock) {
    ArmedRule render = Rule(u"render.exe", FinishAction::Sleep);
    Arm({render, Rule(u"backup.exe")});
    Run(600, 4, u"render.exe");
    Run(700, 4, u"backup.exe");
    Run(701, 700, u"worker.exe");
    Select(1);
    StartWatching(&c);
    Busy({{APP_PID, 900}, {600, 900}, {700, 900}});
    ASSERT_NE(Watching(u"render.exe"), nullptr);
    ASSERT_NE(Watching(u"backup.exe"), nullptr);
    for (int second = 0; second < 5; second++) {
        Busy({{APP_PID, 900}, {600, 900}, {701, 900}});
        EXPECT_EQ(processes.snapshots, 1);
        std::set<uint32_t> once(processes.countersRead.begin(), processes.countersRead.end());
        EXPECT_EQ(once.size(), processes.countersRead.size());
        EXPECT_TRUE(Held());
    }
    // The window's watch is released by hand; the rules' still hold.
    StopWatching(&c, u"");
    EXPECT_TRUE(Held());
    // render.exe goes quiet first: its wait runs out, its lock goes, and its sleep waits for
    // a minute's countdown; backup.exe still holds the lock.
    for (int second = 0; second < 45; second++) {
        Busy({{701, 900}});
    }
    EXPECT_EQ(Watching(u"render.exe")->watch.status.currentState, STATE_IDLE);
    EXPECT_TRUE(Held());
    EXPECT_EQ(out.balloons.back(), "render.exe is done. Sleep in 60 s");
    EXPECT_EQ(LinesWith("work finished").size(), 1u);
    for (int second = 0; second < 60; second++) {
        Busy({{701, 900}});
    }
    // Sleeping now would cut backup.exe's job short.
    EXPECT_TRUE(out.performed.empty());
    EXPECT_EQ(LinesWith("finished: not sleeping the PC").size(), 1u);
    EXPECT_EQ(Watching(u"backup.exe")->watch.finish.action, FinishAction::None);
    // Both quiet: the lock goes, and render.exe's next finished job sleeps the PC.
    for (int second = 0; second < 45 && Held(); second++) {
        Busy({});
    }
    EXPECT_FALSE(Held());
    EXPECT_EQ(Watching(u"backup.exe")->watch.status.currentState, STATE_IDLE);
    Busy({{600, 900}});
    Busy({{600, 900}});
    EXPECT_EQ(Watching(u"render.exe")->watch.status.currentState, STATE_BUSY);
    EXPECT_TRUE(Held());
    for (int second = 0; second < 45 + 60 && out.performed.empty(); second++) {
        Busy({});
    }
    EXPECT_EQ(out.performed, std::vector<FinishAction>{FinishAction::Sleep});
    EXPECT_FALSE(Held());
}

// A copy in the tray keeps its idle icon when its last rule is forgotten, and stops ticking.
TEST_F(RulesFixture, TheLastRuleForgottenInTheTrayLeavesTheIcon) {
    c.trayResident = true;
    out.visible = false;
    Arm({Rule(u"render.exe")});
    EXPECT_TRUE(out.timerRunning);
    Arm({});
    EXPECT_FALSE(out.timerRunning);
    EXPECT_TRUE(tray.iconShown);
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord");
    EXPECT_EQ(std::count(out.trayCalls.begin(), out.trayCalls.end(), "delete"), 0);
}

TEST_F(RulesFixture, ReleasesByImageAndAllAndTheTraySummary) {
    Arm({Rule(u"render.exe"), Rule(u"backup.exe")});
    Run(600, 4, u"render.exe");
    Run(601, 4, u"render.exe");
    Run(700, 4, u"backup.exe");
    Busy({});
    Busy({});
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 render.exe, render.exe, backup.exe");
    EXPECT_EQ(LinesWith("watching:"), (std::vector<std::string>{"[render.exe] watching: render.exe (rule)",
                                                                "[render.exe #2] watching: render.exe (rule)",
                                                                "[backup.exe] watching: backup.exe (rule)"}));
    TrayMenuModel model{};
    FillRulesMenu(&c, &model);
    ASSERT_EQ(model.ruleWatchCount, 3);
    EXPECT_EQ(Utf8(model.ruleWatches[1].name), "render.exe #2");
    EXPECT_EQ(model.ruleCount, 2);
    EXPECT_EQ(model.keepText[0], u'\0');
    EXPECT_EQ(ReleaseRuleWatches(&c, u"RENDER.exe"), 2);
    EXPECT_EQ(Watching(u"render.exe"), nullptr);
    EXPECT_TRUE(Held());
    EXPECT_EQ(ReleaseRuleWatches(&c, nullptr), 1);
    EXPECT_FALSE(Held());
    EXPECT_EQ(out.trayCalls.back(), "modify Pellacord \xC2\xB7 2 rules armed");
    // Forgetting every rule: the icon and the ticks go, as without rules.
    Arm({});
    EXPECT_EQ(out.trayCalls.back(), "delete");
    EXPECT_FALSE(out.timerRunning);
}

// --release IMAGE ends every watch of that image, the window's included; --release alone
// only the window's, as it always did.
TEST_F(RulesFixture, ReleaseByImageFromAScript) {
    Arm({Rule(u"render.exe")});
    Run(600, 4, u"render.exe");
    Select(1);
    StartWatching(&c);
    Busy({});
    ASSERT_NE(Watching(u"render.exe"), nullptr);
    auto command = std::make_unique<Command>();
    command->kind = CommandKind::Release;
    CopyWide(command->text, u"MAKE.EXE", COMMAND_TEXT_CAPACITY);
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_OK);
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_NE(Watching(u"render.exe"), nullptr);
    Select(1);
    StartWatching(&c);
    command->text[0] = 0;
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_OK);
    EXPECT_EQ(status.watchMode, WATCH_OFF);
    EXPECT_NE(Watching(u"render.exe"), nullptr);
    CopyWide(command->text, u"render.exe", COMMAND_TEXT_CAPACITY);
    EXPECT_EQ(ExecuteCommand(&c, command.get()), EXIT_OK);
    EXPECT_EQ(Watching(u"render.exe"), nullptr);
    EXPECT_FALSE(Held());
}

// A job that ends with its process while still working is finished too: the rule's action
// counts down. Once the rules are forgotten and their last watch is over, the ticks and the
// icon are the window's alone again.
TEST_F(RulesFixture, AnExitWhileBusyFinishesTheJobAndTheLastWatchLeavesPlay) {
    Arm({Rule(u"render.exe", FinishAction::Sleep)});
    Run(600, 4, u"render.exe");
    Busy({{600, 900}});
    Busy({{600, 900}});
    ASSERT_NE(Watching(u"render.exe"), nullptr);
    Arm({});  // forgotten: the watch goes on until its process exits
    EXPECT_TRUE(out.timerRunning);
    processes.list.pop_back();
    Busy({});
    EXPECT_EQ(out.balloons.back(), "render.exe is done. Sleep in 60 s");
    EXPECT_TRUE(out.shellHasIcon);  // for the countdown
    for (int second = 0; second < 60 && out.performed.empty(); second++) {
        Busy({});
    }
    EXPECT_EQ(out.performed, std::vector<FinishAction>{FinishAction::Sleep});
    EXPECT_FALSE(out.timerRunning);
    EXPECT_FALSE(out.shellHasIcon);
}

// The window's own sleep would cut a rule's job short: it does not happen.
TEST_F(RulesFixture, TheWindowsSleepWaitsForNoRuleWatchButIsRefusedWhileOneHolds) {
    Arm({Rule(u"render.exe")});
    Run(600, 4, u"render.exe");
    Select(1);
    StartWatching(&c);
    ChooseFinishAction(&c, FinishAction::Sleep, status.watchSerial);
    for (int second = 0; second < 45 && !watch->finish.counting; second++) {
        Busy({{600, 900}});
    }
    ASSERT_TRUE(watch->finish.counting);
    for (int second = 0; second < 60; second++) {
        CountdownTick(&c);
    }
    EXPECT_TRUE(out.performed.empty());
    EXPECT_EQ(LinesWith("[window] finished: not sleeping the PC, other watches hold the lock").size(), 1u);
    EXPECT_TRUE(Held());
}

TEST(RulesTray, TooltipSummaryAndMenu) {
    char16_t tip[TRAY_TIP_CAPACITY];
    const char16_t* names[] = {u"a.exe", u"b.exe", u"c.exe", u"d.exe", u"e.exe"};
    struct Case {
        int32_t count, rules;
        const char* expected;
    } cases[] = {
        {0, 1, "Pellacord \xC2\xB7 1 rule armed"},
        {0, 3, "Pellacord \xC2\xB7 3 rules armed"},
        {2, 3, "Pellacord \xC2\xB7 a.exe, b.exe"},
        {3, 3, "Pellacord \xC2\xB7 a.exe, b.exe, c.exe"},
        {5, 3, "Pellacord \xC2\xB7 a.exe, b.exe, c.exe and 2 more"},
    };
    for (const Case& k : cases) {
        FormatWatchesTooltip(tip, names, k.count, k.rules);
        EXPECT_EQ(Utf8(tip), k.expected);
    }
    std::u16string longName(70, u'n');
    const char16_t* longNames[] = {longName.c_str(), longName.c_str(), longName.c_str(), u"x", u"y"};
    FormatWatchesTooltip(tip, longNames, 5, 1);
    EXPECT_EQ(Utf8(tip), "Pellacord \xC2\xB7 " + std::string(28, 'n') + ", " + std::string(28, 'n') + ", " +
                             std::string(28, 'n') + " and 2 more");

    TrayMenuModel m{true, false, false, FinishAction::None, false};
    CopyWide(m.keepText, u"Keep awake whenever make.exe works", TRAY_ITEM_TEXT_CAPACITY);
    m.ruleWatchCount = 1;
    m.ruleWatches[0].slot = 3;
    CopyWide(m.ruleWatches[0].name, u"render.exe", TRAY_ITEM_TEXT_CAPACITY);
    m.ruleWatches[0].action = FinishAction::Hibernate;
    m.ruleWatches[0].counting = true;
    m.ruleCount = 1;
    CopyWide(m.rules[0], u"render.exe", TRAY_ITEM_TEXT_CAPACITY);
    m.offerStartWithWindows = true;
    m.startWithWindows = true;
    TrayMenuItem items[TRAY_MENU_MAX];
    const int32_t n = BuildTrayMenu(items, &m);
    std::string shape;
    for (int32_t i = 0; i < n; i++) {
        const TrayMenuItem& it = items[i];
        switch (it.kind) {
        case MenuItemKind::Separator: shape += "-|"; break;
        case MenuItemKind::Open: shape += Utf8(it.text) + " {|"; break;
        case MenuItemKind::Close: shape += "}|"; break;
        case MenuItemKind::Submenu: shape += Utf8(it.text) + " >|"; break;
        default: shape += (it.kind == MenuItemKind::Choice ? "  " : "") + Utf8(it.text) + (it.checked ? "*|" : "|");
        }
    }
    EXPECT_EQ(shape,
              "Show Pellacord|Release the lock|When finished >|  Do nothing*|  Sleep|  Hibernate|  Shut down|"
              "  Exit Pellacord|Release below 20% battery|Keep awake whenever make.exe works|"
              "Keep awake {|  For 30 minutes|  For 1 hour|  For 2 hours|  For 4 hours|  Until I release|-|"
              "Keep the screen on too|}|-|render.exe {|Release|Cancel|When finished >|  Do nothing|  Sleep|  Hibernate*|  Shut down|"
              "  Exit Pellacord|}|Release all|-|Rules {|render.exe {|Forget|}|}|Start with Windows*|-|Exit|");
    // Each command comes back as what it stands for.
    std::set<int32_t> ids;
    for (int32_t i = 0; i < n; i++) {
        if (items[i].id != 0) {
            EXPECT_TRUE(ids.insert(items[i].id).second) << Utf8(items[i].text);
        }
    }
    struct Back {
        int32_t id;
        RuleMenuKind kind;
        int32_t index;
        FinishAction action;
    } backs[] = {
        {IDM_RULE_RELEASE + 3, RuleMenuKind::Release, 3, FinishAction::None},
        {IDM_RULE_CANCEL + 3, RuleMenuKind::Cancel, 3, FinishAction::None},
        {IDM_RULE_FINISH + 3 * 8 + 2, RuleMenuKind::Finish, 3, FinishAction::Hibernate},
        {IDM_FORGET, RuleMenuKind::Forget, 0, FinishAction::None},
        {IDM_RULE_FINISH + 8 + 6, RuleMenuKind::None, 0, FinishAction::None},
        {IDM_EXIT, RuleMenuKind::None, 0, FinishAction::None},
    };
    for (const Back& b : backs) {
        const RuleMenuChoice got = RuleChoiceOfCommand(b.id);
        EXPECT_EQ(got.kind, b.kind) << b.id;
        if (b.kind != RuleMenuKind::None) {
            EXPECT_EQ(got.index, b.index) << b.id;
            EXPECT_EQ(got.action, b.action) << b.id;
        }
    }
}

}  // namespace
