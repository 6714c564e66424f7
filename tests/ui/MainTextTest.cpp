#include "ui/MainText.h"

#include "files/Log.h"
#include "base/Text.h"
#include "base/Utf8.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string Utf8(const char16_t* s) {
    char out[512];
    int32_t n = Utf16ToUtf8(s, out, sizeof(out));
    return std::string(out, static_cast<size_t>(n - 1));
}

struct TextFixture : ::testing::Test {
    WatchStatus status = MakeWatchStatus();
    std::unique_ptr<ActivityEvaluator> e = std::make_unique<ActivityEvaluator>();
    LimitTable limits;
    MainTextInputs in;
    void SetUp() override {
        SetDefaultLimits(&limits);
        ResetEvaluator(e.get(), &limits);
        in = MainTextInputs{&status, e.get(), &limits, 1, 7};
    }
    std::string Status() {
        char16_t out[STATUS_CAPACITY];
        BuildStatusLine(out, STATUS_CAPACITY, &in);
        return Utf8(out);
    }
    void Live() {
        status.sampling = 1;
        e->meters[Index(METRIC_CPU)].recentCount = 1;
    }
};

TEST_F(TextFixture, StatusLines) {
    status.currentState = STATE_BUSY;
    EXPECT_EQ(Status(), "holding \xC2\xB7 measuring...");
    e->overMetric = Index(METRIC_CPU);
    e->meters[Index(METRIC_CPU)].average = 155;
    EXPECT_EQ(Status(), "working \xC2\xB7 CPU 15.5%");
    status.currentState = STATE_GRACE;
    e->quietMs = 42500;
    EXPECT_EQ(Status(), "quiet 42s of 600s \xC2\xB7 still holding");
    status.currentState = STATE_IDLE;
    in.lockAccepted = 0;
    EXPECT_EQ(Status(), "released \xC2\xB7 waiting for work  (Windows refused the lock)");
    // Let go for the battery, whatever the app does; a preview knows no battery floor.
    in.lockAccepted = 1;
    status.currentState = STATE_BUSY;
    status.batterySaving = true;
    status.batteryPercent = 19;
    status.watchMode = WATCH_ON;
    EXPECT_EQ(Status(), "released to save the battery \xC2\xB7 19% left");
    status.watchMode = WATCH_OFF;
    EXPECT_EQ(Status(), "working \xC2\xB7 CPU 15.5%");
    e->overMetric = GPU_MEASURE;
    e->gpu.average = 905;
    EXPECT_EQ(Status(), "working \xC2\xB7 GPU 90%");
}

TEST_F(TextFixture, MetricDetails) {
    struct Case { Metric metric; uint32_t average; uint64_t workingSet; int32_t connections; std::string text; };
    const Case cases[] = {
        {METRIC_MEM, 10, 0, 0, "now 10/s"},
        {METRIC_MEM, 10, 524288000, 0, "now 10/s  \xC2\xB7  500 MB in use"},
        {METRIC_MEM, 10, 1073741823, 0, "now 10/s  \xC2\xB7  1023 MB in use"},
        {METRIC_MEM, 10, 1073741824, 0, "now 10/s  \xC2\xB7  1.0 GB in use"},
        {METRIC_MEM, 10, 1610612736, 0, "now 10/s  \xC2\xB7  1.5 GB in use"},
        {METRIC_NET, 1229, 0, 1, "now 1.2 KB/s  \xC2\xB7  1 connection"},
        {METRIC_NET, 1229, 0, 0, "now 1.2 KB/s  \xC2\xB7  0 connections"},
        {METRIC_CPU, 2350, 0, 0, "now 235.0%"},
    };
    Live();
    for (const Case& c : cases) {
        e->meters[Index(c.metric)].average = c.average;
        e->workingSet = c.workingSet;
        e->connections = c.connections;
        char16_t out[ROW_TEXT_CAPACITY];
        bool busy = true;
        FormatMetricDetail(out, &in, c.metric, &busy);
        EXPECT_EQ(Utf8(out), c.text);
        EXPECT_FALSE(busy);
    }
    e->meters[Index(METRIC_CPU)].over = 1;
    char16_t out[ROW_TEXT_CAPACITY];
    bool busy = false;
    FormatMetricDetail(out, &in, METRIC_CPU, &busy);
    EXPECT_TRUE(busy);

    // Where Windows keeps GPU statistics of the tree, the cpu row shows its GPU use too.
    e->gpuKnown = true;
    e->gpu.average = 875;
    e->meters[Index(METRIC_CPU)].average = 31;
    FormatMetricDetail(out, &in, METRIC_CPU, &busy);
    EXPECT_EQ(Utf8(out), "now 3.1% \xC2\xB7 GPU 87%");
    FormatMetricDetail(out, &in, METRIC_DISK, &busy);
    EXPECT_EQ(Utf8(out).find("GPU"), std::string::npos);
    e->gpuKnown = false;

    e->meters[Index(METRIC_CPU)].recentCount = 0;
    FormatMetricDetail(out, &in, METRIC_DISK, &busy);
    EXPECT_EQ(Utf8(out), "measuring\xE2\x80\xA6");
    status.sampling = 0;
    FormatMetricDetail(out, &in, METRIC_DISK, &busy);
    EXPECT_EQ(Utf8(out), "pick an app to see its numbers");
}

TEST_F(TextFixture, WaitDetailsAndFooter) {
    char16_t out[FOOTER_CAPACITY];
    bool grace = true;
    FormatWaitDetail(out, &in, &grace);
    EXPECT_EQ(Utf8(out), "how long it must stay quiet before letting go");
    Live();
    FormatWaitDetail(out, &in, &grace);
    EXPECT_EQ(Utf8(out), "quiet right now \xC2\xB7 nothing is over its limit");
    e->overMetric = 0;
    FormatWaitDetail(out, &in, &grace);
    EXPECT_EQ(Utf8(out), "working right now \xC2\xB7 this would hold the lock");
    status.watchMode = WATCH_ON;
    status.currentState = STATE_GRACE;
    e->quietMs = 90000;
    FormatWaitDetail(out, &in, &grace);
    EXPECT_EQ(Utf8(out), "quiet for 1m 30s of 10m");
    EXPECT_TRUE(grace);
    status.currentState = STATE_IDLE;
    FormatWaitDetail(out, &in, &grace);
    EXPECT_EQ(Utf8(out), "quiet for 1m 30s of 10m");
    EXPECT_FALSE(grace);

    status.watchedApp.pid = 4242;
    FormatFooter(out, &in);
    EXPECT_EQ(Utf8(out), "watching PID 4242 and everything it spawns");
    status.watchMode = WATCH_OFF;
    FormatFooter(out, &in);
    EXPECT_EQ(Utf8(out), "7 open apps");
    CopyWide(status.notice, u"released from the tray", NOTICE_CAPACITY);
    FormatFooter(out, &in);
    EXPECT_EQ(Utf8(out), "released from the tray");

    // Standing rules add their count, and the watches they run, unless a notice is shown.
    struct Rules {
        int32_t armed, watching;
        bool notice;
        const char* footer;
    } rows[] = {
        {1, 0, false, "7 open apps \xC2\xB7 1 rule armed"},
        {2, 1, false, "7 open apps \xC2\xB7 2 rules armed \xC2\xB7 1 watching"},
        {0, 0, false, "7 open apps"},
        {2, 1, true, "released from the tray"},
    };
    for (const Rules& r : rows) {
        in.rulesArmed = r.armed;
        in.ruleWatches = r.watching;
        status.notice[0] = r.notice ? u'r' : u'\0';
        if (r.notice) {
            CopyWide(status.notice, u"released from the tray", NOTICE_CAPACITY);
        }
        FormatFooter(out, &in);
        EXPECT_EQ(Utf8(out), r.footer);
    }
}

TEST_F(TextFixture, WaitingForAnAppToStart) {
    status.watchMode = WATCH_ON;
    status.currentState = STATE_IDLE;
    CopyWide(status.waitingFor, u"render.exe", APP_IMAGE_CAPACITY);
    EXPECT_EQ(Status(), "waiting for render.exe to start");
    char16_t out[FOOTER_CAPACITY];
    bool flag = true;
    FormatMetricDetail(out, &in, METRIC_CPU, &flag);
    EXPECT_EQ(Utf8(out), "waiting for the app to start");
    FormatWaitDetail(out, &in, &flag);
    EXPECT_EQ(Utf8(out), "how long it must stay quiet before letting go");
    EXPECT_FALSE(flag);
    FormatFooter(out, &in);
    EXPECT_EQ(Utf8(out), "once it starts, it is watched with everything it spawns");
}

}  // namespace
