#include "engine/PowerRequest.h"

#include <gtest/gtest.h>

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

}  // namespace
