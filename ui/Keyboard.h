#pragma once
#include "ui/Keys.h"
#include "ui/Pointer.h"

#include <cstdint>

// The main window from the keyboard: which control has the focus, the order Tab moves in, the
// keys each control answers, and whether focus cues are shown. Handlers return what the window
// must do, like the pointer's, so the behaviour is testable without a window.

// The controls in Tab order. The five sliders follow the limit rows.
enum class FocusStop : int32_t { List = 0, Cpu, Disk, Net, Mem, Wait, CheckBox, Button, Refresh };
constexpr int32_t FOCUS_STOP_COUNT = 9;

constexpr int32_t SLIDER_KEY_STEP = 10;   // positions of 1000, for an arrow key
constexpr int32_t SLIDER_PAGE_STEP = 100;

struct KeyboardState {
    FocusStop focus;       // kept while the window is inactive, and given back when it returns
    bool cuesShown;        // after keyboard use, or always when the system asks for them
    bool sliderMoved;      // a slider moved by keys since they were last released
    bool spaceDown;        // Space went down on the check box or the button; it acts going up
    bool returnDown;       // Enter is held: its repeats press nothing more
};

// Everything the handlers read or change besides their own state.
struct KeyboardContext {
    KeyboardState* keyboard;
    PointerContext* pointer;  // the sliders and the limits, as a drag changes them
    bool listEnabled;         // not while watching
    bool buttonEnabled;       // while watching, or with an app selected
};

struct KeyEffects {
    bool handled;        // false: the window's default processing
    bool invalidate;
    bool focusChanged;   // give the focus to `focus`: the list window, or the main window
    bool showCues;       // the keyboard was used: cues from now on
    bool saveSettings;   // a slider's new limit, once its key is released
    bool logThresholds;
    int32_t sliderMoved; // the row whose limit changed, -1 for none
    HitTarget click;     // acts as a click on it
};

void InitKeyboard(KeyboardState* k, bool systemShowsCues);
bool FocusStopAvailable(const KeyboardContext* c, FocusStop stop);
// The next stop that can take the focus, after (or before) `from`; `from` when none can.
FocusStop NextFocusStop(const KeyboardContext* c, FocusStop from, bool backwards);
// The stop to focus when the window is activated: the last one, or the next that can be.
FocusStop FocusOnActivation(const KeyboardContext* c);

// Repeats are told by the keys' own state, not the message's flag: a key that went up while
// another window had the focus would otherwise still count as held.
KeyEffects KeyDown(KeyboardContext* c, uint32_t key, bool shift);
KeyEffects KeyUp(KeyboardContext* c, uint32_t key);
// The focus left the window, or a control was clicked: a slider moved by keys is saved now.
KeyEffects KeyboardFocusLost(KeyboardContext* c);
// A click puts the focus on what was clicked, without showing cues.
KeyEffects FocusByPointer(KeyboardContext* c, FocusStop stop);

// The slider of a focus stop, or -1; and the stop of a clickable target.
int32_t SliderOfStop(FocusStop stop);
FocusStop StopOfTarget(HitTarget target);

// Where the focus cue goes, in client pixels: a ring around the slider's thumb, the check box,
// the button or "Refresh". The list draws its own.
Rect FocusCueRect(const MainLayout* layout, const PointerState* pointer, FocusStop stop);
