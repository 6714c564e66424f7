#pragma once
#include "engine/Evaluator.h"
#include "engine/Limits.h"
#include "engine/WatchStatus.h"

#include <cstdint>

// The changing texts of the main window: the status line, the limit rows' detail lines and
// the footer.

constexpr int32_t STATUS_WORK_CAPACITY = 192;
constexpr int32_t STATUS_CAPACITY = 224;
constexpr int32_t ROW_TEXT_CAPACITY = 80;
constexpr int32_t NOW_CAPACITY = 40;
constexpr int32_t FOOTER_CAPACITY = 128;

constexpr char16_t SECTION_ONE_TITLE[] = u"1  \u2022  Which app are you waiting on?";
constexpr char16_t SECTION_ONE_SUBTITLE[] = u"Windows will stay awake while that app is working.";
constexpr char16_t SECTION_TWO_TITLE[] = u"2  \u2022  What counts as working?";
constexpr char16_t SECTION_TWO_SUBTITLE[] = u"Each row is a limit. Cross any one and it stays awake.";

struct MainTextInputs {
    const WatchStatus* status;
    const ActivityEvaluator* evaluator;
    const LimitTable* limits;
    int32_t lockAccepted;
    int32_t appCount;
    int32_t rulesArmed = 0;    // standing rules; 0: the footer is as it always was
    int32_t ruleWatches = 0;   // watches they started that run now
};

// Numbers exist once a rate has been evaluated since the tree was attached.
int32_t HasLiveNumbers(const MainTextInputs* in);
void BuildStatusLine(char16_t* out, int32_t capacity, const MainTextInputs* in);
// A metric row's detail line; *busy says whether it is drawn in the busy colour.
void FormatMetricDetail(char16_t* out, const MainTextInputs* in, Metric metric, bool* busy);
// The wait row's detail line; *grace says whether it is drawn in the grace colour.
void FormatWaitDetail(char16_t* out, const MainTextInputs* in, bool* grace);
void FormatFooter(char16_t* out, const MainTextInputs* in);
// The button takes clicks and keys while watching (to release) or once an app is chosen.
bool ButtonEnabled(const WatchStatus* status, int32_t selectedIndex);
