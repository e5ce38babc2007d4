// A sync-tracker editor of our own for the link's tests: a listening socket on the loopback
// interface, driven one step at a time while the link is polled in between.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace linktest {

using Bytes = std::vector<unsigned char>;

// The editor's commands and the client's, as bytes on the wire.
Bytes setKey(std::uint32_t track, std::uint32_t row, float value, std::uint8_t interpolation);
Bytes deleteKey(std::uint32_t track, std::uint32_t row);
Bytes setRow(std::uint32_t row);
Bytes pause(bool paused);
Bytes saveTracks();
Bytes getTrack(const std::string& name);
Bytes text(const std::string& characters);
Bytes join(const std::vector<Bytes>& parts);

class FakeEditor {
public:
    // `pump` polls the link once; it is called while waiting for the link to act.
    explicit FakeEditor(std::function<void()> pump);
    ~FakeEditor();
    FakeEditor(const FakeEditor&) = delete;
    FakeEditor& operator=(const FakeEditor&) = delete;

    std::uint16_t getPort() const { return port; }
    // Takes the link's next connection; false when none came.
    bool accept();
    // True when the link has a connection waiting that was not taken.
    bool hasWaitingConnection();
    // The next `count` bytes from the link (fewer when it closed or took too long).
    Bytes read(std::size_t count);
    // True when the link closed the connection (after reading what is left).
    bool closedByLink();
    void write(const Bytes& bytes);
    // Byte by byte, the link polled after each.
    void trickle(const Bytes& bytes);
    void drop();
    void stopListening();

private:
    std::function<void()> pump;
    int listener = -1;
    int client = -1;
    std::uint16_t port = 0;
};

} // namespace linktest
