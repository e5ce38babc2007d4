// The track editor inside the preview (F2): the tracks in groups with a filter, their curves on
// the timeline's axis under the play head, and key editing. Every change is a command of the edit
// model; the panel only calls it, pushes the keys it changed into the engine's tracks and saves.
#pragma once

#include "CurveView.h"
#include "EditModel.h"
#include "KeyBindings.h"
#include "Snapping.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

class CueSheet;
class Markers;
class MusicWaveform;
class TimeAxis;

struct PanelFrame {
    double row = 0.0;            // the play head
    std::uint32_t readStamp = 0; // the read stamp of the frame on screen
    bool readOnly = false;       // a live editor owns the keys
    float top = 0.0f;            // the panel's place in the window
    float width = 0.0f;
    float height = 0.0f;
    TimeAxis* axis = nullptr; // shared with the timeline bar; the lanes span its pixels
    bool musicShown = true;   // the waveform and cue lanes above the curves
    MusicWaveform* waveform = nullptr;
    const CueSheet* cues = nullptr;
    const Markers* markers = nullptr;
};

class EditorPanel {
public:
    // newTrackFile: where a track no source defines yet is saved. sourceRoot: the program's
    // source tree, whose reads of tracks a save checks the saved tracks' names against (empty:
    // no check).
    EditorPanel(EditModel& model, SaveSettings settings, std::string newTrackFile,
                std::string sourceRoot, std::function<void(const std::string&)> report);

    // After the model's first load: the engine's tracks hold those keys already (from the
    // compiled files), so only later changes are pushed.
    void adoptLoadedModel();

    bool isVisible() const { return visible; }
    void toggle();
    // Pixels the panel takes from a window of that height; 0 while hidden.
    float heightIn(float windowHeight) const;

    void draw(const PanelFrame& frame);
    // Where the lanes begin in a window: right of the track list.
    static float lanesLeft();

    // A key's action while the panel is open; true when the panel acted on it.
    bool perform(Action action, double row, bool readOnly, const CueSheet& cues);
    SnapMode getSnap() const { return snap; }
    // The curve lane's top and bottom as last drawn.
    float getCurveTop() const { return curveTop; }
    float getCurveBottom() const { return curveBottom; }
    void setSnap(SnapMode mode) { snap = mode; }
    // A double-click the window reported: the curve lane takes it in its next frame.
    void noteDoubleClick() { doubleClicked = true; }
    // The name typed for the next marker, emptied; empty when none was typed.
    std::string takeMarkerName();
    // Gives the engine's tracks the keys the model changed since the last call; true when any.
    bool pushToEngine();
    bool hasUnsavedEdits() const { return model.isAnyDirty(); }

private:
    struct Entry {
        std::string name;
        std::string group;
        bool shown = false;
    };

    void refreshEntries();
    void drawList(const PanelFrame& frame, float height);
    void drawFields(const PanelFrame& frame);
    void save();
    // The names of the tracks the show's sources read (or may read), worked out at first need.
    const std::set<std::string>& readTrackNames();
    // The tracks drawn: those picked, the active one, or until any is picked those the frame on
    // screen read.
    void collectShown(const PanelFrame& frame);
    // Runs a model command; a refused one is reported and changes nothing.
    void attempt(const std::function<void()>& command);
    void applyFields(double row);
    // Gives the model a track the show reads but no source defines, without touching its keys.
    void ensureInModel(const std::string& name);

    EditModel& model;
    SaveSettings settings;
    std::string newTrackFile;
    std::string sourceRoot;
    std::set<std::string> readNames;
    bool readNamesKnown = false;
    std::function<void(const std::string&)> report;
    CurveView curves;
    std::vector<Entry> entries;
    std::map<std::string, std::uint64_t> pushed;
    std::vector<KeyRef> selection;
    std::vector<CopiedKey> clipboard;
    std::string active;
    std::string status;
    std::vector<const std::string*> shown; // the tracks drawn as curves this frame
    std::string saveLine;                  // "<track> -> <file it saves to>"
    std::string saveLineFor;
    std::uint64_t saveLineAt = ~0ull; // the model change count saveLine was made at
    int knownEngineTracks = -1;
    std::uint64_t knownModelChange = ~0ull;
    SnapMode snap = SnapMode::Off;
    char markerName[64] = {};
    float curveTop = 0.0f, curveBottom = 0.0f;
    bool picked = false; // the maker has picked tracks to show
    bool doubleClicked = false;
    bool visible = false;
    bool focusFilter = false;
    bool focusValue = false;
    bool sharedScale = false;
    char filter[128] = {};
    int fieldRow = 0;
    float fieldValue = 0.0f;
    std::uint64_t fieldsFor = ~0ull; // the model change count the fields were filled at
};
