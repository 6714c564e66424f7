#include "shell/SingleInstance.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(SingleInstance, WhatTheNameSays) {
    struct Case {
        const char* name;
        bool handle;
        uint32_t error;
        NameClaim claim;
    };
    const Case cases[] = {
        {"created", true, 0, NameClaim::Held},
        {"opened: a copy runs", true, NAME_ERROR_ALREADY_EXISTS, NameClaim::Taken},
        {"an elevated copy runs", false, NAME_ERROR_ACCESS_DENIED, NameClaim::Taken},
        {"no name at all", false, 1450, NameClaim::Unavailable},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyNameClaim(c.handle, c.error), c.claim) << c.name;
    }
}

struct Filter {
    bool elevated;
    std::vector<uint32_t> allowed;
};

MessageFilterCalls Calls(Filter* f) {
    return MessageFilterCalls{.context = f, .elevated = [](void* c) { return static_cast<Filter*>(c)->elevated; },
                              .allow = [](void* c, uint32_t message) {
                                  static_cast<Filter*>(c)->allowed.push_back(message);
                                  return true;
                              }};
}

// An elevated copy lets through the hand-over, the request to show itself and the taskbar's
// restart, and nothing else; a copy that is not elevated opens nothing.
TEST(SingleInstance, AnElevatedCopyOpensThreeMessages) {
    Filter elevated{true, {}};
    MessageFilterCalls calls = Calls(&elevated);
    OpenToOtherCopies(&calls, 0xC0DE);
    EXPECT_EQ(elevated.allowed, (std::vector<uint32_t>{0x004A, 0x8002, 0xC0DE}));

    Filter unregistered{true, {}};
    calls = Calls(&unregistered);
    OpenToOtherCopies(&calls, 0);
    EXPECT_EQ(unregistered.allowed, (std::vector<uint32_t>{0x004A, 0x8002}));

    Filter normal{false, {}};
    calls = Calls(&normal);
    OpenToOtherCopies(&calls, 0xC0DE);
    EXPECT_TRUE(normal.allowed.empty());
}

}  // namespace
