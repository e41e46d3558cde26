// INetwork's server side: listening, logins, the client table, broadcasting,
// logging clients out and closing.
//
// Index
//   Start and close ...... StartServer, CloseServer, CloseServerNow
//   The client table ..... ClientCount ... LogoutClient, DetachLocked,
//                          AnnounceLeft, ReapDetached
//   Broadcasting ......... Broadcast, BroadcastTo
//   The server thread .... ServerThread, ServerPass, TakeTable, Accept,
//                          ServicePending, HandleLogin, Refuse, ExpirePending
#include <quenlar/net/network_private.h>

#include <quenlar/core/clock.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>

using namespace qnl::net;
using qnl::MutexLock;
using qnl::platform::SocketWait;

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
    int handle = qnl::platform::ListenerHandle(listener, port);
    if (handle < 0 || !s.serverWaker.IsValid() || !qnl::platform::SetBacklog(handle, kMaxPending)) {
        s.Log(0, " . [INetwork->StartServer(%d)] Error: the listening socket cannot be watched.\n",
              port);
        SDLNet_TCP_Close(listener);
        return 0;
    }

    {
        MutexLock table(s.tableLock);
        s.clients.clear();
        s.detached.clear();
    }
    s.pending.clear();
    s.listenSocket = listener;
    s.listenHandle = handle;
    s.serverWaker.Clear();
    s.serverState = kRunning;
    s.serverRunning = 1;
    s.serverThread = SDL_CreateThread(&State::ServerThread, &s);
    if (!s.serverThread) {
        s.Log(0, " . [INetwork->StartServer(%d)] Error: no thread: %s\n", port, SDL_GetError());
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
}

// Runs on the server thread when it ends, or on the closing thread once the
// server thread is gone.
void QNetwork::State::CloseServerNow() {
    for (;;) {
        char name[NET_NAMESIZE];
        {
            MutexLock table(tableLock);
            if (clients.empty()) break;
            memcpy(name, clients[0]->name, sizeof name);
            DetachLocked(0, true);
        }
        AnnounceLeft(name);
    }
    ReapDetached();
    for (PendingSlot &slot : pending)
        slot.connection->Close();
    pending.clear();
    TCPsocket listener = listenSocket;
    if (listener) SDLNet_TCP_Close(listener);
    listenSocket = nullptr;
    listenHandle = -1;
    if (listener) Log(2, " [INetwork Server] Info: server closed.\n");
    serverRunning = 0;
}

// ---------------------------------------------------------------------------
// The client table
// ---------------------------------------------------------------------------
std::shared_ptr<Connection> QNetwork::State::FindSocket(TCPsocket socket) {
    MutexLock table(tableLock);
    for (const std::shared_ptr<Connection> &connection : clients)
        if (connection->socket == socket) return connection;
    return nullptr;
}

int QNetwork::State::FindNameLocked(const char *name) const {
    for (size_t i = 0; i < clients.size(); ++i)
        if (strcmp(clients[i]->name, name) == 0) return (int)i;
    return -1;
}

int QNetwork::ClientCount() {
    MutexLock table(state_->tableLock);
    return (int)state_->clients.size();
}

int QNetwork::ClientName(int index, char *name) {
    MutexLock table(state_->tableLock);
    if (!name || index < 0 || index >= (int)state_->clients.size()) return 0;
    memcpy(name, state_->clients[index]->name, NET_NAMESIZE);
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
    return state_->clients[index]->socket;
}

int QNetwork::LogoutClient(int index, int notify) {
    State &s = *state_;
    char name[NET_NAMESIZE];
    {
        MutexLock table(s.tableLock);
        if (index < 0 || index >= (int)s.clients.size()) {
            s.Log(0, " . [INetwork->LogoutClient(%d,%d)] Error: there is no client %d.\n", index,
                  notify, index);
            return 0;
        }
        memcpy(name, s.clients[index]->name, sizeof name);
        s.DetachLocked(index, notify != 0);
    }
    s.AnnounceLeft(name);
    return 1;
}

void QNetwork::State::DetachLocked(int index, bool notify) {
    std::shared_ptr<Connection> connection = clients[index];
    connection->gone = true;
    Log(2, " [INetwork Server] Info: client '%s' logged out,it was using socket 0x%" PRIxPTR ".\n",
        connection->name, (uintptr_t)connection->socket);
    clients.erase(clients.begin() + index);
    Detached leaving;
    leaving.connection = std::move(connection);
    leaving.notify = notify;
    detached.push_back(std::move(leaving));
    serverWaker.Wake();
}

void QNetwork::State::AnnounceLeft(const char *name) {
    DataNet left;
    left.type = DATANET_SYSTEM;
    left.cmd = NETCMD_LEFT;
    left.size = (Uint32)strlen(name) + 1;
    left.data = reinterpret_cast<Uint8 *>(const_cast<char *>(name));
    BroadcastTo(&left, -1, -1);
    // The application hears of it through its queue.
    Notice(NETCMD_LEFT, name);
}

void QNetwork::State::ReapDetached() {
    std::vector<Detached> leaving;
    {
        MutexLock table(tableLock);
        if (detached.empty()) return;
        leaving.swap(detached);
    }
    for (Detached &d : leaving) {
        Connection &connection = *d.connection;
        if (d.notify) SendSystem(connection, NETCMD_LOGGEDOUT, 1, "server");
        {
            MutexLock send(connection.sendLock);
            connection.Flush(); // what the socket takes now; the rest is lost with it
        }
        connection.Close();
    }
}

// ---------------------------------------------------------------------------
// Broadcasting
// ---------------------------------------------------------------------------
int QNetwork::Broadcast(DataNet *record, int excepted, int only) {
    if (!record) return 0;
    return state_->BroadcastTo(record, excepted, only);
}

int QNetwork::State::BroadcastTo(DataNet *record, int excepted, int only, const Connection *skip) {
    // Sends go out after the table lock is let go: a slow client never holds it.
    std::shared_ptr<Connection> targets[NET_MAXCLIENTS];
    int count = 0;
    {
        MutexLock table(tableLock);
        for (int i = 0; i < (int)clients.size(); ++i)
            if ((only == -1 || i == only) && i != excepted && clients[i].get() != skip)
                targets[count++] = clients[i];
    }
    int reached = 0;
    for (int i = 0; i < count; ++i) {
        if (Transmit(*targets[i], record, 1, "server")) {
            ++reached;
        } else {
            Log(0, " [INetwork Server] Error: DataNet could not be sent to '%s'.\n",
                targets[i]->name);
            Print(record);
        }
    }
    return reached;
}

// ---------------------------------------------------------------------------
// The server thread
// ---------------------------------------------------------------------------
int SDLCALL QNetwork::State::ServerThread(void *data) {
    State &s = *static_cast<State *>(data);
    std::vector<SocketWait> waits;
    std::vector<std::shared_ptr<Connection>> watched;
    while (s.serverRunning && s.ServerPass(waits, watched)) {
    }
    watched.clear();
    s.CloseServerNow();
    s.serverState = kClosed;
    return 0;
}

// One pass: queue what was read, close what left, wait once on every socket,
// then accept, read logins, write backlogs and read records.
bool QNetwork::State::ServerPass(std::vector<SocketWait> &waits,
                                 std::vector<std::shared_ptr<Connection>> &watched) {
    TakeTable(watched);
    // While the queue is full nothing is read, logins included. While a
    // thread in Receive reads the clients, they are its own but for what it
    // hands over.
    bool full = QueueFull(1);
    bool yield = directReader;
    for (const std::shared_ptr<Connection> &connection : watched) {
        if (connection->gone || (yield && !connection->attention)) continue;
        connection->attention = false;
        Delivery delivery = kNoRoom;
        bool ended;
        {
            MutexLock read(connection->readLock);
            if (!full) delivery = Deliver(*connection, 1, connection->name);
            ended = connection->ended;
            if (delivery == kFaulty)
                Log(0, " [INetwork Server] Error: DataNet from '%s' dropped: %s.\n",
                    connection->name, connection->reader.Error());
        }
        if (delivery == kNoRoom)
            full = true;
        else if (delivery == kFaulty)
            LogoutConnection(connection, true);
        else if (ended)
            LogoutConnection(connection, false); // the client went away
    }
    ReapDetached();
    if (!full) ExpirePending();

    waits.clear();
    SocketWait wait;
    wait.handle = serverWaker.Handle();
    wait.read = true;
    waits.push_back(wait);
    wait.handle = listenHandle;
    waits.push_back(wait);
    for (const PendingSlot &slot : pending) {
        wait.handle = slot.connection->handle;
        wait.read = !full;
        waits.push_back(wait);
    }
    for (const std::shared_ptr<Connection> &connection : watched) {
        // A logged-out client may be closed already: its handle is not waited on.
        wait.handle = connection->gone ? -1 : connection->handle;
        wait.read = !full && !yield;
        if (wait.read) {
            MutexLock read(connection->readLock);
            wait.read = !connection->ended;
        }
        MutexLock send(connection->sendLock);
        wait.write = connection->Backlog() > 0;
        waits.push_back(wait);
    }

    int ready = qnl::platform::WaitSockets(waits.data(), waits.size(),
                                           (int)(yield ? kYieldPollMs : kServerPollMs));
    if (ready < 0) {
        Log(0, " [INetwork Server] Error: waiting for the clients failed: %s\n", strerror(errno));
        return false;
    }
    if (ready == 0) return true;
    if (waits[0].readable) serverWaker.Clear();
    const SocketWait *pendingWaits = &waits[2];
    const SocketWait *clientWaits = pendingWaits + pending.size();
    for (size_t i = 0; i < watched.size(); ++i) {
        Connection &connection = *watched[i];
        if (clientWaits[i].writable) {
            MutexLock send(connection.sendLock);
            connection.Flush(); // a failure marks it failed: logged out next pass
        }
        if (clientWaits[i].readable && !directReader) {
            MutexLock read(connection.readLock);
            if (!connection.Fill()) connection.ended = true;
        }
    }
    for (size_t i = 0; i < pending.size(); ++i)
        if (pendingWaits[i].readable) ServicePending(i);
    pending.erase(std::remove_if(pending.begin(), pending.end(),
                                 [](const PendingSlot &slot) { return !slot.connection; }),
                  pending.end());
    if (waits[1].readable) Accept();
    return true;
}

void QNetwork::State::TakeTable(std::vector<std::shared_ptr<Connection>> &watched) {
    char names[NET_MAXCLIENTS][NET_NAMESIZE];
    int failed = 0;
    {
        MutexLock table(tableLock);
        for (size_t i = 0; i < clients.size();) {
            if (!clients[i]->failed) {
                ++i;
                continue;
            }
            memcpy(names[failed++], clients[i]->name, NET_NAMESIZE);
            DetachLocked((int)i, false);
        }
        watched.assign(clients.begin(), clients.end());
    }
    for (int i = 0; i < failed; ++i)
        AnnounceLeft(names[i]);
}

void QNetwork::State::LogoutConnection(const std::shared_ptr<Connection> &connection, bool notify) {
    char name[NET_NAMESIZE];
    {
        MutexLock table(tableLock);
        auto at = std::find(clients.begin(), clients.end(), connection);
        if (at == clients.end()) return; // the application logged it out first
        memcpy(name, connection->name, sizeof name);
        DetachLocked((int)(at - clients.begin()), notify);
    }
    AnnounceLeft(name);
}

void QNetwork::State::Accept() {
    // A burst of connections is taken in passes, not all at once.
    for (int taken = 0; taken < kMaxPending; ++taken) {
        TCPsocket socket = SDLNet_TCP_Accept(listenSocket);
        if (!socket) return;
        int handle = qnl::platform::SocketHandle(socket);
        if (handle < 0) {
            Log(0, " [INetwork Server] Error: socket 0x%" PRIxPTR " cannot be watched; closed.\n",
                (uintptr_t)socket);
            SDLNet_TCP_Close(socket);
            continue;
        }
        auto connection = std::make_shared<Connection>(socket, handle, kLoginLimit);
        if ((int)pending.size() >= kMaxPending) {
            Refuse(*connection, "server busy");
            continue;
        }
        PendingSlot slot;
        slot.connection = std::move(connection);
        slot.since = QuenlarTicks();
        pending.push_back(std::move(slot));
    }
}

void QNetwork::State::ServicePending(size_t index) {
    std::shared_ptr<Connection> &connection = pending[index].connection;
    DataNet login;
    bool open;
    Connection::Next next;
    {
        MutexLock read(connection->readLock);
        // Only the login is read: what follows stays in the socket.
        open = connection->Fill((size_t)connection->reader.Wanted());
        next = connection->TakeNext(&login);
    }
    if (next == Connection::kNeedData) {
        if (open) return;
        connection->Close();
    } else if (next == Connection::kFaulty) {
        Refuse(*connection, "malformed login");
    } else {
        HandleLogin(connection, login);
        delete[] login.data;
    }
    connection.reset();
}

void QNetwork::State::HandleLogin(const std::shared_ptr<Connection> &connection,
                                  const DataNet &login) {
    char name[NET_NAMESIZE];
    Uint32 seed = 0;
    if (login.type != DATANET_SYSTEM || login.cmd != NETCMD_LOGIN ||
        !ParseLogin(login.data, login.size, name, &seed)) {
        Refuse(*connection, "malformed login");
        return;
    }
    // Only this thread adds clients: the answer stays true until the insertion.
    const char *refusal = nullptr;
    {
        MutexLock table(tableLock);
        if ((int)clients.size() >= NET_MAXCLIENTS)
            refusal = "server full";
        else if (FindNameLocked(name) >= 0)
            refusal = "name in use";
    }
    if (refusal) {
        Refuse(*connection, refusal);
        return;
    }

    memcpy(connection->name, name, sizeof name);
    Uint32 ours = NewSeed();
    {
        MutexLock send(connection->sendLock);
        connection->generator.seed(ours);
        connection->hasGenerator = true;
    }
    {
        MutexLock read(connection->readLock);
        connection->reader = PacketReader();
        connection->reader.SetMirrorSeed(seed);
    }

    Uint8 welcome[4] = {(Uint8)ours, (Uint8)(ours >> 8), (Uint8)(ours >> 16), (Uint8)(ours >> 24)};
    DataNet answer;
    answer.type = DATANET_SYSTEM;
    answer.cmd = NETCMD_WELCOME;
    answer.size = 4;
    answer.data = welcome;
    {
        // The one send made under the table lock (a post never waits): the
        // client is in the table once it is welcomed, and nothing broadcast
        // reaches it before its welcome.
        MutexLock table(tableLock);
        if (!Transmit(*connection, &answer, 1, "server")) {
            connection->Close();
            return;
        }
        clients.push_back(connection);
    }
    Log(2, " [INetwork Server] Info: client '%s' logged in,it is using socket 0x%" PRIxPTR ".\n",
        name, (uintptr_t)connection->socket);

    DataNet joined;
    joined.type = DATANET_SYSTEM;
    joined.cmd = NETCMD_JOINED;
    joined.size = (Uint32)strlen(name) + 1;
    joined.data = reinterpret_cast<Uint8 *>(name);
    BroadcastTo(&joined, -1, -1, connection.get());
    Notice(NETCMD_JOINED, name);
}

void QNetwork::State::Refuse(Connection &connection, const char *reason) {
    SendSystem(connection, NETCMD_REFUSED, 1, "server", reason);
    Log(2, " [INetwork Server] Warning: login refused (%s), socket 0x%" PRIxPTR " closed.\n",
        reason, (uintptr_t)connection.socket);
    connection.Close();
}

void QNetwork::State::ExpirePending() {
    Uint32 now = QuenlarTicks();
    for (size_t i = 0; i < pending.size();) {
        if (now - pending[i].since < kLoginTimeoutMs) {
            ++i;
            continue;
        }
        Refuse(*pending[i].connection, "no login");
        pending.erase(pending.begin() + (long)i);
    }
}
