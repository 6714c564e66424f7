#include "shell/Theme.h"

#include <gtest/gtest.h>

TEST(Theme, OnlyADwordZeroIsDark) {
    struct Case { bool queried; uint32_t type, data; int32_t dark; };
    const Case cases[] = {
        {true, REGISTRY_DWORD, 0, 1},
        {true, REGISTRY_DWORD, 1, 0},
        {true, REGISTRY_DWORD, 2, 0},
        {true, 1 /* REG_SZ */, 0, 0},
        {false, REGISTRY_DWORD, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ThemeValueMeansDark(c.queried, c.type, c.data), c.dark) << c.queried << c.type << c.data;
    }
}
