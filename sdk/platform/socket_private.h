// What INetwork needs of a TCP socket beyond SDL_net's calls: transfers that
// never block, one wait on many sockets for reading and writing, a way to
// wake that wait, and a way to cut a connection under a blocked thread.
// SDK-internal.
#ifndef QUENLAR_PLATFORM_SOCKET_PRIVATE_H
#define QUENLAR_PLATFORM_SOCKET_PRIVATE_H

#include <SDL_net.h>

#include <cstddef>

namespace qnl {
namespace platform {

// The system's handle of an SDL_net socket (SDL_net keeps it to itself), or
// -1 when the system does not confirm it: a connected socket's peer must be
// the one SDL_net reports; a listening socket must listen, on `port` unless
// that is 0.
int SocketHandle(TCPsocket socket);
int ListenerHandle(TCPsocket socket, Uint16 port);

// Lets up to `connections` connections wait to be accepted on a listening
// socket (SDL_net allows 5: a burst of connections would see some refused
// by the system and retried a second later).
bool SetBacklog(int handle, int connections);

// Transfers on a connected socket's handle that return at once. Results:
// the bytes moved (> 0); kWouldBlock when the socket has nothing to read or
// no room to write; kEnded when the peer closed the connection (reading) or
// the connection failed.
enum : long { kWouldBlock = 0, kEnded = -1 };
long SendSome(int handle, const void *bytes, size_t size);
long ReceiveSome(int handle, void *bytes, size_t size);
// A receive that waits for data up to the socket's receive timeout (then
// kWouldBlock); the calls above are not affected by it.
bool SetReceiveTimeout(int handle, int ms);
long ReceiveWaiting(int handle, void *bytes, size_t size);

// One entry of WaitSockets: what to wait for, and what was found. A socket
// that failed or was closed by its peer counts as readable (a read then
// tells) and as writable (a write then fails).
struct SocketWait {
    int handle = -1;
    bool read = false, write = false;
    bool readable = false, writable = false;
};

// Waits until one of the sockets is ready or `ms` milliseconds passed.
// Returns how many are ready (0 on timeout), or -1 on failure.
int WaitSockets(SocketWait *waits, size_t count, int ms);

// Wakes a thread waiting in WaitSockets: the waiting thread includes
// Handle() for reading and calls Clear() once it was woken; any thread may
// call Wake().
class Waker {
public:
    Waker();
    ~Waker();
    Waker(const Waker &) = delete;
    Waker &operator=(const Waker &) = delete;

    bool IsValid() const { return read_ >= 0; }
    int Handle() const { return read_; }
    void Wake();
    void Clear();

private:
    int read_ = -1, write_ = -1;
};

// Shuts a connected socket down in both directions, so that a thread blocked
// sending to a peer that no longer reads (or waiting to receive) returns at
// once. The socket stays open; its owner still closes it. False when the
// socket is not a connected one (a listening socket, say).
bool AbortConnection(TCPsocket socket);

} // namespace platform
} // namespace qnl

#endif
