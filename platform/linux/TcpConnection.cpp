// TcpConnection on POSIX sockets: non-blocking descriptors, connect completion read with poll().
#include "platform/TcpConnection.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace platform {

namespace {

bool resolve(const std::string& host, std::uint16_t port, bool numericOnly, TcpAddress& address,
             std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | (numericOnly ? AI_NUMERICHOST : 0);
    std::string service = std::to_string(port);
    addrinfo* found = nullptr;
    int result = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
    if (result != 0 || !found) {
        error = "cannot find " + host + ": " + gai_strerror(result);
        return false;
    }
    // Editors commonly listen on IPv4 only, while "localhost" may name ::1 first.
    const addrinfo* chosen = found;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family == AF_INET) {
            chosen = entry;
            break;
        }
    }
    bool fits = chosen->ai_addrlen <= sizeof address.bytes;
    if (fits) {
        std::memcpy(address.bytes, chosen->ai_addr, chosen->ai_addrlen);
        address.length = unsigned(chosen->ai_addrlen);
    } else {
        error = "the address of " + host + " is too long";
    }
    freeaddrinfo(found);
    return fits;
}

} // namespace

bool resolveTcpAddress(const std::string& host, std::uint16_t port, TcpAddress& address,
                       std::string& error) {
    return resolve(host, port, false, address, error);
}

struct TcpAddressLookup::Shared {
    std::mutex lock;
    State state = State::Pending;
    TcpAddress address;
    std::string error;
};

TcpAddressLookup::TcpAddressLookup(const std::string& host, std::uint16_t port)
    : shared(std::make_shared<Shared>()) {
    std::string ignored;
    if (resolve(host, port, true, shared->address, ignored)) {
        shared->state = State::Found;
        return;
    }
    std::thread([result = shared, host, port] {
        TcpAddress address;
        std::string error;
        bool found = resolve(host, port, false, address, error);
        std::lock_guard<std::mutex> hold(result->lock);
        result->address = address;
        result->error = error;
        result->state = found ? State::Found : State::Failed;
    }).detach();
}

TcpAddressLookup::~TcpAddressLookup() = default;

TcpAddressLookup::State TcpAddressLookup::poll(TcpAddress& address, std::string& error) {
    std::lock_guard<std::mutex> hold(shared->lock);
    if (shared->state == State::Found)
        address = shared->address;
    else if (shared->state == State::Failed)
        error = shared->error;
    return shared->state;
}

TcpConnection::~TcpConnection() {
    close();
}

void TcpConnection::connect(const TcpAddress& address) {
    close();
    error.clear();
    const auto* target = reinterpret_cast<const sockaddr*>(address.bytes);
    if (address.length < sizeof(sa_family_t)) {
        error = "no address to connect to";
        return;
    }
    socket = ::socket(target->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0) {
        fail("socket", errno);
        return;
    }
    // Commands are a few bytes each and should leave at once.
    int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(socket, target, socklen_t(address.length)) == 0) {
        state = State::Open;
    } else if (errno == EINPROGRESS || errno == EINTR) {
        state = State::Connecting;
    } else {
        fail("connect", errno);
    }
}

TcpConnection::State TcpConnection::update() {
    if (state != State::Connecting)
        return state;
    pollfd entry{socket, POLLOUT, 0};
    int ready = ::poll(&entry, 1, 0);
    if (ready < 0 && errno != EINTR) {
        fail("poll", errno);
    } else if (ready > 0) {
        int code = 0;
        socklen_t size = sizeof code;
        if (getsockopt(socket, SOL_SOCKET, SO_ERROR, &code, &size) != 0)
            code = errno;
        if (code == 0)
            state = State::Open;
        else
            fail("connect", code);
    }
    return state;
}

long TcpConnection::send(const void* data, std::size_t size) {
    if (state != State::Open)
        return -1;
    if (size == 0)
        return 0;
    ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
    if (sent >= 0)
        return long(sent);
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    fail("send", errno);
    return -1;
}

long TcpConnection::receive(void* buffer, std::size_t capacity) {
    if (state != State::Open)
        return -1;
    if (capacity == 0)
        return 0;
    ssize_t got = ::recv(socket, buffer, capacity, 0);
    if (got > 0)
        return long(got);
    if (got == 0) {
        error.clear();
        close();
        return -1;
    }
    if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)
        return 0;
    fail("receive", errno);
    return -1;
}

void TcpConnection::close() {
    if (socket >= 0)
        ::close(socket);
    socket = -1;
    state = State::Closed;
}

void TcpConnection::fail(const char* what, int code) {
    close();
    error = std::string(what) + ": " + std::strerror(code);
}

} // namespace platform
