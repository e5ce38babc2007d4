// The panel's layout: the grouped track list on the left, the curves on the right, the exact
// row and value fields and the save line beneath; and its keys.
#include "EditorPanel.h"

#include "Checker.h"
#include "MusicLanes.h"
#include "ShownText.h"
#include "Sync.h"
#include "TimeAxis.h"
#include "Timeline.h"

#include <imgui.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr float listWidth = 330.0f;
constexpr float padding = 8.0f; // Dear ImGui's window padding
// Curves drawn at most (a draw list holds 65536 vertices), and of them at most those shown while
// the maker has picked none.
constexpr std::size_t mostCurves = 16;
constexpr std::size_t mostUnpickedCurves = 8;
constexpr ImGuiWindowFlags panelFlags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                        ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoCollapse |
                                        ImGuiWindowFlags_NoSavedSettings;
const char* const interpolationLabels[] = {"hold", "linear", "smooth", "ease-in"};

std::string firstWord(const std::string& name) {
    std::size_t space = name.find(' ');
    return space == std::string::npos ? name : name.substr(0, space);
}

bool containsIgnoringCase(const std::string& text, const char* part) {
    if (!*part)
        return true;
    auto found = std::search(text.begin(), text.end(), part, part + std::strlen(part),
                             [](char a, char b) { return std::tolower(a) == std::tolower(b); });
    return found != text.end();
}

} // namespace

EditorPanel::EditorPanel(EditModel& model, SaveSettings settings, std::string newTrackFile,
                         std::string sourceRoot, std::function<void(const std::string&)> report)
    : model(model), settings(std::move(settings)), newTrackFile(std::move(newTrackFile)),
      sourceRoot(std::move(sourceRoot)), report(std::move(report)) {}

void EditorPanel::adoptLoadedModel() {
    for (const EditTrack& track : model.getTracks())
        pushed[track.name] = track.revision;
}

void EditorPanel::toggle() {
    visible = !visible;
    focusFilter = visible;
}

float EditorPanel::heightIn(float windowHeight) const {
    return visible ? std::max(240.0f, std::floor(windowHeight * 0.42f)) : 0.0f;
}

namespace {

bool engineHolds(const Track& track, const std::vector<TrackKey>& keys) {
    if (track.getKeyCount() != int(keys.size()))
        return false;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const TrackKey& held = track.getKeys()[i];
        if (held.row != keys[i].row || held.interpolation != keys[i].interpolation ||
            std::memcmp(&held.value, &keys[i].value, sizeof(float)) != 0)
            return false;
    }
    return true;
}

} // namespace

bool EditorPanel::pushToEngine() {
    bool changed = false;
    for (const EditTrack& track : model.getTracks()) {
        auto known = pushed.find(track.name);
        bool pushedAlready = known != pushed.end() && known->second == track.revision;
        // Unsaved edits are what the engine shows: keys that came from elsewhere since (a track
        // file another tool wrote, a live editor that has gone) give way to them again.
        if (pushedAlready && !sameKeys(track.keys, track.saved) &&
            !engineHolds(*Sync::getTracks()->getTrack(track.name.c_str()), track.keys)) {
            pushedAlready = false;
            report("\"" + track.name +
                   "\" shows its unsaved edits again over keys from elsewhere (Ctrl+S saves them)");
        }
        if (pushedAlready)
            continue;
        pushed[track.name] = track.revision;
        Sync::getTracks()
            ->getTrack(track.name.c_str())
            ->setKeys(track.keys.data(), int(track.keys.size()));
        changed = true;
    }
    return changed;
}

void EditorPanel::ensureInModel(const std::string& name) {
    if (name.empty() || model.findTrack(name))
        return;
    model.addTrack(name, newTrackFile);
    if (const EditTrack* track = model.findTrack(name))
        pushed[name] = track->revision;
}

void EditorPanel::refreshEntries() {
    TrackSet* tracks = Sync::getTracks();
    if (tracks->getTrackCount() == knownEngineTracks && model.getChangeCount() == knownModelChange)
        return;
    knownEngineTracks = tracks->getTrackCount();
    knownModelChange = model.getChangeCount();
    auto add = [&](const std::string& name) {
        for (const Entry& entry : entries)
            if (entry.name == name)
                return;
        entries.push_back({name, firstWord(name), false});
    };
    for (int i = 0; i < tracks->getTrackCount(); ++i)
        add(tracks->getTrackAt(i)->getName());
    for (const EditTrack& track : model.getTracks())
        add(track.name);
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.group != b.group ? a.group < b.group : a.name < b.name;
    });
}

void EditorPanel::attempt(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        report(error.what());
        status = shownText(error.what(), 2);
    }
}

float EditorPanel::lanesLeft() {
    return padding + listWidth + padding;
}

void EditorPanel::collectShown(const PanelFrame& frame) {
    // Kept between frames, as is the save line below: an idle panel allocates nothing.
    shown.clear();
    TrackSet* tracks = Sync::getTracks();
    for (const Entry& entry : entries) {
        bool read = tracks->getTrack(entry.name.c_str())->getLastRead() == frame.readStamp;
        if (shown.size() < (picked ? mostCurves : mostUnpickedCurves) &&
            (picked ? entry.shown || entry.name == active : read))
            shown.push_back(&entry.name);
    }
}

void EditorPanel::draw(const PanelFrame& frame) {
    if (!visible)
        return;
    refreshEntries();
    ImGui::SetNextWindowPos(ImVec2(0.0f, frame.top));
    ImGui::SetNextWindowSize(ImVec2(frame.width, frame.height));
    ImGui::Begin("Tracks", nullptr, panelFlags);
    float fieldsHeight = ImGui::GetFrameHeightWithSpacing() * 2.0f + 4.0f;
    float bodyHeight = std::max(60.0f, frame.height - fieldsHeight - 16.0f);
    ImVec2 bodyStart = ImGui::GetCursorScreenPos();

    drawList(frame, bodyHeight);
    ImVec2 afterList = ImGui::GetCursorScreenPos();

    collectShown(frame);
    ensureInModel(active);
    TimeAxis& axis = *frame.axis;
    ImDrawList* list = ImGui::GetWindowDrawList();
    float top = bodyStart.y, bottom = bodyStart.y + bodyHeight;
    paintRuler(list, axis, top, *frame.markers, frame.row);
    top += rulerHeight;
    if (frame.musicShown && bottom - top > waveformHeight + cueLanesHeight + 60.0f) {
        paintWaveform(list, axis, top, *frame.waveform);
        top += waveformHeight;
        paintCueLanes(list, axis, top, *frame.cues);
        top += cueLanesHeight;
    }
    CurveFrame curveFrame;
    curveFrame.shown = &shown;
    curveFrame.active = &active;
    curveFrame.sharedScale = sharedScale;
    curveFrame.readOnly = frame.readOnly;
    curveFrame.playRow = frame.row;
    curveFrame.top = top + 2.0f;
    curveFrame.bottom = bottom;
    curveFrame.doubleClicked = doubleClicked;
    doubleClicked = false;
    curveTop = curveFrame.top;
    curveBottom = curveFrame.bottom;
    // A child window of its own: its draw list holds the curves' many vertices apart.
    ImGui::SetCursorScreenPos(ImVec2(axis.getLeft(), curveFrame.top));
    ImGui::BeginChild("curve lane",
                      ImVec2(axis.getRight() - axis.getLeft(),
                             std::max(1.0f, curveFrame.bottom - curveFrame.top)),
                      false, ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
    curves.paint(ImGui::GetWindowDrawList(), axis, curveFrame, selection);
    std::string refusal;
    if (!curves.handleMouse(axis, curveFrame, SnapChoice{snap, frame.cues}, model, selection,
                            refusal)) {
        report(refusal);
        status = shownText(refusal, 2);
    }
    ImGui::EndChild();
    ImGui::SetCursorScreenPos(afterList);
    drawFields(frame);
    ImGui::End();
}

void EditorPanel::drawList(const PanelFrame& frame, float height) {
    ImGui::BeginChild("list", ImVec2(listWidth, height), true);
    if (focusFilter) {
        ImGui::SetKeyboardFocusHere();
        focusFilter = false;
    }
    ImGui::SetNextItemWidth(-1.0f);
    bool filterDone = ImGui::InputTextWithHint("##filter", "filter tracks", filter, sizeof filter,
                                               ImGuiInputTextFlags_EnterReturnsTrue);
    // A filter that leaves one track makes it the one being edited.
    const Entry* only = nullptr;
    int matches = 0;
    for (const Entry& entry : entries)
        if (containsIgnoringCase(entry.name, filter) && ++matches == 1)
            only = &entry;
    if (matches == 1 && active != only->name) {
        active = only->name;
        picked = true;
        for (Entry& entry : entries)
            if (entry.name == active)
                entry.shown = true;
    }
    if (filterDone)
        focusValue = true;

    TrackSet* tracks = Sync::getTracks();
    const std::string* openGroup = nullptr;
    bool groupOpen = false;
    for (Entry& entry : entries) {
        if (!containsIgnoringCase(entry.name, filter))
            continue;
        if (!openGroup || *openGroup != entry.group) {
            if (groupOpen)
                ImGui::TreePop();
            openGroup = &entry.group;
            groupOpen = ImGui::TreeNodeEx(entry.group.c_str(), ImGuiTreeNodeFlags_DefaultOpen);
        }
        if (!groupOpen)
            continue;
        ImGui::PushID(entry.name.c_str());
        if (ImGui::Checkbox("##shown", &entry.shown))
            picked = true;
        ImGui::SameLine();
        const Track* track = tracks->getTrack(entry.name.c_str());
        // A dot for the tracks the frame on screen read.
        ImVec2 at = ImGui::GetCursorScreenPos();
        float middle = at.y + ImGui::GetTextLineHeight() * 0.5f + 1.0f;
        if (track->getLastRead() == frame.readStamp)
            ImGui::GetWindowDrawList()->AddCircleFilled(ImVec2(at.x + 4.0f, middle), 3.5f,
                                                        IM_COL32(110, 230, 110, 255));
        ImGui::SetCursorScreenPos(ImVec2(at.x + 12.0f, at.y));
        // A track the show reads that no source defines is in the model only once edited.
        const EditTrack* edited = model.findTrack(entry.name);
        bool dirty = edited && !sameKeys(edited->keys, edited->saved);
        char label[160];
        std::snprintf(label, sizeof label, "%s%s", entry.name.c_str() + entry.group.size(),
                      dirty ? " *" : "");
        if (ImGui::Selectable(label, active == entry.name, 0, ImVec2(170.0f, 0.0f))) {
            active = entry.name;
            entry.shown = true;
            picked = true;
        }
        ImGui::SameLine(listWidth - 92.0f);
        ImGui::Text("%9.3f", track->getValue(frame.row));
        ImGui::PopID();
    }
    if (groupOpen)
        ImGui::TreePop();
    ImGui::EndChild();
}

void EditorPanel::drawFields(const PanelFrame& frame) {
    // The fields follow the selected key, or the play head when none is selected.
    if (fieldsFor != model.getChangeCount() + selection.size() * 7919u) {
        fieldsFor = model.getChangeCount() + selection.size() * 7919u;
        fieldRow = int(std::floor(frame.row));
        fieldValue = 0.0f;
        if (!selection.empty()) {
            if (const EditTrack* track = model.findTrack(selection.front().track)) {
                for (const TrackKey& key : track->keys)
                    if (key.row == selection.front().row) {
                        fieldRow = key.row;
                        fieldValue = key.value;
                    }
            }
        } else if (!active.empty()) {
            fieldValue = Sync::getTracks()->getTrack(active.c_str())->getValue(frame.row);
        }
    }
    ImGui::BeginDisabled(frame.readOnly);
    ImGui::SetNextItemWidth(110.0f);
    bool entered = ImGui::InputInt("row", &fieldRow, 1, 8, ImGuiInputTextFlags_EnterReturnsTrue);
    ImGui::SameLine();
    if (focusValue) {
        ImGui::SetKeyboardFocusHere();
        focusValue = false;
    }
    ImGui::SetNextItemWidth(140.0f);
    entered |= ImGui::InputFloat("value", &fieldValue, 0.0f, 0.0f, "%.4f",
                                 ImGuiInputTextFlags_EnterReturnsTrue);
    ImGui::SameLine();
    entered |= ImGui::Button(selection.empty() ? "Add key" : "Set key");
    if (entered)
        applyFields(frame.row);
    ImGui::SameLine();
    if (ImGui::Button("Undo"))
        model.undo();
    ImGui::SameLine();
    if (ImGui::Button("Redo"))
        model.redo();
    ImGui::SameLine();
    if (ImGui::Button("Save"))
        save();
    ImGui::EndDisabled();
    ImGui::SameLine();
    ImGui::Checkbox("shared scale", &sharedScale);
    ImGui::SameLine();
    ImGui::SetNextItemWidth(110.0f);
    if (ImGui::BeginCombo("snap (G)", snapModeName(snap))) {
        for (int mode = 0; mode < snapModeCount; ++mode)
            if (ImGui::Selectable(snapModeName(SnapMode(mode)), snap == SnapMode(mode)))
                snap = SnapMode(mode);
        ImGui::EndCombo();
    }
    ImGui::SameLine();
    ImGui::SetNextItemWidth(120.0f);
    ImGui::InputTextWithHint("##marker", "marker name (M)", markerName, sizeof markerName);

    if (frame.readOnly) {
        ImGui::TextColored(ImVec4(1.0f, 0.8f, 0.3f, 1.0f),
                           "keys from the live editor (read-only while it is connected)");
    } else if (!active.empty()) {
        if (saveLineFor != active || saveLineAt != model.getChangeCount()) {
            saveLineFor = active;
            saveLineAt = model.getChangeCount();
            const EditTrack* track = model.findTrack(active);
            bool fromXml =
                track && track->origin.file.size() > 4 &&
                track->origin.file.compare(track->origin.file.size() - 4, 4, ".xml") == 0;
            saveLine = active + " -> " + model.getSaveFile(active) +
                       (fromXml ? " (beside its XML, which is left alone)" : "");
        }
        ImGui::Text("%s   %s", saveLine.c_str(), status.c_str());
    } else {
        ImGui::TextUnformatted(status.c_str());
    }
}

void EditorPanel::applyFields(double) {
    if (!selection.empty()) {
        attempt(
            [&] { selection.assign(1, model.setKey(selection.front(), fieldRow, fieldValue)); });
    } else if (!active.empty()) {
        ensureInModel(active);
        int interpolation = Linear;
        if (const EditTrack* track = model.findTrack(active))
            for (const TrackKey& key : track->keys)
                if (key.row <= fieldRow)
                    interpolation = key.interpolation;
        attempt([&] {
            model.insertKey(active, {std::max(0, fieldRow), fieldValue, interpolation});
            selection.assign(1, KeyRef{active, std::max(0, fieldRow)});
        });
    }
}

void EditorPanel::save() {
    std::vector<std::string> saving;
    for (const EditTrack& track : model.getTracks())
        if (!sameKeys(track.keys, track.saved))
            saving.push_back(track.name);
    try {
        std::vector<std::string> written = model.save(settings);
        status = written.empty() ? "nothing to save" : "saved";
        for (const std::string& file : written)
            status += " " + file;
        // Saved as asked, but a track the show never reads is worth a word.
        const std::set<std::string>& read = readTrackNames();
        bool unread = false;
        for (const std::string& name : saving)
            if (!read.empty() && !read.count(name)) {
                status += "; \"" + name + "\" is never read by the show";
                unread = true;
            }
        if (unread)
            report(status);
        status = shownText(status, 2);
    } catch (const std::exception& error) {
        std::string refused = std::string("save refused: ") + error.what();
        report(refused);
        status = shownText(refused, 2);
    }
}

std::string EditorPanel::takeMarkerName() {
    std::string name = markerName;
    markerName[0] = '\0';
    return name;
}

const std::set<std::string>& EditorPanel::readTrackNames() {
    if (!readNamesKnown && !sourceRoot.empty()) {
        readNamesKnown = true;
        readNames = findReadTrackNamesInTree(sourceRoot);
        for (const std::string& name : findIndirectTrackNamesInTree(sourceRoot))
            readNames.insert(name);
    }
    return readNames;
}

bool EditorPanel::perform(Action action, double row, bool readOnly, const CueSheet& cues) {
    if (!visible)
        return false;
    switch (action) {
    case Action::Undo:
        if (!readOnly)
            model.undo();
        return true;
    case Action::Redo:
        if (!readOnly)
            model.redo();
        return true;
    case Action::Save:
        if (!readOnly)
            save();
        return true;
    case Action::Copy:
        attempt([&] { clipboard = model.copyKeys(selection); });
        return true;
    case Action::Paste:
        if (!readOnly && !clipboard.empty())
            attempt([&] {
                int at = snap == SnapMode::Off ? int(std::floor(row)) : snapRow(row, snap, cues);
                selection = model.pasteKeys(clipboard, std::max(0, at));
            });
        return true;
    case Action::DeleteKeys:
        if (readOnly)
            return false;
        attempt([&] { model.deleteKeys(selection); });
        selection.clear();
        return true;
    case Action::Hold:
    case Action::Linear:
    case Action::Smooth:
    case Action::EaseIn:
        if (readOnly)
            return false;
        attempt([&] { model.setInterpolation(selection, int(action) - int(Action::Hold)); });
        return true;
    default:
        return false;
    }
}
