// What each key does in the preview: one table from keys (with Ctrl, Shift) to actions, read by
// the transport, the panel and the help text alike.
#pragma once

#include "platform/ToolWindow.h"

enum class Action {
    None,
    Quit,
    TogglePanel,
    ToggleHud,
    ToggleMusicLanes,
    PlayPause,
    BeatBack,
    BeatOn,
    BarBack,
    BarOn,
    PhraseBack,
    PhraseOn,
    ToStart,
    FrameBack,
    FrameOn,
    MarkLoop,
    SaveStill,
    Slower,
    Faster,
    AddMarker,
    PreviousMarker,
    NextMarker,
    CycleSnap,
    // The track panel's, acted on while it is open.
    Undo,
    Redo,
    Save,
    Copy,
    Paste,
    DeleteKeys,
    Hold,
    Linear,
    Smooth,
    EaseIn,
};

struct KeyBinding {
    enum class Modifier { No, Yes, Any };
    platform::Key key;
    Modifier control;
    Modifier shift;
    Action action;
    const char* label; // for the help line: "Ctrl+Z"
};

// The first binding of the table the key and its modifiers match; Action::None when none does.
Action actionFor(const platform::ToolEvent& event);
// The whole table, in the order it is matched.
const KeyBinding* keyBindings(int& count);
