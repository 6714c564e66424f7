#include "ui/Accessible.h"

#include "ui/AppRow.h"
#include "ui/Format.h"
#include "base/Text.h"

namespace {

void Clear(AccElement* e) {
    *e = AccElement{};
}

uint32_t FocusState(const AccInputs* in, FocusStop stop) {
    return ACC_STATE_FOCUSABLE | ((in->hasFocus && in->keyboard->focus == stop) ? ACC_STATE_FOCUSED : 0);
}

bool Watching(const AccInputs* in) {
    return in->text.status->watchMode == WATCH_ON;
}

void DescribeSlider(const AccInputs* in, int32_t row, AccElement* e) {
    e->role = ACC_ROLE_SLIDER;
    e->state = FocusState(in, static_cast<FocusStop>(static_cast<int32_t>(FocusStop::Cpu) + row));
    e->rect = LimitTrackRect(in->layout, row);
    CopyWide(e->name, LimitRowName(row), ACC_TEXT_CAPACITY);
    uint32_t value = in->text.limits->rows[row].value;
    bool flag = false;
    if (row == WAIT_ROW) {
        FormatDuration(e->value, ACC_TEXT_CAPACITY, value);
        FormatWaitDetail(e->description, &in->text, &flag);
    } else {
        FormatMetricValue(e->value, ACC_TEXT_CAPACITY, static_cast<Metric>(row), value);
        FormatMetricDetail(e->description, &in->text, static_cast<Metric>(row), &flag);
    }
}

}  // namespace

const char16_t* ButtonAccName(const WatchStatus* status) {
    return status->watchMode == WATCH_ON ? u"Release" : u"Don't sleep";
}

int32_t AccChildOfStop(FocusStop stop) {
    switch (stop) {
    case FocusStop::List: return ACC_LIST;
    case FocusStop::CheckBox: return ACC_CHECKBOX;
    case FocusStop::Button: return ACC_BUTTON;
    case FocusStop::Refresh: return ACC_REFRESH;
    default: break;
    }
    return ACC_FIRST_SLIDER + SliderOfStop(stop);
}

bool StopOfAccChild(int32_t child, FocusStop* stop) {
    if (child < ACC_LIST || child > ACC_REFRESH) {
        return false;
    }
    *stop = static_cast<FocusStop>(child - ACC_LIST);  // the children follow the Tab order
    return true;
}

bool DescribeMainChild(const AccInputs* in, int32_t child, AccElement* e) {
    Clear(e);
    const MainLayout* l = in->layout;
    const WatchStatus* s = in->text.status;
    const int32_t top = Scale(14, l->dpi);
    if (child >= ACC_FIRST_SLIDER && child < ACC_FIRST_SLIDER + LIMIT_ROW_COUNT) {
        DescribeSlider(in, child - ACC_FIRST_SLIDER, e);
        return true;
    }
    switch (child) {
    case ACC_SELF:
        e->role = ACC_ROLE_CLIENT;
        e->rect = Rect{0, 0, Scale(CLIENT_WIDTH, l->dpi), l->clientHeight};
        CopyWide(e->name, u"Pellacord", ACC_TEXT_CAPACITY);
        e->state = ACC_STATE_FOCUSABLE | (in->hasFocus ? ACC_STATE_FOCUSED : 0);
        return true;
    case ACC_LIST:
        e->role = ACC_ROLE_LIST;
        e->rect = ListWindowRect(l);
        CopyWide(e->name, u"Open apps", ACC_TEXT_CAPACITY);
        e->state = Watching(in) ? ACC_STATE_UNAVAILABLE : FocusState(in, FocusStop::List);
        return true;
    case ACC_CHECKBOX:
        e->role = ACC_ROLE_CHECK_BUTTON;
        e->rect = CheckBoxRect(l);
        CopyWide(e->name, u"Keep the screen on too", ACC_TEXT_CAPACITY);
        e->state = FocusState(in, FocusStop::CheckBox) | (in->keepDisplayOn ? ACC_STATE_CHECKED : 0);
        e->defaultAction = in->keepDisplayOn ? u"Uncheck" : u"Check";
        return true;
    case ACC_BUTTON:
        e->role = ACC_ROLE_PUSH_BUTTON;
        e->rect = ButtonRect(l);
        CopyWide(e->name, ButtonAccName(s), ACC_TEXT_CAPACITY);
        e->state = in->buttonEnabled ? FocusState(in, FocusStop::Button) : ACC_STATE_UNAVAILABLE;
        e->defaultAction = in->buttonEnabled ? u"Press" : nullptr;
        return true;
    case ACC_REFRESH:
        e->role = ACC_ROLE_LINK;
        e->rect = RefreshRect(l);
        CopyWide(e->name, u"Refresh", ACC_TEXT_CAPACITY);
        e->state = Watching(in) ? ACC_STATE_INVISIBLE | ACC_STATE_UNAVAILABLE : FocusState(in, FocusStop::Refresh);
        e->defaultAction = Watching(in) ? nullptr : u"Jump";
        return true;
    case ACC_HEADING:
        e->role = ACC_ROLE_STATIC_TEXT;
        e->state = ACC_STATE_READONLY;
        if (Watching(in)) {
            e->rect = WatchedTitleRect(l);
            CopyWide(e->name, DisplayTitle(s->watchedApp.title, s->watchedApp.imageName), ACC_TEXT_CAPACITY);
        } else {
            e->rect = SectionTitleRect(l, top);
            CopyWide(e->name, SECTION_ONE_TITLE, ACC_TEXT_CAPACITY);
        }
        return true;
    case ACC_STATUS:
        e->role = ACC_ROLE_STATIC_TEXT;
        e->state = ACC_STATE_READONLY;
        if (Watching(in)) {
            e->rect = StatusLineRect(l);
            BuildStatusLine(e->name, ACC_TEXT_CAPACITY, &in->text);
        } else {
            e->rect = SectionSubtitleRect(l, top);
            CopyWide(e->name, SECTION_ONE_SUBTITLE, ACC_TEXT_CAPACITY);
        }
        return true;
    case ACC_FOOTER:
        e->role = ACC_ROLE_STATIC_TEXT;
        e->state = ACC_STATE_READONLY;
        e->rect = FooterTextRect(l);
        FormatFooter(e->name, &in->text);
        return true;
    default: break;
    }
    return false;
}

int32_t MainChildAt(const AccInputs* in, int32_t x, int32_t y) {
    AccElement e;
    for (int32_t child = ACC_LIST; child <= ACC_CHILD_COUNT; child++) {
        if (DescribeMainChild(in, child, &e) && !(e.state & ACC_STATE_INVISIBLE) && PointInRect(&e.rect, x, y)) {
            return child;
        }
    }
    return ACC_SELF;
}

bool DescribeListChild(const AccListInputs* in, int32_t child, AccElement* e) {
    Clear(e);
    const AppListView* v = in->view;
    if (child == ACC_SELF) {
        e->role = ACC_ROLE_LIST;
        e->rect = Rect{0, 0, in->client.width, in->client.height};
        CopyWide(e->name, u"Open apps", ACC_TEXT_CAPACITY);
        e->state = v->enabled ? ACC_STATE_FOCUSABLE | (in->hasFocus ? ACC_STATE_FOCUSED : 0) : ACC_STATE_UNAVAILABLE;
        return true;
    }
    const int32_t row = child - 1;
    if (row < 0 || row >= in->apps->count || row >= v->itemCount) {
        return false;
    }
    const AppEntry* entry = &in->apps->entries[row];
    e->role = ACC_ROLE_LIST_ITEM;
    e->rect = ListRowRect(v, row, in->client);
    CopyWide(e->name, AppDisplayTitle(entry), ACC_TEXT_CAPACITY);
    FormatAppDetail(e->description, entry);
    if (!v->enabled) {
        e->state = ACC_STATE_UNAVAILABLE;
    } else {
        e->state = ACC_STATE_SELECTABLE | ACC_STATE_FOCUSABLE;
        if (row == v->selectedIndex) {
            e->state |= ACC_STATE_SELECTED | (in->hasFocus ? ACC_STATE_FOCUSED : 0);
        }
        e->defaultAction = u"Double Click";
    }
    if (e->rect.bottom <= 0 || e->rect.top >= in->client.height) {
        e->state |= ACC_STATE_OFFSCREEN;
    }
    return true;
}

int32_t ListChildAt(const AccListInputs* in, int32_t x, int32_t y) {
    int32_t row = ListHitTest(in->view, x, y, in->client);
    return row >= 0 && row < in->apps->count ? row + 1 : ACC_SELF;
}
