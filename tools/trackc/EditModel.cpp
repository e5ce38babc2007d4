// Edit commands as before/after key lists of the tracks they touch, so undo and redo are exact;
// saving goes through the block writer and the track checker.
#include "EditModel.h"

#include "Checker.h"
#include "FileIo.h"
#include "KeyCheck.h"
#include "Timeline.h"
#include "TimelineWriter.h"
#include "TrackWriter.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>

bool operator==(const KeyRef& a, const KeyRef& b) {
    return a.track == b.track && a.row == b.row;
}

bool sameKeys(const std::vector<TrackKey>& a, const std::vector<TrackKey>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].row != b[i].row || a[i].interpolation != b[i].interpolation ||
            std::memcmp(&a[i].value, &b[i].value, sizeof(float)) != 0)
            return false;
    return true;
}

namespace {

constexpr size_t none = size_t(-1);

std::vector<TrackKey> keysOf(const TrackSource& source) {
    std::vector<TrackKey> keys;
    for (const SourceKey& key : source.keys)
        keys.push_back(TrackKey{key.row, key.value, key.interpolation});
    return keys;
}

TrackOrigin originOf(const TrackSource& source) {
    return {source.file, source.line, source.keys.empty() ? source.line : source.keys.back().line};
}

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

std::vector<TrackKey>::iterator atRow(std::vector<TrackKey>& keys, std::int32_t row) {
    auto it = std::lower_bound(keys.begin(), keys.end(), row,
                               [](const TrackKey& key, std::int32_t r) { return key.row < r; });
    return it != keys.end() && it->row == row ? it : keys.end();
}

// Inserts in row order, replacing a key on the same row.
void put(std::vector<TrackKey>& keys, const TrackKey& key) {
    auto it = std::lower_bound(keys.begin(), keys.end(), key.row,
                               [](const TrackKey& k, std::int32_t r) { return k.row < r; });
    if (it != keys.end() && it->row == key.row)
        *it = key;
    else
        keys.insert(it, key);
}

void checkKey(const TrackKey& key) {
    if (key.row < 0)
        throw TimelineError("row " + std::to_string(key.row) + " is before the show's start");
    std::string problem = keyProblem(key.row, key.value, key.interpolation);
    if (!problem.empty())
        throw TimelineError(problem);
}

// A folder of its own under the system's temporary folder, removed when it goes.
struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder() {
        std::random_device random;
        for (;;) {
            path = std::filesystem::temp_directory_path() /
                   ("oxbrine-trackc-" + std::to_string(random()));
            if (std::filesystem::create_directory(path))
                return;
        }
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

// The limits file's complaints about these tracks, compiled as the show will read them.
std::vector<std::string> limitProblems(const std::vector<TrackSource>& tracks,
                                       const std::string& limitsFile) {
    if (limitsFile.empty() || tracks.empty())
        return {};
    std::vector<ValueLimit> limits;
    for (const ValueLimit& limit : parseLimits(readWholeFile(limitsFile)))
        for (const TrackSource& track : tracks)
            if (track.name == limit.name)
                limits.push_back(limit);
    if (limits.empty())
        return {};
    ScratchFolder scratch;
    writeTrackFiles(tracks, scratch.path.string());
    return checkLimits(limits, scratch.path.string(), showSeconds, showRowsPerSecond);
}

} // namespace

void EditModel::load(const std::vector<std::string>& sourceFiles) {
    EditModel fresh;
    fresh.changeCount = changeCount;
    fresh.reload(sourceFiles);
    *this = std::move(fresh);
}

std::vector<std::string> EditModel::reload(const std::vector<std::string>& sourceFiles,
                                           const std::string& limitsFile) {
    std::vector<TrackSource> fresh = readTrackFiles(sourceFiles);
    std::vector<std::string> problems = checkStructure(fresh);
    if (problems.empty()) {
        // Only what the files changed: the rest was checked when it came in.
        std::vector<TrackSource> changedTracks;
        for (const TrackSource& source : fresh) {
            size_t index = indexOf(source.name);
            if (index == none || !sameKeys(keysOf(source), tracks[index].saved))
                changedTracks.push_back(source);
        }
        problems = limitProblems(changedTracks, limitsFile);
    }
    if (!problems.empty())
        throw TimelineError(joined(problems));
    std::vector<std::string> conflicts;
    std::vector<size_t> replaced;
    for (const TrackSource& source : fresh) {
        std::vector<TrackKey> keys = keysOf(source);
        size_t index = indexOf(source.name);
        if (index == none) {
            tracks.push_back(EditTrack{source.name, keys, originOf(source), 0, keys});
            continue;
        }
        EditTrack& track = tracks[index];
        track.origin = originOf(source);
        if (sameKeys(keys, track.saved))
            continue;
        if (!sameKeys(track.keys, track.saved)) {
            conflicts.push_back(track.name);
        } else {
            track.keys = keys;
            ++track.revision;
            replaced.push_back(index);
        }
        track.saved = keys;
    }
    sources = sourceFiles;
    dropHistoryOf(replaced);
    ++changeCount;
    return conflicts;
}

void EditModel::dropHistoryOf(const std::vector<size_t>& replaced) {
    if (replaced.empty())
        return;
    // Undoing or redoing a change of these tracks could bring back keys the file no longer
    // holds; the other tracks' changes stay, each command keeping what it did to them.
    std::vector<Command> kept;
    size_t keptDone = 0;
    for (size_t i = 0; i < history.size(); ++i) {
        Command& command = history[i];
        auto gone = std::remove_if(
            command.changes.begin(), command.changes.end(), [&](const Change& change) {
                return std::find(replaced.begin(), replaced.end(), change.track) != replaced.end();
            });
        bool touched = gone != command.changes.end();
        command.changes.erase(gone, command.changes.end());
        if (command.changes.empty())
            continue;
        if (touched)
            command.move = false; // no longer the drag it was: a drag cannot continue it
        kept.push_back(std::move(command));
        if (i < done)
            ++keptDone;
    }
    history = std::move(kept);
    done = keptDone;
}

void EditModel::addTrack(const std::string& name, const std::string& file) {
    if (indexOf(name) != none)
        throw TimelineError("track '" + name + "' already exists");
    if (!isWritableTrackName(name))
        throw TimelineError("'" + name + "' cannot be a track name in a timeline file");
    tracks.push_back(EditTrack{name, {}, TrackOrigin{file, 0, 0}, 0, {}});
    ++changeCount;
}

size_t EditModel::indexOf(const std::string& name) const {
    for (size_t i = 0; i < tracks.size(); ++i)
        if (tracks[i].name == name)
            return i;
    return none;
}

size_t EditModel::require(const std::string& name) const {
    size_t index = indexOf(name);
    if (index == none)
        throw TimelineError("no track '" + name + "'");
    return index;
}

const EditTrack* EditModel::findTrack(const std::string& name) const {
    size_t index = indexOf(name);
    return index == none ? nullptr : &tracks[index];
}

bool EditModel::isDirty(const std::string& name) const {
    const EditTrack& track = tracks[require(name)];
    return !sameKeys(track.keys, track.saved);
}

bool EditModel::isAnyDirty() const {
    for (const EditTrack& track : tracks)
        if (!sameKeys(track.keys, track.saved))
            return true;
    return false;
}

std::string EditModel::getSaveFile(const std::string& name) const {
    const std::string& file = tracks[require(name)].origin.file;
    bool xml = file.size() >= 4 && file.compare(file.size() - 4, 4, ".xml") == 0;
    return xml ? textTwinOf(file) : file;
}

void EditModel::setKeys(size_t track, const std::vector<TrackKey>& keys) {
    tracks[track].keys = keys;
    ++tracks[track].revision;
    ++changeCount;
}

void EditModel::record(Command command) {
    std::vector<Change> changes;
    for (Change& change : command.changes)
        if (!sameKeys(change.before, change.after))
            changes.push_back(std::move(change));
    if (changes.empty())
        return;
    command.changes = std::move(changes);
    for (const Change& change : command.changes)
        setKeys(change.track, change.after);
    history.resize(done);
    history.push_back(std::move(command));
    ++done;
}

bool EditModel::undo() {
    if (done == 0)
        return false;
    --done;
    for (const Change& change : history[done].changes)
        setKeys(change.track, change.before);
    return true;
}

bool EditModel::redo() {
    if (done == history.size())
        return false;
    for (const Change& change : history[done].changes)
        setKeys(change.track, change.after);
    ++done;
    return true;
}

// A command under construction: working copies of the key lists it touches.
class EditModel::Draft {
public:
    explicit Draft(const EditModel& model) : model(model) {}
    std::vector<TrackKey>& keys(size_t track) {
        auto found = edited.find(track);
        if (found == edited.end())
            found = edited.emplace(track, model.tracks[track].keys).first;
        return found->second;
    }
    // The key a reference names, in the working copy; throws when it is not there.
    std::vector<TrackKey>::iterator find(const KeyRef& ref) {
        std::vector<TrackKey>& list = keys(model.require(ref.track));
        auto it = atRow(list, ref.row);
        if (it == list.end())
            throw TimelineError("'" + ref.track + "' has no key on row " + std::to_string(ref.row));
        return it;
    }
    Command command() const {
        Command command;
        for (const auto& [track, after] : edited)
            command.changes.push_back(Change{track, model.tracks[track].keys, after});
        return command;
    }

private:
    const EditModel& model;
    std::map<size_t, std::vector<TrackKey>> edited;
};

void EditModel::insertKey(const std::string& track, const TrackKey& key) {
    checkKey(key);
    Draft draft(*this);
    put(draft.keys(require(track)), key);
    record(draft.command());
}

std::vector<KeyRef> EditModel::moveKeys(const std::vector<KeyRef>& keys, double rowOffset,
                                        float valueOffset, bool continuing) {
    if (!std::isfinite(rowOffset) || !std::isfinite(valueOffset))
        throw TimelineError("a move needs finite offsets");
    bool redoDrag = continuing && done > 0 && done == history.size() && history[done - 1].move &&
                    history[done - 1].moved == keys;
    Command dragged;
    if (redoDrag) {
        undo();
        dragged = std::move(history.back());
        history.pop_back();
    }
    try {
        // Distinct keys, taken out of their tracks.
        std::vector<KeyRef> unique;
        for (const KeyRef& ref : keys)
            if (std::find(unique.begin(), unique.end(), ref) == unique.end())
                unique.push_back(ref);
        Draft draft(*this);
        std::vector<std::pair<size_t, TrackKey>> taken;
        for (const KeyRef& ref : unique) {
            auto it = draft.find(ref);
            taken.emplace_back(require(ref.track), *it);
        }
        for (const auto& [track, key] : taken)
            draft.keys(track).erase(atRow(draft.keys(track), key.row));

        // Whole rows; keys never go below row 0 (or below where they already are) nor past the
        // last row a timeline file holds, and all stop together.
        long long lowest = LLONG_MIN, highest = LLONG_MAX;
        for (const auto& [track, key] : taken) {
            lowest = std::max(lowest, key.row >= 0 ? -(long long)key.row : 0LL);
            highest = std::min(highest, (long long)lastTextRow - key.row);
        }
        double rounded = std::round(rowOffset);
        long long offset = rounded < -1e12  ? -1000000000000LL
                           : rounded > 1e12 ? 1000000000000LL
                                            : (long long)rounded;
        offset = std::clamp(offset, lowest, std::max(lowest, highest));

        std::vector<KeyRef> moved;
        for (auto& [track, key] : taken) {
            key.row = std::int32_t(key.row + offset);
            key.value += valueOffset;
            if (!std::isfinite(key.value))
                throw TimelineError("the move takes a value past the float range");
        }
        for (const auto& [track, key] : taken) {
            put(draft.keys(track), key);
            moved.push_back(KeyRef{tracks[track].name, key.row});
        }
        Command command = draft.command();
        command.move = true;
        command.moved = keys;
        record(std::move(command));
        return moved;
    } catch (...) {
        if (redoDrag) {
            history.push_back(std::move(dragged));
            redo();
        }
        throw;
    }
}

void EditModel::deleteKeys(const std::vector<KeyRef>& keys) {
    Draft draft(*this);
    std::vector<KeyRef> unique;
    for (const KeyRef& ref : keys)
        if (std::find(unique.begin(), unique.end(), ref) == unique.end())
            unique.push_back(ref);
    for (const KeyRef& ref : unique) {
        auto it = draft.find(ref);
        draft.keys(require(ref.track)).erase(it);
    }
    record(draft.command());
}

void EditModel::setInterpolation(const std::vector<KeyRef>& keys, int interpolation) {
    checkKey(TrackKey{0, 0.0f, interpolation});
    Draft draft(*this);
    for (const KeyRef& ref : keys)
        draft.find(ref)->interpolation = interpolation;
    record(draft.command());
}

KeyRef EditModel::setKey(const KeyRef& ref, std::int32_t row, float value) {
    Draft draft(*this);
    TrackKey key = *draft.find(ref);
    key.row = row;
    key.value = value;
    checkKey(key);
    std::vector<TrackKey>& list = draft.keys(require(ref.track));
    list.erase(atRow(list, ref.row));
    put(list, key);
    record(draft.command());
    return KeyRef{ref.track, row};
}

std::vector<CopiedKey> EditModel::copyKeys(const std::vector<KeyRef>& keys) const {
    Draft draft(*this);
    std::vector<CopiedKey> copied;
    std::int32_t first = INT_MAX;
    for (const KeyRef& ref : keys) {
        copied.push_back(CopiedKey{ref.track, *draft.find(ref)});
        first = std::min(first, ref.row);
    }
    for (CopiedKey& key : copied)
        key.key.row -= first;
    return copied;
}

std::vector<KeyRef> EditModel::pasteKeys(const std::vector<CopiedKey>& copied, std::int32_t row,
                                         const std::string& into) {
    Draft draft(*this);
    std::vector<KeyRef> pasted;
    for (const CopiedKey& copy : copied) {
        TrackKey key = copy.key;
        long long at = (long long)row + key.row;
        if (at < 0 || at > lastTextRow)
            throw TimelineError("pasting at row " + std::to_string(row) +
                                " puts a key outside the rows");
        key.row = std::int32_t(at);
        checkKey(key);
        const std::string& track = into.empty() ? copy.track : into;
        put(draft.keys(require(track)), key);
        KeyRef ref{track, key.row};
        if (std::find(pasted.begin(), pasted.end(), ref) == pasted.end())
            pasted.push_back(ref);
    }
    record(draft.command());
    return pasted;
}

std::vector<std::string> EditModel::save(const SaveSettings& settings) {
    namespace fs = std::filesystem;
    std::map<std::string, std::vector<size_t>> byFile;
    for (size_t i = 0; i < tracks.size(); ++i) {
        if (sameKeys(tracks[i].keys, tracks[i].saved))
            continue;
        std::string file = getSaveFile(tracks[i].name);
        if (file.empty())
            throw TimelineError("track '" + tracks[i].name + "' has no file to be saved to");
        byFile[file].push_back(i);
    }

    if (byFile.empty())
        return {};
    std::vector<std::string> problems;
    std::map<std::string, std::string> texts;
    std::vector<TrackSource> written;
    for (const auto& [file, indices] : byFile) {
        std::string text = fs::exists(file) ? readWholeFile(file) : std::string();
        std::vector<TrackSource> before = parseTimeline(text, file);
        auto named = [](std::vector<TrackSource>& list, const std::string& name) {
            auto it = std::find_if(list.begin(), list.end(),
                                   [&](const TrackSource& t) { return t.name == name; });
            return it == list.end() ? nullptr : &*it;
        };
        std::set<std::string> saving;
        for (size_t index : indices) {
            const EditTrack& track = tracks[index];
            const TrackSource* onDisk = named(before, track.name);
            // The block must still hold what was loaded: anything else is someone else's edit.
            if (onDisk && track.origin.file == file && !sameKeys(keysOf(*onDisk), track.saved))
                problems.push_back(file + ":" + std::to_string(onDisk->line) + ": track '" +
                                   track.name +
                                   "' was changed in the file since it was loaded; reload it");
            if (!onDisk && track.origin.file == file && track.origin.firstLine > 0)
                problems.push_back(file + ": track '" + track.name +
                                   "' was taken out of the file since it was loaded; reload it");
            text = replaceTrackBlock(text, file, track.name, track.keys);
            saving.insert(track.name);
        }
        std::vector<TrackSource> after = parseTimeline(text, file);
        std::vector<std::string> structure = checkStructure(after);
        problems.insert(problems.end(), structure.begin(), structure.end());
        // What the new text reads as must be the edited keys and, for the rest, the old ones.
        for (TrackSource& track : after) {
            const EditTrack* edited = saving.count(track.name) ? findTrack(track.name) : nullptr;
            const TrackSource* old = named(before, track.name);
            bool right = edited ? sameKeys(keysOf(track), edited->keys)
                                : old && sameKeys(keysOf(track), keysOf(*old));
            if (!right)
                problems.push_back(file + ": writing the file would change track '" + track.name +
                                   "' unasked");
            if (edited)
                written.push_back(track);
        }
        texts[file] = text;
    }

    if (problems.empty()) {
        std::vector<std::string> outside = limitProblems(written, settings.limitsFile);
        problems.insert(problems.end(), outside.begin(), outside.end());
    }
    if (!problems.empty())
        throw TimelineError(joined(problems));

    // Every file of the save, sources and compiled tracks, written as one: all or nothing.
    std::vector<std::pair<std::string, std::string>> outputs(texts.begin(), texts.end());
    if (!settings.dataFolder.empty()) {
        std::vector<TrackSource> compiled;
        for (const auto& [file, indices] : byFile)
            for (size_t index : indices) {
                TrackSource source{tracks[index].name, file, 0, {}};
                for (const TrackKey& key : tracks[index].keys)
                    source.keys.push_back(SourceKey{key.row, key.value, key.interpolation, 0});
                compiled.push_back(std::move(source));
            }
        std::error_code ignored;
        fs::create_directories(settings.dataFolder, ignored);
        for (auto& file : compiledTrackFiles(compiled, settings.dataFolder))
            outputs.push_back(std::move(file));
    }
    replaceFiles(outputs);

    std::vector<std::string> files;
    for (const auto& [file, text] : texts) {
        files.push_back(file);
        // A new file (a text twin, or a new track's) is read from now on too.
        if (std::find(sources.begin(), sources.end(), file) == sources.end())
            sources.push_back(file);
        for (const TrackSource& track : parseTimeline(text, file)) {
            size_t index = indexOf(track.name);
            if (index == none)
                continue;
            EditTrack& edited = tracks[index];
            bool saved =
                std::find(byFile[file].begin(), byFile[file].end(), index) != byFile[file].end();
            if (saved)
                edited.saved = edited.keys;
            if (saved || edited.origin.file == file)
                edited.origin = originOf(track);
        }
    }
    ++changeCount;
    return files;
}

void EditModel::writeCompiled(const std::string& dataFolder,
                              const std::vector<std::string>& names) const {
    std::vector<TrackSource> compiled;
    for (const EditTrack& track : tracks) {
        if (!names.empty() && std::find(names.begin(), names.end(), track.name) == names.end())
            continue;
        TrackSource source{track.name, track.origin.file, track.origin.firstLine, {}};
        for (const TrackKey& key : track.keys)
            source.keys.push_back(SourceKey{key.row, key.value, key.interpolation, 0});
        compiled.push_back(std::move(source));
    }
    writeTrackFiles(compiled, dataFolder);
}
