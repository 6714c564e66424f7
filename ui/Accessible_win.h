#pragma once
#include "ui/Accessible.h"

#include <windows.h>
#include <ole2.h>

// The window's controls for screen readers: a hand-written IAccessible object per window
// (the main window's client area, the list), answering from the portable descriptions. Windows
// bridges Active Accessibility to UI Automation, so Narrator and NVDA read them. oleacc,
// oleaut32 and ole32 are loaded when a reader first asks, never imported.

struct AccessibleSource {
    void* context;
    HWND window;
    int32_t (*childCount)(void* context);
    bool (*describe)(void* context, int32_t child, AccElement* out);  // child 0: the object itself
    int32_t (*childAt)(void* context, int32_t x, int32_t y);          // client point; 0 for none
    int32_t (*focusedChild)(void* context);                            // -1: the focus is elsewhere
    int32_t (*selectedChild)(void* context);                           // -1: none
    IDispatch* (*childObject)(void* context, int32_t child);          // AddRef'd; null for a simple child
    IDispatch* (*parentObject)(void* context);                         // AddRef'd, or null
    bool (*doDefaultAction)(void* context, int32_t child);
    bool (*select)(void* context, int32_t child, long flags);
};

// The COM pieces, loaded on the first request of a screen reader.
struct OleCalls {
    bool tried;
    bool ready;
    LRESULT(WINAPI* lresultFromObject)(REFIID, WPARAM, LPUNKNOWN);
    HRESULT(WINAPI* createStdAccessibleObject)(HWND, LONG, REFIID, void**);
    BSTR(WINAPI* sysAllocString)(const OLECHAR*);
};

// What the program's accessible objects share, held by the program for its life.
struct AccessibleHost {
    OleCalls ole;
    AccElement scratch;  // a description being read; only ever used on the window's thread
};

class AccessibleObject;

// The object of one window: the window holds it until DisconnectAccessible, and readers for as
// long as they keep it. `host` and `source` must live as long as the program; null when no
// memory is left.
AccessibleObject* MakeAccessibleObject(AccessibleHost* host, const AccessibleSource* source);
// WM_GETOBJECT: the object for OBJID_CLIENT, and false for anything else (the caller gives it
// to DefWindowProc).
bool AnswerGetObject(AccessibleObject* object, WPARAM wParam, LPARAM lParam, LRESULT* result);
// The object as a child of another, AddRef'd.
IDispatch* AccessibleDispatch(AccessibleObject* object);
// The window is gone: readers holding the object get "disconnected" from now on, and the
// window's hold on it ends.
void DisconnectAccessible(AccessibleObject* object);
// Tells readers of a change: EVENT_OBJECT_FOCUS, _SELECTION, _VALUECHANGE, _STATECHANGE, _NAMECHANGE.
void NotifyAccessible(HWND window, DWORD event, int32_t child);
