#include "engine/Limits.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

LimitTable Defaults() {
    LimitTable t;
    memset(&t, 0xCD, sizeof(t));
    SetDefaultLimits(&t);
    return t;
}

// Every field is written, every value lies in its row's bounds, and the bounds sit on the
// scale where the worked example puts them.
TEST(Limits, DefaultsAreWholeAndInBounds) {
    LimitTable t = Defaults();
    struct Units { uint32_t lo, hi; };
    const Units units[LIMIT_ROW_COUNT] = {{1424, 3060}, {4096, 7168}, {2304, 5632}, {2292, 5352}, {3796, 5303}};
    for (int i = 0; i < LIMIT_ROW_COUNT; i++) {
        const LimitRow& r = t.rows[i];
        for (uint32_t field : {r.value, r.minValue, r.maxValue, r.raiseFactor, r.countsAsWork}) {
            EXPECT_NE(field, 0xCDCDCDCDu) << "row " << i << " has a field left unwritten";
        }
        EXPECT_LE(r.minValue, r.value) << i;
        EXPECT_LE(r.value, r.maxValue) << i;
        EXPECT_GE(r.raiseFactor, 1u) << i;
        EXPECT_EQ(r.countsAsWork, 1u) << i;
        EXPECT_EQ(ValueToLogUnits(r.minValue), units[i].lo) << i;
        EXPECT_EQ(ValueToLogUnits(r.maxValue), units[i].hi) << i;
    }
}

TEST(Limits, LogScalePoints) {
    struct Case { uint32_t value, units; };
    const Case cases[] = {
        {0, 0}, {1, 0}, {2, 256}, {3, 384}, {50, 1424}, {4000, 3060}, {1u << 28, 7168},
        {65536, 4096}, {512, 2304}, {4194304, 5632}, {500, 2292}, {2000000, 5352},
        {30000, 3796}, {1800000, 5303}, {0xFFFFFFFFu, 31 * 256 + 255},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ValueToLogUnits(c.value), c.units) << c.value;
    }
}

TEST(Limits, LogScaleIsMonotonicAndInvertsAtPowersOfTwo) {
    uint32_t previous = 0;
    for (uint64_t v = 1; v <= 0xFFFFFFFFull; v = v * 3 / 2 + 1) {
        uint32_t u = ValueToLogUnits(static_cast<uint32_t>(v));
        EXPECT_GE(u, previous) << v;
        previous = u;
        // Going to units and back never overshoots the value.
        EXPECT_LE(LogUnitsToValue(u), v);
    }
    for (uint32_t k = 0; k < 32; k++) {
        EXPECT_EQ(LogUnitsToValue(k * 256), 1u << k);
    }
    // Units past the top octave are capped at 2^31 times the fraction.
    EXPECT_EQ(LogUnitsToValue(0xFFFFFFFFu), LogUnitsToValue(31 * 256 + 255));
    EXPECT_EQ(LogUnitsToValue(31 * 256 + 255), 0x80000000u + (0x80000000ull * 255 / 256));
}

TEST(Limits, DefaultsOnTheirSlidersAndBack) {
    LimitTable t = Defaults();
    struct Case { int row; uint32_t position, readBack; };
    const Case cases[] = {
        {0, 312, 199}, {1, 333, 1044480}, {2, 153, 2036}, {3, 210, 2992}, {4, 732, 595968},
    };
    for (const Case& c : cases) {
        const LimitRow* row = &t.rows[c.row];
        EXPECT_EQ(LimitToSliderPosition(row, row->value), c.position) << c.row;
        EXPECT_EQ(SliderPositionToLimit(row, c.position), c.readBack) << c.row;
    }
}

TEST(Limits, SliderPositionToLimitAcrossEachRow) {
    LimitTable t = Defaults();
    struct Case { int row; uint32_t position, value; };
    const Case cases[] = {
        {0, 1, 50}, {1, 1, 66304}, {2, 1, 518}, {3, 1, 503}, {4, 1, 30016},
        {0, 999, 3984}, {1, 999, 266338304}, {2, 999, 4161536}, {3, 999, 1982464}, {4, 999, 1789952},
        {1, 792, 50462720}, {1, 793, 50855936},
        {0, 0, 50}, {0, 1000, 4000}, {0, 1001, 4000}, {4, 0xFFFFFFFFu, 1800000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SliderPositionToLimit(&t.rows[c.row], c.position), c.value)
            << "row " << c.row << " position " << c.position;
    }
}

TEST(Limits, LimitToSliderPositionEdges) {
    LimitTable t = Defaults();
    const LimitRow* disk = &t.rows[1];
    struct Case { uint32_t value, position; };
    const Case cases[] = {
        {50331648, 791}, {201326592, 958}, {65536, 0}, {0, 0}, {268435456, 1000}, {0xFFFFFFFFu, 1000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LimitToSliderPosition(disk, c.value), c.position) << c.value;
    }
    for (int i = 0; i < LIMIT_ROW_COUNT; i++) {
        const LimitRow* row = &t.rows[i];
        EXPECT_EQ(LimitToSliderPosition(row, row->minValue), 0u);
        EXPECT_EQ(LimitToSliderPosition(row, row->maxValue), 1000u);
    }
}

TEST(Limits, DiskSliderIsMonotonicAndStaysInBounds) {
    LimitTable t = Defaults();
    for (int i = 0; i < LIMIT_ROW_COUNT; i++) {
        const LimitRow* row = &t.rows[i];
        uint32_t previous = 0;
        for (uint32_t p = 0; p <= 1000; p++) {
            uint32_t v = SliderPositionToLimit(row, p);
            EXPECT_GE(v, previous) << "row " << i << " position " << p;
            EXPECT_GE(v, row->minValue);
            EXPECT_LE(v, row->maxValue);
            previous = v;
        }
    }
}

TEST(Limits, DegenerateRowStaysAtItsMinimum) {
    // Bounds within one scale unit: the slider sits at 0 and never reads a wrapped value.
    const LimitRow row = {100, 100, 100, 1, 1};
    EXPECT_EQ(LimitToSliderPosition(&row, 100), 0u);
    EXPECT_EQ(SliderPositionToLimit(&row, 500), 100u);
}

TEST(Limits, MetricLogNames) {
    struct Case { int metric; const char* name; };
    const Case cases[] = {{0, "cpu"}, {1, "disk"}, {2, "net"}, {3, "mem"}, {4, "gpu"}, {-1, "-"}, {5, "-"}, {1000, "-"}};
    for (const Case& c : cases) {
        EXPECT_STREQ(MetricLogName(c.metric), c.name) << c.metric;
    }
}

}  // namespace
