// INetwork's server side: listening, logins, the client table, broadcasting,
// logging clients out and closing.
//
// Index
//   Start and close ...... StartServer, CloseServer, CloseServerNow
//   The client table ..... ClientCount ... LogoutClient, LogoutLocked
//   Broadcasting ......... Broadcast, BroadcastLocked
//   Socket set ........... ReapLocked, RebuildSetLocked
//   The server thread .... ServerThread, Accept, ServicePending, HandleLogin,
//                          Refuse, ExpirePending, ServiceClients
#include <quenlar/net/network_private.h>

#include <quenlar/core/clock.h>

#include <cinttypes>
#include <cstring>

using namespace qnl::net;

// ---------------------------------------------------------------------------
// Start and close
// ---------------------------------------------------------------------------
int QNetwork::StartServer(Uint16 port) {
    State &s = *state_;
    MutexLock life(s.lifeLock);
    if (s.serverRunning) {
        s.Log(0, " . [INetwork->StartServer(%d)] Error: the server is already running.\n", port);
        return 0;
    }
    s.JoinServerThread(); // one that ended by itself
    if (!s.EnsureStarted("StartServer()")) return 0;

    IPaddress address;
    TCPsocket listener = nullptr;
    if (SDLNet_ResolveHost(&address, nullptr, port) == 0) listener = SDLNet_TCP_Open(&address);
    if (!listener) {
        s.Log(0, " . [INetwork->StartServer(%d)] Error: cannot listen on port %d: %s\n", port, port,
              SDLNet_GetError());
        return 0;
    }

    {
        MutexLock table(s.tableLock);
        s.clients.clear();
        s.detached.clear();
        s.pending.clear();
        s.listenSocket = listener;
        s.RebuildSetLocked();
    }
    if (!s.serverSet) {
        SDLNet_TCP_Close(listener);
        s.listenSocket = nullptr;
        return 0;
    }

    s.serverState = kRunning;
    s.serverRunning = 1;
    s.serverThreadAlive = 1;
    s.serverThread = SDL_CreateThread(&State::ServerThread, &s);
    if (!s.serverThread) {
        s.Log(0, " . [INetwork->StartServer(%d)] Error: no thread: %s\n", port, SDL_GetError());
        s.serverThreadAlive = 0;
        s.CloseServerNow();
        s.serverState = kIdle;
        return 0;
    }
    s.Log(5, " . [INetwork->StartServer(%d)] Info: server listening.\n", port);
    return 1;
}

void QNetwork::CloseServer() {
    State &s = *state_;
    MutexLock life(s.lifeLock);
    if (s.serverRunning) s.StopSide(1, 750);
    s.JoinServerThread();
}

void QNetwork::State::JoinServerThread() {
    if (serverThread) SDL_WaitThread(serverThread, nullptr);
    serverThread = nullptr;
    serverThreadAlive = 0;
}

// Runs on the server thread when it ends, or on the closing thread once the
// server thread is gone.
void QNetwork::State::CloseServerNow() {
    if (!OnServerThread()) serverThreadAlive = 0; // the thread is gone: close here
    MutexLock table(tableLock);
    while (!clients.empty())
        LogoutLocked(0, true);
    ReapLocked();
    TCPsocket listener = listenSocket;
    {
        MutexLock sets(setLock);
        for (PendingSlot &slot : pending)
            CloseSocketLocked(slot.socket);
        if (serverSet) SDLNet_FreeSocketSet(serverSet);
        serverSet = nullptr;
        if (listener) SDLNet_TCP_Close(listener);
        listenSocket = nullptr;
    }
    pending.clear();
    setDirty = false;
    if (listener) Log(2, " [INetwork Server] Info: server closed.\n");
    serverRunning = 0;
}

void QNetwork::State::CloseSocketLocked(TCPsocket socket) {
    for (size_t i = 0; i < serverLive.size(); ++i)
        if (serverLive[i] == socket) {
            serverLive.erase(serverLive.begin() + (long)i);
            break;
        }
    SDLNet_TCP_Close(socket);
}

// ---------------------------------------------------------------------------
// The client table
// ---------------------------------------------------------------------------
int QNetwork::State::FindSocketLocked(TCPsocket socket) const {
    for (size_t i = 0; i < clients.size(); ++i)
        if (clients[i].socket == socket) return (int)i;
    return -1;
}

int QNetwork::State::FindNameLocked(const char *name) const {
    for (size_t i = 0; i < clients.size(); ++i)
        if (strcmp(clients[i].name, name) == 0) return (int)i;
    return -1;
}

namespace {
// The state whose server thread is the current thread (SDL 1.2 thread ids
// are cut to 32 bits, so they are not compared).
thread_local const QNetwork::State *tServerOf = nullptr;
} // namespace

bool QNetwork::State::OnServerThread() const {
    return tServerOf == this;
}

int QNetwork::ClientCount() {
    MutexLock table(state_->tableLock);
    return (int)state_->clients.size();
}

int QNetwork::ClientName(int index, char *name) {
    MutexLock table(state_->tableLock);
    if (!name || index < 0 || index >= (int)state_->clients.size()) return 0;
    memcpy(name, state_->clients[index].name, NET_NAMESIZE);
    return 1;
}

int QNetwork::FindClient(const char *name) {
    if (!name) return -1;
    MutexLock table(state_->tableLock);
    return state_->FindNameLocked(name);
}

TCPsocket QNetwork::ClientSocket(int index) {
    MutexLock table(state_->tableLock);
    if (index < 0 || index >= (int)state_->clients.size()) return nullptr;
    return state_->clients[index].socket;
}

int QNetwork::LogoutClient(int index, int notify) {
    State &s = *state_;
    MutexLock table(s.tableLock);
    if (index < 0 || index >= (int)s.clients.size()) {
        s.Log(0, " . [INetwork->LogoutClient(%d,%d)] Error: there is no client %d.\n", index,
              notify, index);
        return 0;
    }
    s.LogoutLocked(index, notify != 0);
    return 1;
}

void QNetwork::State::LogoutLocked(int index, bool notify) {
    ClientSlot &slot = clients[index];
    if (notify) SendSystem(slot.socket, NETCMD_LOGGEDOUT, 1, "server");

    TCPsocket socket = slot.socket;
    char name[NET_NAMESIZE];
    memcpy(name, slot.name, sizeof name);
    // While the server thread runs, only it may close: it may be waiting on
    // this very socket right now.
    bool defer = serverThreadAlive && !OnServerThread();
    if (defer) {
        detached.push_back(socket);
    } else {
        MutexLock sets(setLock);
        CloseSocketLocked(socket);
    }
    Log(2, " [INetwork Server] Info: client '%s' logged out,it was using socket 0x%" PRIxPTR ".\n",
        name, (uintptr_t)socket);
    clients.erase(clients.begin() + index);
    if (defer)
        setDirty = true;
    else
        RebuildSetLocked();

    DataNet left;
    left.type = DATANET_SYSTEM;
    left.cmd = NETCMD_LEFT;
    left.size = (Uint32)strlen(name) + 1;
    left.data = reinterpret_cast<Uint8 *>(name);
    BroadcastLocked(&left, -1, -1);

    // The application hears of it through its queue.
    left.data = new Uint8[left.size];
    memcpy(left.data, name, left.size);
    Enqueue(left, 1, name);
}

// ---------------------------------------------------------------------------
// Broadcasting
// ---------------------------------------------------------------------------
int QNetwork::Broadcast(DataNet *record, int excepted, int only) {
    if (!record) return 0;
    MutexLock table(state_->tableLock);
    return state_->BroadcastLocked(record, excepted, only);
}

int QNetwork::State::BroadcastLocked(DataNet *record, int excepted, int only) {
    int reached = 0;
    for (int i = 0; i < (int)clients.size(); ++i) {
        if ((only != -1 && i != only) || i == excepted || !clients[i].socket) continue;
        if (Transmit(clients[i].socket, record, 1, &clients[i].generator, "server")) {
            ++reached;
        } else {
            // An unreachable client stays in the table; its thread finds out.
            Log(0, " [INetwork Server] Error: DataNet could not be sent to '%s'.\n",
                clients[i].name);
            Print(record);
        }
    }
    return reached;
}

// ---------------------------------------------------------------------------
// Socket set
// ---------------------------------------------------------------------------
void QNetwork::State::ReapLocked() {
    if (!detached.empty()) {
        MutexLock sets(setLock);
        for (TCPsocket socket : detached)
            CloseSocketLocked(socket);
        detached.clear();
        setDirty = true;
    }
    if (setDirty) RebuildSetLocked();
}

void QNetwork::State::RebuildSetLocked() {
    MutexLock sets(setLock);
    setDirty = false;
    if (serverSet) SDLNet_FreeSocketSet(serverSet);
    serverSet = nullptr;
    if (!listenSocket) return;
    serverSet = SDLNet_AllocSocketSet(1 + NET_MAXCLIENTS + kMaxPending);
    if (!serverSet) {
        Log(0, " . [Network->UpdateSocketSet()] Error: %s\n", SDLNet_GetError());
        return;
    }
    SDLNet_TCP_AddSocket(serverSet, listenSocket);
    for (const ClientSlot &slot : clients)
        SDLNet_TCP_AddSocket(serverSet, slot.socket);
    for (const PendingSlot &slot : pending)
        SDLNet_TCP_AddSocket(serverSet, slot.socket);
}

// ---------------------------------------------------------------------------
// The server thread
// ---------------------------------------------------------------------------
int SDLCALL QNetwork::State::ServerThread(void *data) {
    State &s = *static_cast<State *>(data);
    tServerOf = &s;
    while (s.serverRunning) {
        {
            MutexLock table(s.tableLock);
            s.ReapLocked();
        }
        if (!s.serverSet) break; // its rebuild failed and said so
        int ready = SDLNet_CheckSockets(s.serverSet, kServerPollMs);
        if (!s.serverRunning) break; // asked to stop while waiting
        if (ready < 0) {
            s.Log(0, " [INetwork Server] Error: waiting for the clients failed: %s\n",
                  SDLNet_GetError());
            break;
        }
        if (ready > 0) {
            if (SDLNet_SocketReady(s.listenSocket)) s.Accept();
            s.ServiceClients();
            s.ServicePending();
        }
        s.ExpirePending();
    }
    s.CloseServerNow();
    s.serverState = kClosed;
    s.serverThreadAlive = 0;
    return 0;
}

void QNetwork::State::Accept() {
    TCPsocket socket = SDLNet_TCP_Accept(listenSocket);
    if (!socket) return;
    {
        MutexLock sets(setLock);
        serverLive.push_back(socket);
    }
    if ((int)pending.size() >= kMaxPending) {
        Refuse(socket, "server busy");
        return;
    }
    PendingSlot slot;
    slot.socket = socket;
    slot.since = QuenlarTicks();
    pending.push_back(std::move(slot));
    MutexLock table(tableLock);
    RebuildSetLocked();
}

void QNetwork::State::Refuse(TCPsocket socket, const char *reason) {
    SendSystem(socket, NETCMD_REFUSED, 1, "server", reason);
    Log(2, " [INetwork Server] Warning: login refused (%s), socket 0x%" PRIxPTR " closed.\n",
        reason, (uintptr_t)socket);
    MutexLock sets(setLock);
    CloseSocketLocked(socket);
}

void QNetwork::State::ServicePending() {
    for (size_t i = 0; i < pending.size();) {
        PendingSlot &slot = pending[i];
        if (!SDLNet_SocketReady(slot.socket)) {
            ++i;
            continue;
        }
        int got = SDLNet_TCP_Recv(slot.socket, slot.reader.Space(), slot.reader.Wanted());
        PacketReader::Status status = got > 0 ? slot.reader.Commit(got) : PacketReader::kFailed;
        if (status == PacketReader::kIncomplete) {
            ++i;
            continue;
        }
        PendingSlot done = std::move(slot);
        pending.erase(pending.begin() + (long)i);
        if (got <= 0) {
            MutexLock sets(setLock);
            CloseSocketLocked(done.socket);
        } else if (status == PacketReader::kFailed) {
            Refuse(done.socket, "malformed login");
        } else {
            DataNet login = done.reader.Take();
            HandleLogin(done, login);
            delete[] login.data;
        }
        MutexLock table(tableLock);
        RebuildSetLocked();
    }
}

void QNetwork::State::HandleLogin(PendingSlot &slot, const DataNet &login) {
    char name[NET_NAMESIZE];
    Uint32 seed = 0;
    if (login.type != DATANET_SYSTEM || login.cmd != NETCMD_LOGIN ||
        !ParseLogin(login.data, login.size, name, &seed)) {
        Refuse(slot.socket, "malformed login");
        return;
    }
    MutexLock table(tableLock);
    if ((int)clients.size() >= NET_MAXCLIENTS) {
        Refuse(slot.socket, "server full");
        return;
    }
    if (FindNameLocked(name) >= 0) {
        Refuse(slot.socket, "name in use");
        return;
    }

    ClientSlot client;
    client.socket = slot.socket;
    memcpy(client.name, name, sizeof name);
    Uint32 ours = NewSeed();
    client.generator.seed(ours);
    client.reader.SetMirrorSeed(seed);
    clients.push_back(std::move(client));
    int index = (int)clients.size() - 1;

    // The welcome goes first: the table lock keeps broadcasts waiting.
    Uint8 welcome[4] = {(Uint8)ours, (Uint8)(ours >> 8), (Uint8)(ours >> 16), (Uint8)(ours >> 24)};
    DataNet answer;
    answer.type = DATANET_SYSTEM;
    answer.cmd = NETCMD_WELCOME;
    answer.size = 4;
    answer.data = welcome;
    if (!Transmit(slot.socket, &answer, 1, nullptr, "server")) {
        clients.pop_back();
        MutexLock sets(setLock);
        CloseSocketLocked(slot.socket);
        return;
    }
    Log(2, " [INetwork Server] Info: client '%s' logged in,it is using socket 0x%" PRIxPTR ".\n",
        name, (uintptr_t)slot.socket);

    DataNet joined;
    joined.type = DATANET_SYSTEM;
    joined.cmd = NETCMD_JOINED;
    joined.size = (Uint32)strlen(name) + 1;
    joined.data = reinterpret_cast<Uint8 *>(name);
    BroadcastLocked(&joined, index, -1);
    joined.data = new Uint8[joined.size];
    memcpy(joined.data, name, joined.size);
    Enqueue(joined, 1, name);
}

void QNetwork::State::ExpirePending() {
    Uint32 now = QuenlarTicks();
    bool changed = false;
    for (size_t i = 0; i < pending.size();) {
        if (now - pending[i].since < kLoginTimeoutMs) {
            ++i;
            continue;
        }
        TCPsocket socket = pending[i].socket;
        pending.erase(pending.begin() + (long)i);
        Refuse(socket, "no login");
        changed = true;
    }
    if (changed) {
        MutexLock table(tableLock);
        RebuildSetLocked();
    }
}

void QNetwork::State::ServiceClients() {
    MutexLock table(tableLock);
    for (size_t i = 0; i < clients.size();) {
        ClientSlot &slot = clients[i];
        if (!SDLNet_SocketReady(slot.socket)) {
            ++i;
            continue;
        }
        int got = SDLNet_TCP_Recv(slot.socket, slot.reader.Space(), slot.reader.Wanted());
        if (got <= 0) {
            LogoutLocked((int)i, false); // the client went away
            continue;
        }
        PacketReader::Status status = slot.reader.Commit(got);
        if (status == PacketReader::kFailed) {
            Log(0, " [INetwork Server] Error: DataNet from '%s' dropped: %s.\n", slot.name,
                slot.reader.Error());
            LogoutLocked((int)i, true);
            continue;
        }
        if (status == PacketReader::kComplete) Enqueue(slot.reader.Take(), 1, slot.name);
        ++i;
    }
}
