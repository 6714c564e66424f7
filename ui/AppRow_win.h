#pragma once
#include "ui/AppList.h"
#include "ui/AppListView.h"
#include "ui/DrawKit_win.h"

// What DrawAppRow needs besides its row: the apps, the list (for its enabled flag) and the kit.
struct AppRowContext {
    const AppList* apps;
    const AppListView* view;
    DrawKit* kit;
};

// The list's row painter: the title line and the "name  ·  PID n" detail line.
void DrawAppRow(void* dc, uint32_t index, const Rect* row, int32_t selected, int32_t hot, void* context);
