// The show's tracks as a maker edits them: key lists by name, every change a command with exact
// undo and redo, and saving back into the timeline sources the keys came from.
//
// Keys are kept sorted by row, one key per row. A command that changes nothing leaves no undo
// step. Commands throw TimelineError (and change nothing) for an unknown track or key, a row
// below 0 or past lastTextRow, a value that is not finite or an interpolation outside 0 to 3.
#pragma once

#include "Sync.h"

#include <cstdint>
#include <string>
#include <vector>

// A key, by its track and row.
struct KeyRef {
    std::string track;
    std::int32_t row = 0;
};
bool operator==(const KeyRef& a, const KeyRef& b);

// A copied key: its track, and its row counted from the first copied row.
struct CopiedKey {
    std::string track;
    TrackKey key;
};

// Where a track was read from: the file and the lines of its block ("track" line to last key).
struct TrackOrigin {
    std::string file; // empty for a track made in the editor without a file yet
    int firstLine = 0;
    int lastLine = 0;
};

struct EditTrack {
    std::string name;
    std::vector<TrackKey> keys;
    TrackOrigin origin;
    std::uint64_t revision = 0;  // changes whenever the keys do
    std::vector<TrackKey> saved; // the keys as last loaded or saved
};

// Same rows, interpolations and value bits.
bool sameKeys(const std::vector<TrackKey>& a, const std::vector<TrackKey>& b);

struct SaveSettings {
    std::string dataFolder; // compiled files are written here after saving; empty: none
    std::string limitsFile; // value limits checked before saving; empty: none
};

class EditModel {
public:
    // Reads the timeline sources (.tl, editor .xml and text twins of the XML); edits and undo
    // history are dropped. Throws TimelineError, leaving the model as it was, when a file does
    // not read or the tracks break the checker's structure rules.
    void load(const std::vector<std::string>& sourceFiles);
    // Reads the sources again after they changed on disk. Unedited tracks take the new keys;
    // edited ones keep their edits, which saving will write over the new text. Returns the
    // names of edited tracks whose source changed. The undo history loses the changes of the
    // tracks whose keys were replaced, as they could bring back keys the file no longer holds;
    // the other tracks' changes stay undoable. A file that
    // breaks the structure rules, or a changed track outside the limits file's bounds (when
    // given), throws TimelineError and changes nothing.
    std::vector<std::string> reload(const std::vector<std::string>& sourceFiles,
                                    const std::string& limitsFile = "");
    // A track without keys, e.g. one the show reads that no source defines yet; `file` is the
    // .tl file that saving appends it to.
    void addTrack(const std::string& name, const std::string& file);

    const std::vector<EditTrack>& getTracks() const { return tracks; }
    // The files read, and the .tl files saving has made since.
    const std::vector<std::string>& getSourceFiles() const { return sources; }
    // nullptr when there is no such track.
    const EditTrack* findTrack(const std::string& name) const;
    // Keys differ from those last loaded or saved.
    bool isDirty(const std::string& name) const;
    bool isAnyDirty() const;
    // Changes whenever keys, dirty state or origins change: poll it to push keys only then.
    std::uint64_t getChangeCount() const { return changeCount; }
    // The .tl file saving writes the track to: its own file, or the text twin of its XML.
    std::string getSaveFile(const std::string& name) const;

    // Inserts a key, or replaces the key on that row.
    void insertKey(const std::string& track, const TrackKey& key);
    // Moves keys by a row offset (rounded to whole rows) and a value offset. A moved key that
    // lands on another key's row replaces it. The offset stops where the first key would pass
    // row 0. Returns the keys where they are now. With `continuing`, a previous move of the
    // same keys that is the latest command is taken back first and replaced, so a drag that
    // passes the keys and total offset from where it began every frame (continuing from its
    // second frame on) is one undo step, and only where it ends replaces keys.
    std::vector<KeyRef> moveKeys(const std::vector<KeyRef>& keys, double rowOffset,
                                 float valueOffset, bool continuing = false);
    void deleteKeys(const std::vector<KeyRef>& keys);
    void setInterpolation(const std::vector<KeyRef>& keys, int interpolation);
    // Gives a key an exact row and value (replacing a key on that row); returns where it is.
    KeyRef setKey(const KeyRef& key, std::int32_t row, float value);
    // The keys with rows counted from the first of them, for pasting.
    std::vector<CopiedKey> copyKeys(const std::vector<KeyRef>& keys) const;
    // Pastes copied keys from `row` on, each into its own track, or all into `into` when it is
    // given; pasted keys replace keys on their rows. Returns the pasted keys.
    std::vector<KeyRef> pasteKeys(const std::vector<CopiedKey>& copied, std::int32_t row,
                                  const std::string& into = "");

    bool canUndo() const { return done > 0; }
    bool canRedo() const { return done < history.size(); }
    // False when there is nothing to undo or redo.
    bool undo();
    bool redo();

    // Writes every edited track into its .tl file (only its block changes), then the compiled
    // track files of those tracks into settings.dataFolder. First the new files are checked:
    // structure, value limits, and the track's block on disk still holding the keys last
    // loaded or saved; a problem throws TimelineError with the checker's messages and leaves
    // every file untouched. The sources and compiled files are written as one (every one written
    // beside its target before any replaces it), so a failure leaves them all as they were.
    // Returns the .tl files written.
    std::vector<std::string> save(const SaveSettings& settings);
    // Writes "_<name>.track" for the named tracks (all when empty) into the folder.
    void writeCompiled(const std::string& dataFolder,
                       const std::vector<std::string>& names = {}) const;

private:
    struct Change {
        size_t track;
        std::vector<TrackKey> before, after;
    };
    struct Command {
        std::vector<Change> changes;
        bool move = false;
        std::vector<KeyRef> moved; // a move's keys as given, for a continuing drag
    };

    class Draft;

    size_t indexOf(const std::string& name) const;
    // The track's index; throws TimelineError when there is none.
    size_t require(const std::string& name) const;
    void record(Command command);
    void setKeys(size_t track, const std::vector<TrackKey>& keys);
    // Takes the changes of these tracks out of the undo history.
    void dropHistoryOf(const std::vector<size_t>& replaced);

    std::vector<EditTrack> tracks;
    std::vector<std::string> sources;
    std::vector<Command> history;
    size_t done = 0;
    std::uint64_t changeCount = 0;
};
