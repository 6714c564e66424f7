// The main window and its list as screen readers see them: the accessible objects' answers,
// taken from the program's records, and their default actions.
#include "shell/Program_win.h"

#include "ui/AppListView_win.h"
#include "base/Text.h"

#include <oleacc.h>

namespace {

Program* P(void* context) {
    return static_cast<Program*>(context);
}

AccInputs MainInputs(Program* p) {
    KeyboardContext k = KeyboardOf(p);
    return AccInputs{MainTextInputs{&p->watch.status, &p->watch.evaluator, &p->limits,
                                    PowerRequestAccepted(&p->watch.power) ? 1 : 0, p->apps.count,
                                    p->rules.ruleCount, RuleWatchesRunning(&p->controller)},
                     &p->layout,
                     &p->pointer,
                     &p->keyboard,
                     GetFocus() == p->mainWindow,
                     p->keepDisplayOn,
                     k.buttonEnabled};
}

AccListInputs ListInputs(Program* p) {
    RECT r;
    GetClientRect(p->listWindow, &r);
    return AccListInputs{&p->apps, &p->listView, ListClient{r.right - r.left, r.bottom - r.top},
                         GetFocus() == p->listWindow};
}

// Readers wait for a default action's call to return: the action runs once it has.
void PostAction(Program* p, int32_t child) {
    PostMessageW(p->mainWindow, WM_ACCESSIBLE_ACTION, static_cast<WPARAM>(child), 0);
}

const AccessibleSource MAIN_SOURCE_CALLS = {
    .context = nullptr,
    .window = nullptr,
    .childCount = [](void*) { return ACC_CHILD_COUNT; },
    .describe = [](void* c, int32_t child, AccElement* out) {
        AccInputs in = MainInputs(P(c));
        return DescribeMainChild(&in, child, out);
    },
    .childAt = [](void* c, int32_t x, int32_t y) {
        AccInputs in = MainInputs(P(c));
        return MainChildAt(&in, x, y);
    },
    .focusedChild = [](void* c) {
        Program* p = P(c);
        HWND focus = GetFocus();
        return focus == p->listWindow ? ACC_LIST : focus == p->mainWindow ? AccChildOfStop(p->keyboard.focus) : -1;
    },
    .selectedChild = [](void*) { return -1; },
    .childObject = [](void* c, int32_t child) { return child == ACC_LIST ? AccessibleDispatch(P(c)->listAccessible) : nullptr; },
    .parentObject = [](void*) -> IDispatch* { return nullptr; },
    .doDefaultAction = [](void* c, int32_t child) {
        Program* p = P(c);
        AccElement e;
        AccInputs in = MainInputs(p);
        if (!DescribeMainChild(&in, child, &e) || !e.defaultAction) {
            return false;
        }
        PostAction(p, child);
        return true;
    },
    .select = [](void* c, int32_t child, long flags) {
        FocusStop stop;
        if (!(flags & SELFLAG_TAKEFOCUS) || !StopOfAccChild(child, &stop)) {
            return false;
        }
        FocusControl(P(c), stop);
        return true;
    },
};

const AccessibleSource LIST_SOURCE_CALLS = {
    .context = nullptr,
    .window = nullptr,
    .childCount = [](void* c) { return P(c)->apps.count; },
    .describe = [](void* c, int32_t child, AccElement* out) {
        AccListInputs in = ListInputs(P(c));
        return DescribeListChild(&in, child, out);
    },
    .childAt = [](void* c, int32_t x, int32_t y) {
        AccListInputs in = ListInputs(P(c));
        return ListChildAt(&in, x, y);
    },
    .focusedChild = [](void* c) {
        Program* p = P(c);
        int32_t row = p->listView.selectedIndex;
        return GetFocus() != p->listWindow ? -1 : row >= 0 ? row + 1 : CHILDID_SELF;
    },
    .selectedChild = [](void* c) {
        int32_t row = P(c)->listView.selectedIndex;
        return row >= 0 ? row + 1 : -1;
    },
    .childObject = [](void*, int32_t) -> IDispatch* { return nullptr; },
    .parentObject = [](void* c) { return AccessibleDispatch(P(c)->mainAccessible); },
    .doDefaultAction = [](void* c, int32_t child) {
        Program* p = P(c);
        if (child < 1 || !p->listView.enabled) {
            return false;
        }
        PostAction(p, -child);  // rows go as negative numbers
        return true;
    },
    .select = [](void* c, int32_t child, long flags) {
        Program* p = P(c);
        if (child < 1 || !p->listView.enabled || !(flags & (SELFLAG_TAKESELECTION | SELFLAG_TAKEFOCUS))) {
            return false;
        }
        SelectAppListRow(p->listWindow, child - 1);
        if (flags & SELFLAG_TAKEFOCUS) {
            FocusControl(p, FocusStop::List);
        }
        return true;
    },
};

}  // namespace

void InitAccessibility(Program* p) {
    p->mainAccess = MAIN_SOURCE_CALLS;
    p->mainAccess.context = p;
    p->mainAccess.window = p->mainWindow;
    p->listAccess = LIST_SOURCE_CALLS;
    p->listAccess.context = p;
    p->listAccess.window = p->listWindow;
    p->mainAccessible = MakeAccessibleObject(&p->accessHost, &p->mainAccess);
    p->listAccessible = MakeAccessibleObject(&p->accessHost, &p->listAccess);
    p->listView.accessible = p->listAccessible;
    CopyWide(p->spokenButtonName, ButtonAccName(&p->watch.status), 16);
}

void OnAccessibleAction(Program* p, int32_t child) {
    if (child < 0) {
        // A row's default action is the double-click's: select it and watch it.
        SelectAppListRow(p->listWindow, -child - 1);
        StartWatching(&p->controller);
        return;
    }
    const HitTarget targets[] = {TARGET_CHECKBOX, TARGET_BUTTON, TARGET_REFRESH};
    const int32_t children[] = {ACC_CHECKBOX, ACC_BUTTON, ACC_REFRESH};
    for (int32_t i = 0; i < 3; i++) {
        if (child == children[i]) {
            ClickTarget(p, targets[i]);
        }
    }
}

void NotifyShownChanges(Program* p) {
    const char16_t* name = ButtonAccName(&p->watch.status);
    if (!WideEqual(name, p->spokenButtonName)) {
        CopyWide(p->spokenButtonName, name, 16);
        NotifyAccessible(p->mainWindow, EVENT_OBJECT_NAMECHANGE, ACC_BUTTON);
    }
}
