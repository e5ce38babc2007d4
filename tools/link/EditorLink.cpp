// The editor link's states: waiting to retry, connecting, greeting, linked.
#include "EditorLink.h"

#include "TrackSaving.h"
#include "kem/Exception.h"

#include <algorithm>
#include <cstdio>
#include <exception>

using synclink::DecodedCommand;
using synclink::EditorCommand;

namespace {

// Bytes we keep for an editor that does not read; beyond that it counts as gone.
constexpr std::size_t unsentLimit = 1 << 16;

bool parsePort(const std::string& text, std::uint16_t& port) {
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + unsigned(c - '0');
    }
    if (value == 0 || value > 65535)
        return false;
    port = std::uint16_t(value);
    return true;
}

} // namespace

bool parseEditorAddress(const std::string& text, std::string& host, std::uint16_t& port) {
    std::string hostPart = defaultEditorHost;
    std::string portPart = text;
    if (!text.empty() && text[0] == '[') {
        std::size_t close = text.find("]:");
        if (close == std::string::npos || close == 1)
            return false;
        hostPart = text.substr(1, close - 1);
        portPart = text.substr(close + 2);
    } else {
        std::size_t colon = text.rfind(':');
        if (colon != std::string::npos) {
            hostPart = text.substr(0, colon);
            portPart = text.substr(colon + 1);
            if (hostPart.empty() || hostPart.find(':') != std::string::npos)
                return false;
        }
    }
    if (!parsePort(portPart, port))
        return false;
    host = hostPart;
    return true;
}

EditorLink::EditorLink(std::string host, std::uint16_t port) : host(std::move(host)), port(port) {
    bool ipv6 = this->host.find(':') != std::string::npos;
    label = (ipv6 ? "[" + this->host + "]" : this->host) + ":" + std::to_string(port);
    inbox.reserve(sizeof chunk + 64);
    outbox.reserve(unsentLimit);
}

LinkRequests EditorLink::poll(TrackSet& tracks, std::uint32_t now) {
    LinkRequests requests;
    if (stage == Stage::Waiting && (!attempted || now - stageSince >= retryMilliseconds))
        startConnecting(now);
    if (stage == Stage::Connecting)
        checkConnect(now);
    if (stage == Stage::Greeting)
        checkGreeting(tracks, now, requests);
    if (stage != Stage::Linked)
        return requests;

    askNewTracks(tracks, requests);
    bool wellFormed = receiveCommands(tracks, requests);
    // Keys before a malformed command still count.
    wellFormed = publishKeys(tracks, requests) && wellFormed;
    if (!wellFormed) {
        // The keys so far stay; the next connection asks for every track again.
        stage = Stage::Waiting;
        stageSince = now;
        asked = 0;
        return requests;
    }
    flush();
    if (connection.getState() != platform::TcpConnection::State::Open)
        giveBack(tracks, requests, now);
    return requests;
}

void EditorLink::reportRow(std::uint32_t row) {
    if (stage != Stage::Linked || (rowKnown && row == lastRow))
        return;
    rowKnown = true;
    lastRow = row;
    synclink::appendSetRow(outbox, row);
    flush();
}

void EditorLink::startConnecting(std::uint32_t now) {
    if (!resolved) {
        // A name is looked up on a thread: until it is found, each poll only asks again.
        using Lookup = platform::TcpAddressLookup;
        if (!lookup)
            lookup = std::make_unique<Lookup>(host, port);
        std::string error;
        Lookup::State state = lookup->poll(address, error);
        if (state == Lookup::State::Pending)
            return;
        lookup.reset();
        resolved = state == Lookup::State::Found;
        if (!resolved) {
            attempted = true;
            stageSince = now;
            stopWith("editor at " + label + ": " + error, now);
            return;
        }
    }
    attempted = true;
    stageSince = now;
    connection.connect(address);
    stage = Stage::Connecting;
}

void EditorLink::checkConnect(std::uint32_t now) {
    using State = platform::TcpConnection::State;
    State state = connection.update();
    if (state == State::Open) {
        stage = Stage::Greeting;
        stageSince = now;
        inbox.clear();
        outbox.clear();
        outbox.insert(outbox.end(), synclink::clientGreeting,
                      synclink::clientGreeting + synclink::clientGreetingSize);
    } else if (state == State::Closed) {
        stopWith("no editor at " + label + " (" + connection.getError() + ")", now);
    } else if (now - stageSince >= answerMilliseconds) {
        stopWith("the editor at " + label + " does not accept the connection", now);
    }
}

void EditorLink::checkGreeting(TrackSet& tracks, std::uint32_t now, LinkRequests& requests) {
    flush();
    receiveSome();
    std::size_t compared = std::min(inbox.size(), synclink::editorGreetingSize);
    if (!std::equal(inbox.begin(), inbox.begin() + std::ptrdiff_t(compared),
                    synclink::editorGreeting)) {
        stopWith("the program at " + label + " is not a sync-tracker editor (wrong greeting)", now);
    } else if (compared == synclink::editorGreetingSize) {
        inbox.erase(inbox.begin(), inbox.begin() + std::ptrdiff_t(compared));
        becomeLinked(tracks, requests);
    } else if (connection.getState() != platform::TcpConnection::State::Open) {
        stopWith("the editor at " + label + " closed the connection before greeting", now);
    } else if (now - stageSince >= answerMilliseconds) {
        stopWith("the editor at " + label + " does not answer the greeting", now);
    }
}

void EditorLink::becomeLinked(TrackSet& tracks, LinkRequests& requests) {
    stage = Stage::Linked;
    refused = false;
    asked = 0;
    rowKnown = false;
    say("connected to the editor at " + label, false);
    askNewTracks(tracks, requests);
}

void EditorLink::askNewTracks(TrackSet& tracks, LinkRequests& requests) {
    std::uint32_t count = std::uint32_t(tracks.getTrackCount());
    if (asked >= count)
        return;
    if (editorKeys.size() < count) {
        editorKeys.resize(count);
        pending.resize(count);
        changed.resize(count);
    }
    for (; asked < count; ++asked) {
        Track* track = tracks.getTrackAt(int(asked));
        // The editor's keys follow at once; until then the track has none.
        track->setKeys(nullptr, 0);
        editorKeys[asked].clear();
        pending[asked].clear();
        changed[asked] = 0;
        synclink::appendGetTrack(outbox, track->getName());
    }
    requests.tracksChanged = true;
    flush();
}

bool EditorLink::receiveCommands(TrackSet& tracks, LinkRequests& requests) {
    // Bytes left from the greeting's read come first.
    if (!decodeWaiting(tracks, requests))
        return false;
    for (std::size_t read = 0; read < readPerPoll;) {
        // The last read of a poll stops at the bound.
        std::size_t room = std::min(sizeof chunk, readPerPoll - read);
        long got = connection.receive(chunk, room);
        if (got <= 0)
            break;
        read += std::size_t(got);
        inbox.insert(inbox.end(), chunk, chunk + got);
        if (!decodeWaiting(tracks, requests))
            return false;
    }
    return true;
}

bool EditorLink::decodeWaiting(TrackSet& tracks, LinkRequests& requests) {
    std::size_t at = 0;
    for (;;) {
        DecodedCommand command =
            synclink::decodeCommand(inbox.data() + at, inbox.size() - at, asked);
        if (command.status == DecodedCommand::Incomplete)
            break;
        if (command.status == DecodedCommand::Malformed) {
            std::string what = command.problem;
            if (command.known) {
                std::string on = commandName(command.command);
                bool hasTrack = command.command == EditorCommand::SetKey ||
                                command.command == EditorCommand::DeleteKey;
                if (hasTrack && command.track < asked)
                    on += std::string(" on track '") +
                          tracks.getTrackAt(int(command.track))->getName() + "'";
                if (hasTrack && command.track < asked && command.row <= synclink::highestRow)
                    on += " at row " + std::to_string(command.row);
                what = on + ": " + what;
            }
            refuse("sent a malformed command (" + what + ")");
            return false;
        }
        apply(command, tracks, requests);
        at += command.size;
        if (refused)
            return false;
    }
    // A partial command waits at the front for the rest of its bytes.
    inbox.erase(inbox.begin(), inbox.begin() + std::ptrdiff_t(at));
    return true;
}

void EditorLink::apply(const DecodedCommand& command, TrackSet& tracks, LinkRequests& requests) {
    std::int32_t row = std::int32_t(command.row);
    switch (command.command) {
    case EditorCommand::SetKey:
    case EditorCommand::DeleteKey: {
        std::vector<synclink::KeyEdit>& edits = pending[command.track];
        bool remove = command.command == EditorCommand::DeleteKey;
        edits.push_back(synclink::KeyEdit{row, std::uint32_t(edits.size()), command.value,
                                          command.interpolation, remove});
        changed[command.track] = 1;
        break;
    }
    case EditorCommand::SetRow:
        requests.seek = true;
        requests.row = command.row;
        // The editor knows this row already; it is not told it back.
        rowKnown = true;
        lastRow = command.row;
        break;
    case EditorCommand::Pause:
        requests.pauseChanged = true;
        requests.paused = command.paused;
        break;
    case EditorCommand::SaveTracks:
        // The files hold exactly the keys sent before the command.
        if (publishKeys(tracks, requests))
            save(tracks, requests);
        break;
    }
}

bool EditorLink::publishKeys(TrackSet& tracks, LinkRequests& requests) {
    bool withinCap = true;
    for (std::uint32_t i = 0; i < asked; ++i) {
        if (!changed[i])
            continue;
        changed[i] = 0;
        std::vector<synclink::KeyEdit>& edits = pending[i];
        std::vector<TrackKey>& keys = editorKeys[i];
        synclink::mergeKeyEdits(keys, edits, merged);
        edits.clear();
        if (merged.size() > maxKeysPerTrack) {
            // This poll's edits of the track are dropped; the keys it had stay.
            if (withinCap)
                refuse("sent more than " + std::to_string(maxKeysPerTrack) + " keys for track '" +
                       tracks.getTrackAt(int(i))->getName() + "'");
            withinCap = false;
            continue;
        }
        keys.swap(merged);
        tracks.getTrackAt(int(i))->setKeys(keys.data(), int(keys.size()));
        requests.tracksChanged = true;
    }
    return withinCap;
}

void EditorLink::refuse(const std::string& what) {
    refused = true;
    connection.close();
    inbox.clear();
    outbox.clear();
    say("the editor at " + label + " " + what + "; connection closed", true);
}

void EditorLink::save(TrackSet& tracks, LinkRequests& requests) {
    requests.saved = true;
    try {
        saveTracks(tracks, tracks.getBase());
        say("saved " + std::to_string(tracks.getTrackCount()) + " tracks to " + tracks.getBase(),
            false);
    } catch (const Kem::Exception& error) {
        say(std::string("saving the tracks failed: ") + error.getMessage().getData(), true);
    } catch (const std::exception& error) {
        say(std::string("saving the tracks failed: ") + error.what(), true);
    }
}

void EditorLink::flush() {
    std::size_t sent = 0;
    while (sent < outbox.size()) {
        long took = connection.send(outbox.data() + sent, outbox.size() - sent);
        if (took <= 0)
            break;
        sent += std::size_t(took);
    }
    outbox.erase(outbox.begin(), outbox.begin() + std::ptrdiff_t(sent));
    if (outbox.size() > unsentLimit) {
        connection.close();
        outbox.clear();
    }
}

void EditorLink::receiveSome() {
    long got = connection.receive(chunk, sizeof chunk);
    if (got > 0)
        inbox.insert(inbox.end(), chunk, chunk + got);
}

void EditorLink::giveBack(TrackSet& tracks, LinkRequests& requests, std::uint32_t now) {
    for (std::uint32_t i = 0; i < asked; ++i)
        tracks.reloadTrack(tracks.getTrackAt(int(i)));
    if (asked > 0)
        requests.tracksChanged = true;
    asked = 0;
    std::string why = connection.getError();
    stopWith("the editor at " + label + " went away" + (why.empty() ? "" : " (" + why + ")") +
                 "; playing from the track files",
             now);
}

void EditorLink::stopWith(const std::string& text, std::uint32_t now) {
    connection.close();
    inbox.clear();
    outbox.clear();
    stage = Stage::Waiting;
    stageSince = now;
    say(text, true);
}

void EditorLink::say(const std::string& text, bool error) {
    messageIsError = error;
    if (text == message)
        return;
    message = text;
    std::fprintf(stderr, "editor link: %s\n", message.c_str());
}
