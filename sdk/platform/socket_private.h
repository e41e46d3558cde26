// What INetwork needs of a TCP socket beyond SDL_net's calls. SDK-internal.
#ifndef QUENLAR_PLATFORM_SOCKET_PRIVATE_H
#define QUENLAR_PLATFORM_SOCKET_PRIVATE_H

#include <SDL_net.h>

namespace qnl {
namespace platform {

// Shuts a connected socket down in both directions, so that a thread blocked
// sending to a peer that no longer reads (or waiting to receive) returns at
// once. The socket stays open; its owner still closes it. False when the
// socket is not a connected one (a listening socket, say).
bool AbortConnection(TCPsocket socket);

} // namespace platform
} // namespace qnl

#endif
