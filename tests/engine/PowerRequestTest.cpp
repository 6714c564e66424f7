#include "engine/PowerLimits.h"
#include "engine/PowerRequest.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace {

std::vector<uint32_t> g_calls;
uint32_t g_result = 1;

uint32_t FakeSetState(uint32_t flags) {
    g_calls.push_back(flags);
    return g_result;
}

struct PowerFixture : ::testing::Test {
    PowerRequest r = MakePowerRequest(FakeSetState);
    void SetUp() override {
        g_calls.clear();
        g_result = 0x80000000u;
    }
};

TEST_F(PowerFixture, CallsOnlyWhenTheWishChanges) {
    ReleasePowerRequest(&r);              // nothing held at start
    SetPowerRequest(&r, 0, 1);            // the display option alone asks for nothing
    EXPECT_TRUE(g_calls.empty());

    SetPowerRequest(&r, 1, 0);
    SetPowerRequest(&r, 1, 0);            // the next tick, same wish
    SetPowerRequest(&r, 1, 1);            // display toggled while holding
    SetPowerRequest(&r, 1, 0);
    SetPowerRequest(&r, 0, 1);            // IDLE: dropped
    SetPowerRequest(&r, 0, 0);
    EXPECT_EQ(g_calls, (std::vector<uint32_t>{0x80000001u, 0x80000003u, 0x80000001u, 0x80000000u}));
    EXPECT_EQ(r.lastFlags, 0x80000000u);
}

TEST_F(PowerFixture, RefusalIsRememberedUntilAnAcceptedChange) {
    g_result = 0;
    SetPowerRequest(&r, 1, 0);
    EXPECT_EQ(PowerRequestAccepted(&r), 0);
    EXPECT_STREQ(LockStateName(&r, true), "REFUSED");
    SetPowerRequest(&r, 1, 0);            // not retried
    EXPECT_EQ(g_calls.size(), 1u);
    EXPECT_EQ(r.lastFlags, 0x80000001u);  // taken even though refused

    ReleasePowerRequest(&r);              // a release does not record acceptance
    EXPECT_EQ(PowerRequestAccepted(&r), 0);
    EXPECT_EQ(g_calls.back(), 0x80000000u);

    g_result = 0x80000000u;
    SetPowerRequest(&r, 1, 1);
    EXPECT_EQ(PowerRequestAccepted(&r), 1);
    EXPECT_STREQ(LockStateName(&r, true), "held");
    EXPECT_STREQ(LockStateName(&r, false), "off");

    g_result = 0;
    SetPowerRequest(&r, 0, 0);            // a drop through SetPowerRequest records its result
    EXPECT_EQ(PowerRequestAccepted(&r), 0);
    ReleasePowerRequest(&r);              // already dropped: no call
    EXPECT_EQ(g_calls.size(), 4u);
}

TEST_F(PowerFixture, ResumeSetsTheSameFlagsAgain) {
    SetPowerRequest(&r, 1, 1);
    g_result = 0;
    ReassertPowerRequest(&r);  // even though nothing changed
    EXPECT_EQ(g_calls, (std::vector<uint32_t>{0x80000003u, 0x80000003u}));
    EXPECT_EQ(PowerRequestAccepted(&r), 0);
}

// The request object with its reason, beside the execution state.
struct Reasons {
    std::vector<std::string> calls;
    bool refuseCreate = false;
};

std::string Narrow(const char16_t* s) {
    std::string out;
    for (; *s; s++) {
        out += static_cast<char>(*s < 128 ? *s : '?');
    }
    return out;
}

std::string TypeName(int32_t type) {
    return type == POWER_REQUEST_SYSTEM ? "system" : type == POWER_REQUEST_DISPLAY ? "display" : "execution";
}

PowerReasonApi FakeReasons(Reasons* reasons) {
    return PowerReasonApi{
        .context = reasons,
        .create = [](void* c, const char16_t* text) -> void* {
            auto* x = static_cast<Reasons*>(c);
            x->calls.push_back("create " + Narrow(text));
            return x->refuseCreate ? nullptr : reinterpret_cast<void*>(uintptr_t{0x44});
        },
        .set = [](void* c, void*, int32_t type) {
            static_cast<Reasons*>(c)->calls.push_back("set " + TypeName(type));
            return true;
        },
        .clear = [](void* c, void*, int32_t type) {
            static_cast<Reasons*>(c)->calls.push_back("clear " + TypeName(type));
            return true;
        },
        .close = [](void* c, void*) { static_cast<Reasons*>(c)->calls.push_back("close"); },
    };
}

TEST_F(PowerFixture, TheReasonObjectFollowsTheRequest) {
    Reasons reasons;
    r.reason = FakeReasons(&reasons);
    OpenPowerReason(&r, u"Render \u00B7\r\nfinal");
    SetPowerRequest(&r, 1, 0);
    SetPowerRequest(&r, 1, 1);  // the screen kept on too
    SetPowerRequest(&r, 1, 1);
    SetPowerRequest(&r, 0, 1);  // IDLE: both cleared
    SetPowerRequest(&r, 1, 0);
    ReleasePowerRequest(&r);
    ClosePowerReason(&r);
    EXPECT_EQ(reasons.calls, (std::vector<std::string>{"create Pellacord: watching Render ???final", "set system",
                                                      "set display", "clear system", "clear display", "set system",
                                                      "clear system", "close"}));
    EXPECT_EQ(g_calls.size(), 5u);  // the execution state goes on exactly as before
}

// With modern standby the object asks for execution beside the system while the lock is held,
// and never without it; elsewhere it never does.
TEST_F(PowerFixture, ExecutionIsRequiredWithTheSystemOnModernStandby) {
    Reasons reasons;
    r.reason = FakeReasons(&reasons);
    OpenPowerReason(&r, u"Render");
    RequireExecution(&r, true);  // nothing held yet: nothing set
    SetPowerRequest(&r, 1, 1);
    SetPowerRequest(&r, 0, 1);   // IDLE
    SetPowerRequest(&r, 1, 0);
    ReleasePowerRequest(&r);
    EXPECT_EQ(reasons.calls, (std::vector<std::string>{"create Pellacord: watching Render", "set system",
                                                      "set display", "set execution", "clear system",
                                                      "clear display", "clear execution", "set system",
                                                      "set execution", "clear system", "clear execution"}));
    reasons.calls.clear();
    SetPowerRequest(&r, 1, 0);
    RequireExecution(&r, false);  // an S3 PC: system alone
    SetPowerRequest(&r, 1, 0);
    EXPECT_EQ(reasons.calls, (std::vector<std::string>{"set system", "set execution", "clear execution"}));
    EXPECT_EQ(g_calls, (std::vector<uint32_t>{0x80000003u, 0x80000000u, 0x80000001u, 0x80000000u, 0x80000001u}));
}

TEST_F(PowerFixture, WithoutAReasonObjectTheExecutionStateCarriesOn) {
    Reasons reasons;
    reasons.refuseCreate = true;  // as Wine answers
    r.reason = FakeReasons(&reasons);
    OpenPowerReason(&r, u"Render");
    SetPowerRequest(&r, 1, 1);
    ClosePowerReason(&r);
    EXPECT_EQ(reasons.calls, (std::vector<std::string>{"create Pellacord: watching Render"}));
    EXPECT_EQ(g_calls, (std::vector<uint32_t>{0x80000003u}));
    EXPECT_STREQ(LockStateName(&r, true), "held");

    PowerRequest bare = MakePowerRequest(FakeSetState);  // no calls at all on this system
    OpenPowerReason(&bare, u"Render");
    SetPowerRequest(&bare, 1, 0);
    EXPECT_EQ(bare.reasonRequest, nullptr);
}

TEST(PowerLimits, PolicyForTheCurrentPowerSource) {
    struct Case {
        uint8_t line;
        AcDcValues values;
        bool forbids;
    };
    const Case cases[] = {
        {POWER_SOURCE_MAINS, {false, 0, false, 0}, false},   // no policy
        {POWER_SOURCE_MAINS, {true, 0, true, 1}, true},      // off on mains
        {POWER_SOURCE_MAINS, {true, 1, true, 0}, false},     // off on battery only
        {POWER_SOURCE_BATTERY, {true, 1, true, 0}, true},
        {POWER_SOURCE_BATTERY, {true, 0, false, 0}, false},
        {POWER_SOURCE_UNKNOWN, {true, 0, true, 1}, true},     // a desktop: mains
        {POWER_SOURCE_MAINS, {true, 2, false, 0}, false},    // anything but 0 allows
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PolicyForbidsRequests(c.line, &c.values), c.forbids)
            << int{c.line} << " " << c.values.ac << " " << c.values.dc;
    }
}

// The lid's action stops the job unless it is "Do nothing" (0) for the source the PC runs on;
// an action that could not be read is not assumed.
TEST(PowerLimits, LidActionAndRequestsOverride) {
    const AcDcValues sleepOnBattery = {true, 0, true, 1};
    EXPECT_FALSE(LidActionStops(POWER_SOURCE_MAINS, &sleepOnBattery));
    EXPECT_TRUE(LidActionStops(POWER_SOURCE_BATTERY, &sleepOnBattery));
    const AcDcValues unknown = {false, 1, false, 3};
    EXPECT_FALSE(LidActionStops(POWER_SOURCE_BATTERY, &unknown));

    struct Case { uint32_t bits; const char* note; };
    const Case cases[] = {
        {0, ""},
        {OVERRIDE_AWAYMODE, ""},  // Pellacord never asks for away mode
        {OVERRIDE_SYSTEM, "  powercfg /requestsoverride makes Windows ignore Pellacord's system request"},
        {OVERRIDE_DISPLAY, "  powercfg /requestsoverride makes Windows ignore Pellacord's display request"},
        {OVERRIDE_SYSTEM | OVERRIDE_DISPLAY | OVERRIDE_AWAYMODE,
         "  powercfg /requestsoverride makes Windows ignore Pellacord's system and display requests"},
    };
    for (const Case& c : cases) {
        char line[120];
        int32_t n = FormatOverrideNote(line, sizeof(line), c.bits);
        EXPECT_EQ(std::string(line), c.note) << c.bits;
        EXPECT_EQ(n, static_cast<int32_t>(strlen(c.note)));
    }
}

}  // namespace
