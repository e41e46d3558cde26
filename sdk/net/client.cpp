// INetwork's client side: connecting and logging in, the client thread that
// receives, and closing.
#include <quenlar/net/network_private.h>

#include <quenlar/core/bytes_private.h>

#include <cerrno>
#include <cstring>

using namespace qnl::net;
using qnl::MutexLock;
using qnl::platform::SocketWait;

namespace {
// Reads one record from `connection` within kAnswerPolls x kAnswerPollMs;
// whatever follows it stays read for the client thread. Returns 1 with the
// record, 0 when the connection closed or timed out, -1 when the record was
// faulty (the reader says why).
int ReadAnswer(Connection &connection, DataNet *out) {
    SocketWait wait;
    wait.handle = connection.handle;
    wait.read = true;
    MutexLock read(connection.readLock);
    for (int poll = 0; poll < kAnswerPolls; ++poll) {
        Connection::Next next = connection.TakeNext(out);
        if (next == Connection::kRecord) return 1;
        if (next == Connection::kFaulty) return -1;
        if (qnl::platform::WaitSockets(&wait, 1, (int)kAnswerPollMs) <= 0) continue;
        if (!connection.Fill()) return 0;
    }
    return 0;
}
} // namespace

// ---------------------------------------------------------------------------
// Start and close
// ---------------------------------------------------------------------------
int QNetwork::StartClient(const char *host, Uint16 port, const char *name) {
    State &s = *state_;
    MutexLock life(s.lifeLock);
    const char *shownHost = host ? host : "";
    const char *shownName = name ? name : "";
    if (s.clientRunning) {
        s.Log(0, " . [INetwork->StartClient('%s',%d,'%s')] Error: the client is already running.\n",
              shownHost, port, shownName);
        return 0;
    }
    s.JoinClientThread(); // one that ended by itself
    if (!host || !ValidName(name)) {
        s.Log(0,
              " . [INetwork->StartClient('%s',%d,'%.40s')] Error: a host and a name of 1 to 31 "
              "characters are needed.\n",
              shownHost, port, shownName);
        return 0;
    }
    if (!s.EnsureStarted("StartClient()")) return 0;

    IPaddress address;
    TCPsocket socket = nullptr;
    if (SDLNet_ResolveHost(&address, host, port) == 0) socket = SDLNet_TCP_Open(&address);
    if (!socket) {
        s.Log(0, " . [INetwork->StartClient('%s',%d,'%s')] Error: cannot connect: %s\n", host, port,
              name, SDLNet_GetError());
        return 0;
    }
    int handle = qnl::platform::SocketHandle(socket);
    if (handle < 0 || !s.clientWaker.IsValid()) {
        s.Log(0,
              " . [INetwork->StartClient('%s',%d,'%s')] Error: the connection cannot be watched.\n",
              host, port, name);
        SDLNet_TCP_Close(socket);
        return 0;
    }
    // Closes the socket when it goes out of scope unpublished.
    auto connection = std::make_shared<Connection>(socket, handle, kAnswerLimit);

    // Log in and wait for the server's answer on this thread, so that the
    // result tells whether the session exists.
    Uint32 seed = NewSeed();
    std::string login = BuildLogin(name, seed);
    DataNet request;
    request.type = DATANET_SYSTEM;
    request.cmd = NETCMD_LOGIN;
    request.size = (Uint32)login.size();
    request.data = reinterpret_cast<Uint8 *>(&login[0]);
    DataNet answer;
    int got = 0;
    if (s.Transmit(*connection, &request, 0, name)) got = ReadAnswer(*connection, &answer);
    std::unique_ptr<Uint8[]> payload(answer.data);

    const char *problem = nullptr;
    char reason[128] = "";
    if (got < 0) {
        MutexLock read(connection->readLock);
        snprintf(reason, sizeof reason, "%s", connection->reader.Error());
        problem = "the server's answer was faulty";
    } else if (got == 0) {
        problem = "the server did not answer the login";
    } else if (answer.type == DATANET_SYSTEM && answer.cmd == NETCMD_REFUSED) {
        if (answer.size) snprintf(reason, sizeof reason, "%.*s", (int)answer.size, payload.get());
        problem = "the server refused the login";
    } else if (answer.type != DATANET_SYSTEM || answer.cmd != NETCMD_WELCOME || answer.size != 4) {
        snprintf(reason, sizeof reason, "type %d, cmd %d", answer.type, answer.cmd);
        problem = "the server's answer was not a welcome";
    }
    if (problem) {
        s.Log(0, " . [INetwork->StartClient('%s',%d,'%s')] Error: %s: '%s'.\n", host, port, name,
              problem, reason);
        return 0;
    }

    {
        MutexLock send(connection->sendLock);
        connection->generator.seed(seed);
        connection->hasGenerator = true;
    }
    {
        MutexLock read(connection->readLock);
        connection->reader = PacketReader();
        connection->reader.SetMirrorSeed(qnl::GetLE32(payload.get()));
    }
    {
        MutexLock lock(s.clientLock);
        s.client = connection;
        snprintf(s.clientName, sizeof s.clientName, "%s", name);
    }
    s.clientWaker.Clear();
    s.clientState = kRunning;
    s.clientRunning = 1;
    s.clientThread = SDL_CreateThread(&State::ClientThread, &s);
    if (!s.clientThread) {
        s.Log(0, " . [INetwork->StartClient('%s',%d,'%s')] Error: no thread: %s\n", host, port,
              name, SDL_GetError());
        s.CloseClientNow();
        s.clientState = kIdle;
        return 0;
    }
    s.Log(5, " . [INetwork->StartClient('%s',%d,'%s')] Info: logged in.\n", host, port, name);
    return 1;
}

void QNetwork::CloseClient() {
    State &s = *state_;
    MutexLock life(s.lifeLock);
    if (s.clientRunning) s.StopSide(0, 750 + 3 * s.Delay());
    s.JoinClientThread();
}

void QNetwork::State::JoinClientThread() {
    if (clientThread) SDL_WaitThread(clientThread, nullptr);
    clientThread = nullptr;
}

// Runs on the client thread when it ends, or on the closing thread once the
// client thread is gone.
void QNetwork::State::CloseClientNow() {
    std::shared_ptr<Connection> connection;
    {
        MutexLock lock(clientLock);
        connection = client;
    }
    // Close waits for a send under way; the connection stays published
    // meanwhile, so that a stuck send can still be cut (StopSide).
    if (connection) {
        connection->Close();
        Log(2, " [INetwork Client] Info: client closed.\n");
        MutexLock lock(clientLock);
        if (client == connection) client.reset();
    }
    clientRunning = 0;
}

// ---------------------------------------------------------------------------
// The client thread
// ---------------------------------------------------------------------------
bool QNetwork::State::ClientDelivers(Connection &connection, bool *full) {
    MutexLock read(connection.readLock);
    Delivery delivery = Deliver(connection, 0, "server");
    *full = delivery == kNoRoom;
    if (delivery == kFaulty) {
        Log(0, " [INetwork Client] Error: DataNet from the server dropped: %s.\n",
            connection.reader.Error());
        return false;
    }
    if (delivery == kLoggedOut) {
        Log(2, " [INetwork Client] Info: logged out by the server.\n");
        return false;
    }
    if (delivery == kDelivered && connection.ended) {
        Log(2, " [INetwork Client] Warning: the server closed the connection.\n");
        return false;
    }
    return true;
}

int SDLCALL QNetwork::State::ClientThread(void *data) {
    State &s = *static_cast<State *>(data);
    std::shared_ptr<Connection> connection;
    {
        MutexLock lock(s.clientLock);
        connection = s.client;
    }
    SocketWait waits[2];
    waits[0].handle = s.clientWaker.Handle();
    waits[0].read = true;
    waits[1].handle = connection->handle;
    bool full = false;
    while (s.clientRunning) {
        // A thread waiting in Receive reads the socket itself meanwhile and
        // flags what needs this thread.
        bool yield = s.directReader;
        if ((!yield || connection->attention.exchange(false)) &&
            !s.ClientDelivers(*connection, &full))
            break;
        // With no room in the queue the thread waits for Receive's call.
        waits[1].read = !full && !yield;
        int ready = qnl::platform::WaitSockets(waits, 2, (int)(yield ? kYieldPollMs : s.Delay()));
        if (!s.clientRunning) break; // asked to stop while waiting
        if (ready < 0) {
            s.Log(0, " [INetwork Client] Error: waiting for the server failed: %s\n",
                  strerror(errno));
            break;
        }
        if (waits[0].readable) s.clientWaker.Clear();
        if (waits[1].readable && !s.directReader) {
            MutexLock read(connection->readLock);
            if (!connection->Fill()) connection->ended = true;
        }
    }
    connection.reset();
    s.CloseClientNow();
    s.clientState = kClosed;
    return 0;
}
