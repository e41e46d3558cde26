// AbortConnection over BSD sockets.
#include <quenlar/platform/socket_private.h>

#include <arpa/inet.h>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>

namespace qnl {
namespace platform {

namespace {
// The leading fields of an SDL_net 1.2 TCP socket: SDL_net keeps the
// descriptor to itself. The descriptor read here is used only after the
// system confirmed it is connected to the very peer SDL_net reports.
struct TcpSocketHead {
    int ready;
    int channel;
};
} // namespace

bool AbortConnection(TCPsocket socket) {
    if (!socket) return false;
    IPaddress *peer = SDLNet_TCP_GetPeerAddress(socket);
    if (!peer) return false;
    int fd = -1;
    memcpy(&fd, reinterpret_cast<const char *>(socket) + offsetof(TcpSocketHead, channel),
           sizeof fd);
    if (fd < 0) return false;

    sockaddr_in address;
    socklen_t length = sizeof address;
    memset(&address, 0, sizeof address);
    if (getpeername(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0 ||
        address.sin_family != AF_INET || address.sin_addr.s_addr != peer->host ||
        address.sin_port != peer->port)
        return false;
    return shutdown(fd, SHUT_RDWR) == 0;
}

} // namespace platform
} // namespace qnl
