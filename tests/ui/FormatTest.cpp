#include "ui/Format.h"

#include "tests/support/Utf16.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RateCase {
    uint32_t value;
    const char16_t* text;
};

template <typename Formatter>
void ExpectTexts(Formatter format, const RateCase* cases, size_t count) {
    for (size_t i = 0; i < count; i++) {
        char16_t out[METRIC_TEXT_CAPACITY];
        format(out, cases[i].value);
        EXPECT_EQ(std::u16string(out), std::u16string(cases[i].text))
            << cases[i].value << " gave " << Printable(out);
    }
}

TEST(Format, ByteRate) {
    const RateCase cases[] = {
        {0, u"0 B/s"}, {1023, u"1023 B/s"}, {1024, u"1.0 KB/s"}, {1126, u"1.0 KB/s"},
        {1127, u"1.1 KB/s"}, {1536, u"1.5 KB/s"}, {1048575, u"1023.9 KB/s"}, {1048576, u"1.0 MB/s"},
        {1100000, u"1.0 MB/s"}, {1179648, u"1.1 MB/s"}, {1572864, u"1.5 MB/s"},
        {4294967295u, u"4095.9 MB/s"},
    };
    ExpectTexts([](char16_t* out, uint32_t v) { FormatByteRate(out, METRIC_TEXT_CAPACITY, v); }, cases,
                std::size(cases));
}

TEST(Format, CountRate) {
    const RateCase cases[] = {
        {0, u"0/s"}, {999, u"999/s"}, {1000, u"1.0K/s"}, {1099, u"1.0K/s"}, {1999, u"1.9K/s"},
        {999999, u"999.9K/s"}, {1000000, u"1.0M/s"}, {2500000, u"2.5M/s"}, {4294967295u, u"4294.9M/s"},
    };
    ExpectTexts([](char16_t* out, uint32_t v) { FormatCountRate(out, METRIC_TEXT_CAPACITY, v); }, cases,
                std::size(cases));
}

TEST(Format, MetricValuePicksTheFormatterByMetric) {
    struct Case { int metric; uint32_t value; const char16_t* text; };
    const Case cases[] = {
        {0, 0, u"0.0%"}, {0, 5, u"0.5%"}, {0, 155, u"15.5%"}, {0, 1000, u"100.0%"}, {0, 2350, u"235.0%"},
        {0, 4294967295u, u"429496729.5%"},
        {1, 1536, u"1.5 KB/s"}, {2, 1048576, u"1.0 MB/s"},
        {3, 2500000, u"2.5M/s"}, {4, 1000, u"1.0K/s"}, {-1, 999, u"999/s"},
    };
    for (const Case& c : cases) {
        char16_t out[METRIC_TEXT_CAPACITY];
        FormatMetricValue(out, METRIC_TEXT_CAPACITY, static_cast<Metric>(c.metric), c.value);
        EXPECT_EQ(std::u16string(out), std::u16string(c.text)) << c.metric << "/" << c.value;
    }
}

TEST(Format, Duration) {
    const RateCase cases[] = {
        {0, u"0s"}, {999, u"0s"}, {59999, u"59s"}, {60000, u"1m"}, {90000, u"1m 30s"},
        {119999, u"1m 59s"}, {600000, u"10m"}, {3661000, u"61m 1s"}, {4294967295u, u"71582m 47s"},
    };
    ExpectTexts([](char16_t* out, uint32_t v) { FormatDuration(out, METRIC_TEXT_CAPACITY, v); }, cases,
                std::size(cases));
}

TEST(Format, MetricNames) {
    struct Case { int metric; const char16_t* name; };
    const Case cases[] = {{0, u"CPU"}, {1, u"Disk"}, {2, u"Net"}, {3, u"RAM"}, {4, u"Wait"}, {-1, u"Wait"}, {9, u"Wait"}};
    for (const Case& c : cases) {
        EXPECT_EQ(std::u16string(LimitRowName(c.metric)), std::u16string(c.name)) << c.metric;
    }
}

}  // namespace
