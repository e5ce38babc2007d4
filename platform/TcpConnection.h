// A TCP client that never waits: the connect completes over later calls, sends take what the
// system accepts now, receives return what has already arrived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A resolved address, kept as opaque bytes so that callers need no system headers.
struct TcpAddress {
    unsigned char bytes[128] = {};
    unsigned length = 0;
};

// Looks the host up (numeric addresses at once; a name may wait on the system's resolver, so
// resolve once and keep the address). False with a reason in `error`.
bool resolveTcpAddress(const std::string& host, std::uint16_t port, TcpAddress& address,
                       std::string& error);

// A host looked up without waiting: a numeric address at once, a name on a thread of its own
// whose answer a later poll picks up, so a frame loop never stalls on the system's resolver. A
// lookup the system never answers holds only that thread, which is left to finish alone.
class TcpAddressLookup {
public:
    enum class State { Pending, Found, Failed };

    TcpAddressLookup(const std::string& host, std::uint16_t port);
    ~TcpAddressLookup();
    TcpAddressLookup(const TcpAddressLookup&) = delete;
    TcpAddressLookup& operator=(const TcpAddressLookup&) = delete;

    // Found: the address is in `address`; Failed: `error` says why.
    State poll(TcpAddress& address, std::string& error);

private:
    struct Shared;
    std::shared_ptr<Shared> shared;
};

class TcpConnection {
public:
    enum class State { Closed, Connecting, Open };

    TcpConnection() = default;
    ~TcpConnection();
    TcpConnection(const TcpConnection&) = delete;
    TcpConnection& operator=(const TcpConnection&) = delete;

    // Starts connecting (closing any earlier connection). A refusal known at once leaves the
    // state Closed with getError() saying why.
    void connect(const TcpAddress& address);
    // Connecting becomes Open or Closed once the system knows; Open and Closed stay as they are.
    State update();
    State getState() const { return state; }
    // Bytes the system took now (possibly fewer than asked, or 0); -1 when the connection has
    // failed, which closes it. Never raises a signal for a peer that went away.
    long send(const void* data, std::size_t size);
    // Bytes read into the buffer; 0 when nothing is waiting; -1 when the peer closed the
    // connection or it failed, which closes it.
    long receive(void* buffer, std::size_t capacity);
    void close();
    // Why the last connect, send or receive failed; empty after a clean close by the peer.
    const std::string& getError() const { return error; }

private:
    void fail(const char* what, int code);

    int socket = -1;
    State state = State::Closed;
    std::string error;
};

} // namespace platform
