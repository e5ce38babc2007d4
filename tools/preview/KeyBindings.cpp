// The preview's key table.
#include "KeyBindings.h"

namespace {

using platform::Key;
using Mod = KeyBinding::Modifier;

const KeyBinding table[] = {
    {Key::Escape, Mod::Any, Mod::Any, Action::Quit, "Escape"},
    {Key::Q, Mod::No, Mod::Any, Action::Quit, "Q"},
    {Key::F2, Mod::Any, Mod::Any, Action::TogglePanel, "F2"},
    {Key::H, Mod::No, Mod::Any, Action::ToggleHud, "H"},
    {Key::W, Mod::No, Mod::Any, Action::ToggleMusicLanes, "W"},
    {Key::Space, Mod::No, Mod::Any, Action::PlayPause, "Space"},
    {Key::Left, Mod::Yes, Mod::Any, Action::PreviousMarker, "Ctrl+Left"},
    {Key::Right, Mod::Yes, Mod::Any, Action::NextMarker, "Ctrl+Right"},
    {Key::Left, Mod::No, Mod::No, Action::BeatBack, "Left"},
    {Key::Right, Mod::No, Mod::No, Action::BeatOn, "Right"},
    {Key::Left, Mod::No, Mod::Yes, Action::BarBack, "Shift+Left"},
    {Key::Right, Mod::No, Mod::Yes, Action::BarOn, "Shift+Right"},
    {Key::PageUp, Mod::Any, Mod::Any, Action::PhraseBack, "Page Up"},
    {Key::PageDown, Mod::Any, Mod::Any, Action::PhraseOn, "Page Down"},
    {Key::Home, Mod::Any, Mod::Any, Action::ToStart, "Home"},
    {Key::Comma, Mod::No, Mod::Any, Action::FrameBack, ","},
    {Key::Period, Mod::No, Mod::Any, Action::FrameOn, "."},
    {Key::L, Mod::No, Mod::Any, Action::MarkLoop, "L"},
    {Key::F12, Mod::Any, Mod::Any, Action::SaveStill, "F12"},
    {Key::LeftBracket, Mod::No, Mod::Any, Action::Slower, "["},
    {Key::RightBracket, Mod::No, Mod::Any, Action::Faster, "]"},
    {Key::M, Mod::No, Mod::Any, Action::AddMarker, "M"},
    {Key::G, Mod::No, Mod::Any, Action::CycleSnap, "G"},
    {Key::Z, Mod::Yes, Mod::No, Action::Undo, "Ctrl+Z"},
    {Key::Z, Mod::Yes, Mod::Yes, Action::Redo, "Ctrl+Shift+Z"},
    {Key::Y, Mod::Yes, Mod::Any, Action::Redo, "Ctrl+Y"},
    {Key::S, Mod::Yes, Mod::Any, Action::Save, "Ctrl+S"},
    {Key::C, Mod::Yes, Mod::Any, Action::Copy, "Ctrl+C"},
    {Key::V, Mod::Yes, Mod::Any, Action::Paste, "Ctrl+V"},
    {Key::Delete, Mod::No, Mod::Any, Action::DeleteKeys, "Delete"},
    {Key::Digit1, Mod::No, Mod::Any, Action::Hold, "1"},
    {Key::Digit2, Mod::No, Mod::Any, Action::Linear, "2"},
    {Key::Digit3, Mod::No, Mod::Any, Action::Smooth, "3"},
    {Key::Digit4, Mod::No, Mod::Any, Action::EaseIn, "4"},
};

bool matches(Mod wanted, bool held) {
    return wanted == Mod::Any || (wanted == Mod::Yes) == held;
}

} // namespace

Action actionFor(const platform::ToolEvent& event) {
    for (const KeyBinding& binding : table)
        if (binding.key == event.key && matches(binding.control, event.control) &&
            matches(binding.shift, event.shift))
            return binding.action;
    return Action::None;
}

const KeyBinding* keyBindings(int& count) {
    count = int(sizeof table / sizeof table[0]);
    return table;
}
