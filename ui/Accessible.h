#pragma once
#include "ui/AppList.h"
#include "ui/AppListView.h"
#include "ui/Keyboard.h"
#include "ui/MainText.h"

#include <cstdint>

// What a screen reader is told about the window: the main window's controls as accessible
// children in Tab order, then its changing texts; the list's rows as the list's children. Roles
// and states are Active Accessibility's; the Win32 layer serves them as IAccessible objects.

constexpr uint32_t ACC_ROLE_CLIENT = 0x0A;
constexpr uint32_t ACC_ROLE_LINK = 0x1E;
constexpr uint32_t ACC_ROLE_LIST = 0x21;
constexpr uint32_t ACC_ROLE_LIST_ITEM = 0x22;
constexpr uint32_t ACC_ROLE_STATIC_TEXT = 0x29;
constexpr uint32_t ACC_ROLE_PUSH_BUTTON = 0x2B;
constexpr uint32_t ACC_ROLE_CHECK_BUTTON = 0x2C;
constexpr uint32_t ACC_ROLE_SLIDER = 0x33;

constexpr uint32_t ACC_STATE_UNAVAILABLE = 0x1;
constexpr uint32_t ACC_STATE_SELECTED = 0x2;
constexpr uint32_t ACC_STATE_FOCUSED = 0x4;
constexpr uint32_t ACC_STATE_CHECKED = 0x10;
constexpr uint32_t ACC_STATE_READONLY = 0x40;
constexpr uint32_t ACC_STATE_INVISIBLE = 0x8000;
constexpr uint32_t ACC_STATE_OFFSCREEN = 0x10000;
constexpr uint32_t ACC_STATE_FOCUSABLE = 0x100000;
constexpr uint32_t ACC_STATE_SELECTABLE = 0x200000;

// The main window's children by child id; 0 is the window's client area itself.
constexpr int32_t ACC_SELF = 0;
constexpr int32_t ACC_LIST = 1;
constexpr int32_t ACC_FIRST_SLIDER = 2;  // to 6: cpu, disk, net, RAM, wait
constexpr int32_t ACC_CHECKBOX = 7;
constexpr int32_t ACC_BUTTON = 8;
constexpr int32_t ACC_REFRESH = 9;
constexpr int32_t ACC_HEADING = 10;
constexpr int32_t ACC_STATUS = 11;
constexpr int32_t ACC_FOOTER = 12;
constexpr int32_t ACC_CHILD_COUNT = 12;

constexpr int32_t ACC_TEXT_CAPACITY = 256;

struct AccElement {
    uint32_t role;
    uint32_t state;
    Rect rect;  // client pixels of the window that holds it
    char16_t name[ACC_TEXT_CAPACITY];
    char16_t value[ACC_TEXT_CAPACITY];        // empty: it has none
    char16_t description[ACC_TEXT_CAPACITY];  // empty: none
    const char16_t* defaultAction;            // null: none
};

struct AccInputs {
    MainTextInputs text;
    const MainLayout* layout;
    const PointerState* pointer;
    const KeyboardState* keyboard;
    bool hasFocus;  // the window has the keyboard focus
    bool keepDisplayOn;
    bool buttonEnabled;
};

// False for a child id out of range.
bool DescribeMainChild(const AccInputs* in, int32_t child, AccElement* out);
// The child under a client point, ACC_SELF when none is.
int32_t MainChildAt(const AccInputs* in, int32_t x, int32_t y);
int32_t AccChildOfStop(FocusStop stop);
// The focus stop of a child, false for the texts.
bool StopOfAccChild(int32_t child, FocusStop* stop);
// The button's name: "Don't sleep", or "Release" while watching.
const char16_t* ButtonAccName(const WatchStatus* status);

struct AccListInputs {
    const AppList* apps;
    const AppListView* view;
    ListClient client;
    bool hasFocus;
};

// Child 0 is the list itself, rows are children 1 to count.
bool DescribeListChild(const AccListInputs* in, int32_t child, AccElement* out);
int32_t ListChildAt(const AccListInputs* in, int32_t x, int32_t y);
