// INetwork's socket calls over BSD sockets and poll.
#include <quenlar/platform/socket_private.h>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>
#include <vector>

namespace qnl {
namespace platform {

namespace {
// The leading fields of an SDL_net 1.2 TCP socket: SDL_net keeps the
// descriptor to itself. The descriptor read here is used only after the
// system confirmed it belongs to the socket SDL_net describes.
struct TcpSocketHead {
    int ready;
    int channel;
};

int Channel(TCPsocket socket) {
    int fd = -1;
    memcpy(&fd, reinterpret_cast<const char *>(socket) + offsetof(TcpSocketHead, channel),
           sizeof fd);
    return fd;
}

bool IsPeer(int fd, const IPaddress &peer) {
    sockaddr_in address;
    socklen_t length = sizeof address;
    memset(&address, 0, sizeof address);
    return getpeername(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0 &&
           address.sin_family == AF_INET && address.sin_addr.s_addr == peer.host &&
           address.sin_port == peer.port;
}

bool IsListening(int fd, Uint16 port) {
    sockaddr_in address;
    socklen_t length = sizeof address;
    memset(&address, 0, sizeof address);
    int listening = 0;
    socklen_t size = sizeof listening;
    return getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0 &&
           address.sin_family == AF_INET && (port == 0 || ntohs(address.sin_port) == port) &&
           getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) == 0 && listening;
}
} // namespace

int SocketHandle(TCPsocket socket) {
    IPaddress *peer = socket ? SDLNet_TCP_GetPeerAddress(socket) : nullptr;
    int fd = peer ? Channel(socket) : -1;
    return fd >= 0 && IsPeer(fd, *peer) ? fd : -1;
}

int ListenerHandle(TCPsocket socket, Uint16 port) {
    int fd = socket ? Channel(socket) : -1;
    return fd >= 0 && IsListening(fd, port) ? fd : -1;
}

bool SetBacklog(int handle, int connections) {
    return listen(handle, connections) == 0;
}

long SendSome(int handle, const void *bytes, size_t size) {
    for (;;) {
        ssize_t sent = send(handle, bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent >= 0) return (long)sent;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? kWouldBlock : kEnded;
    }
}

long ReceiveSome(int handle, void *bytes, size_t size) {
    for (;;) {
        ssize_t got = recv(handle, bytes, size, MSG_DONTWAIT);
        if (got > 0) return (long)got;
        if (got == 0) return kEnded;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? kWouldBlock : kEnded;
    }
}

bool SetReceiveTimeout(int handle, int ms) {
    timeval timeout;
    timeout.tv_sec = ms / 1000;
    timeout.tv_usec = (ms % 1000) * 1000;
    return setsockopt(handle, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0;
}

long ReceiveWaiting(int handle, void *bytes, size_t size) {
    ssize_t got = recv(handle, bytes, size, 0);
    if (got > 0) return (long)got;
    if (got == 0) return kEnded;
    // A signal ends the wait early, as the timeout does.
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR ? kWouldBlock : kEnded;
}

int WaitSockets(SocketWait *waits, size_t count, int ms) {
    // The thread's own array, kept between calls: a wait allocates nothing.
    thread_local std::vector<pollfd> fds;
    fds.resize(count);
    for (size_t i = 0; i < count; ++i) {
        fds[i].fd = waits[i].handle;
        fds[i].events = (short)((waits[i].read ? POLLIN : 0) | (waits[i].write ? POLLOUT : 0));
        fds[i].revents = 0;
    }
    int ready;
    do
        ready = poll(fds.data(), (nfds_t)count, ms);
    while (ready < 0 && errno == EINTR);
    for (size_t i = 0; i < count; ++i) {
        short seen = ready > 0 ? fds[i].revents : 0;
        bool failed = seen & (POLLERR | POLLHUP | POLLNVAL);
        waits[i].readable = waits[i].read && ((seen & POLLIN) || failed);
        waits[i].writable = waits[i].write && ((seen & POLLOUT) || failed);
    }
    return ready;
}

Waker::Waker() {
    int fds[2];
    if (pipe(fds) != 0) return;
    for (int fd : fds) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    read_ = fds[0];
    write_ = fds[1];
}

Waker::~Waker() {
    if (read_ >= 0) close(read_);
    if (write_ >= 0) close(write_);
}

void Waker::Wake() {
    // A full pipe already wakes the reader: the byte is not needed then.
    char byte = 1;
    if (write_ >= 0 && write(write_, &byte, 1) < 0) {
    }
}

void Waker::Clear() {
    char bytes[64];
    while (read_ >= 0 && read(read_, bytes, sizeof bytes) > 0) {
    }
}

bool AbortConnection(TCPsocket socket) {
    int fd = SocketHandle(socket);
    return fd >= 0 && shutdown(fd, SHUT_RDWR) == 0;
}

} // namespace platform
} // namespace qnl
