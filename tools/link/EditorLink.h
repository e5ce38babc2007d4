// The preview's live link to a sync-tracker editor over TCP: the editor owns the keys of every
// track it has been asked for, moves and pauses the preview, and hears the preview's row.
#pragma once

#include "EditorCommands.h"
#include "KeyMerge.h"
#include "Sync.h"
#include "platform/TcpConnection.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

constexpr char defaultEditorHost[] = "127.0.0.1";

// "[HOST:]PORT", the host in brackets when it is an IPv6 address ("[::1]:1338"); a missing host
// is defaultEditorHost. False when the text is not of that form or the port is not 1-65535.
bool parseEditorAddress(const std::string& text, std::string& host, std::uint16_t& port);

// What the preview does after a poll.
struct LinkRequests {
    bool seek = false; // the editor moved the play head: go to `row` (time = row / rows per second)
    std::uint32_t row = 0;
    bool pauseChanged = false; // the editor paused (`paused`) or played
    bool paused = false;
    bool tracksChanged = false; // keys changed: a paused picture is out of date
    bool saved = false;         // the editor asked for a save, done (or failed: see the message)
};

class EditorLink {
public:
    // Bytes taken from the editor per poll at most (about 18 700 keys): a flood is drained a
    // frame at a time, and the seeks within it are followed as they come.
    static constexpr std::size_t readPerPoll = 1 << 18;
    // Keys a track may hold from the editor: far past any show (78 s are 1 400 rows), and it
    // keeps one track at 12 MB in memory and 9 MB as a file. An editor sending more is cut off.
    static constexpr std::size_t maxKeysPerTrack = 1 << 20;
    static constexpr std::uint32_t retryMilliseconds = 1000;
    // A connect or greeting the editor leaves unanswered this long is given up and tried again.
    static constexpr std::uint32_t answerMilliseconds = 3000;

    EditorLink(std::string host, std::uint16_t port);
    EditorLink(const EditorLink&) = delete;
    EditorLink& operator=(const EditorLink&) = delete;

    // Once per frame, before rendering, always with the same set. Connects (again a second after
    // the editor went away or could not be reached), greets, asks for every track the show has
    // asked the set for (in the set's order), applies every complete command that has arrived
    // and saves the tracks when the editor says so. Never waits on the network.
    //
    // On each connect the asked tracks are emptied and built from the editor's keys. An editor
    // that goes away gives them back their files' keys; a malformed command closes the
    // connection and leaves the keys received so far.
    LinkRequests poll(TrackSet& tracks, std::uint32_t nowMilliseconds);
    // While playing, once per frame: tells the editor the row when its integer part changed.
    void reportRow(std::uint32_t row);

    // The editor answered the greeting and owns the asked tracks' keys.
    bool isConnected() const { return stage == Stage::Linked; }
    // The latest event (connected, saved, an editor that went away or misbehaved), also
    // written to stderr when it changes.
    const std::string& getLastMessage() const { return message; }
    bool isLastMessageAnError() const { return messageIsError; }

private:
    enum class Stage { Waiting, Connecting, Greeting, Linked };

    void startConnecting(std::uint32_t now);
    void checkConnect(std::uint32_t now);
    void checkGreeting(TrackSet& tracks, std::uint32_t now, LinkRequests& requests);
    void becomeLinked(TrackSet& tracks, LinkRequests& requests);
    void askNewTracks(TrackSet& tracks, LinkRequests& requests);
    // False when the stream was malformed and the connection is closed.
    bool receiveCommands(TrackSet& tracks, LinkRequests& requests);
    bool decodeWaiting(TrackSet& tracks, LinkRequests& requests);
    void apply(const synclink::DecodedCommand& command, TrackSet& tracks, LinkRequests& requests);
    // Merges each track's edits of this poll into its keys and hands them to the tracks; false
    // (the connection closed) when a track would pass maxKeysPerTrack.
    bool publishKeys(TrackSet& tracks, LinkRequests& requests);
    void refuse(const std::string& what);
    void save(TrackSet& tracks, LinkRequests& requests);
    void flush();
    void receiveSome();
    void giveBack(TrackSet& tracks, LinkRequests& requests, std::uint32_t now);
    void stopWith(const std::string& text, std::uint32_t now);
    void say(const std::string& text, bool error);

    std::string host;
    std::uint16_t port;
    std::string label; // host:port, for messages
    platform::TcpAddress address;
    bool resolved = false;
    std::unique_ptr<platform::TcpAddressLookup> lookup; // while the host is being looked up
    platform::TcpConnection connection;

    Stage stage = Stage::Waiting;
    bool attempted = false;
    std::uint32_t stageSince = 0;

    std::vector<unsigned char> inbox;
    std::vector<unsigned char> outbox;
    unsigned char chunk[4096];

    // The editor's keys per asked track (editor index = the set's index), and the edits received
    // since the last poll, merged into them once per poll: sorted, then one pass.
    std::vector<std::vector<TrackKey>> editorKeys;
    std::vector<std::vector<synclink::KeyEdit>> pending;
    std::vector<TrackKey> merged;
    std::vector<unsigned char> changed;
    bool refused = false;
    std::uint32_t asked = 0;

    bool rowKnown = false;
    std::uint32_t lastRow = 0;

    std::string message;
    bool messageIsError = false;
};
