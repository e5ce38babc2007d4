// The setup dialog shown before the show starts: resolution, full-screen and the fixed second box.
#pragma once

namespace platform {

struct SetupChoices {
    int resolution;  // row of the resolution list
    bool fullscreen; // "Longboard"
    bool mustache;   // "Mustache": shown, never changeable
};

// Runs the dialog modally with the given list rows, showing `choices`. On OK (or Enter) the
// controls' state is stored into `choices` and true is returned; Escape, the cancel button or
// closing it return false and leave `choices` alone. Throws Kem::Exception when no dialog can be
// shown at all.
bool runSetupDialog(const char* const* resolutionLabels, int resolutionCount,
                    SetupChoices& choices);

} // namespace platform
