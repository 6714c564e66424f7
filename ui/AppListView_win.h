#pragma once
#include "ui/AppListView.h"

#include <windows.h>

constexpr wchar_t APP_LIST_CLASS[] = L"PellacordListView";

ATOM RegisterAppListClass(HINSTANCE instance);
// view: zero-filled by the owner, with palette, drawItem, rowHeight and dpi set.
HWND CreateAppListView(HWND parent, int32_t controlId, AppListView* view);
void SetAppListCount(HWND list, int32_t count);
// Selects a row as a click would, telling the parent; for readers that select.
void SelectAppListRow(HWND list, int32_t row);
void EnableAppList(HWND list, bool enable);
AppListView* AppListViewOf(HWND list);
