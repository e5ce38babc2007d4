// The fake editor on POSIX sockets; every wait is bounded and keeps polling the link.
#include "FakeEditor.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace linktest {

namespace {

constexpr int patience = 2000; // polls, a millisecond apart

void append32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>(value >> shift));
}

} // namespace

Bytes setKey(std::uint32_t track, std::uint32_t row, float value, std::uint8_t interpolation) {
    Bytes out{0};
    append32(out, track);
    append32(out, row);
    std::uint32_t bits;
    std::memcpy(&bits, &value, 4);
    append32(out, bits);
    out.push_back(interpolation);
    return out;
}

Bytes deleteKey(std::uint32_t track, std::uint32_t row) {
    Bytes out{1};
    append32(out, track);
    append32(out, row);
    return out;
}

Bytes setRow(std::uint32_t row) {
    Bytes out{3};
    append32(out, row);
    return out;
}

Bytes pause(bool paused) {
    return Bytes{4, paused ? std::uint8_t(1) : std::uint8_t(0)};
}

Bytes saveTracks() {
    return Bytes{5};
}

Bytes getTrack(const std::string& name) {
    Bytes out{2};
    append32(out, std::uint32_t(name.size()));
    out.insert(out.end(), name.begin(), name.end());
    return out;
}

Bytes text(const std::string& characters) {
    return Bytes(characters.begin(), characters.end());
}

Bytes join(const std::vector<Bytes>& parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

FakeEditor::FakeEditor(std::function<void()> pump) : pump(std::move(pump)) {
    listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener, 4) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
        return;
    port = ntohs(address.sin_port);
}

FakeEditor::~FakeEditor() {
    drop();
    stopListening();
}

bool FakeEditor::accept() {
    drop();
    for (int i = 0; i < patience && listener >= 0; ++i) {
        pump();
        client = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
        if (client >= 0)
            return true;
        usleep(1000);
    }
    return false;
}

bool FakeEditor::hasWaitingConnection() {
    int waiting = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK);
    if (waiting < 0)
        return false;
    ::close(waiting);
    return true;
}

Bytes FakeEditor::read(std::size_t count) {
    Bytes out;
    for (int i = 0; i < patience && out.size() < count && client >= 0; ++i) {
        unsigned char buffer[256];
        std::size_t wanted = std::min(sizeof buffer, count - out.size());
        ssize_t got = ::recv(client, buffer, wanted, 0);
        if (got > 0) {
            out.insert(out.end(), buffer, buffer + got);
            continue;
        }
        if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            break;
        pump();
        usleep(1000);
    }
    return out;
}

bool FakeEditor::closedByLink() {
    for (int i = 0; i < patience && client >= 0; ++i) {
        unsigned char buffer[256];
        ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK))
            return true;
        if (got < 0) {
            pump();
            usleep(1000);
        }
    }
    return false;
}

void FakeEditor::write(const Bytes& bytes) {
    std::size_t sent = 0;
    for (int i = 0; i < patience && sent < bytes.size() && client >= 0; ++i) {
        ssize_t took = ::send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (took > 0)
            sent += std::size_t(took);
        else if (took < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
            break; // the link has closed the connection
        else
            usleep(1000);
    }
}

void FakeEditor::trickle(const Bytes& bytes) {
    for (unsigned char byte : bytes) {
        write(Bytes{byte});
        pump();
    }
}

void FakeEditor::drop() {
    if (client >= 0)
        ::close(client);
    client = -1;
}

void FakeEditor::stopListening() {
    if (listener >= 0)
        ::close(listener);
    listener = -1;
}

} // namespace linktest
