// INetwork: construction and deletion, sending, the received queue,
// statistics, the log, and the shutdown (Quit). The server and client sides
// live in server.cpp and client.cpp.
#include <quenlar/net/network_private.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/log.h>
#include <quenlar/platform/socket_private.h>

#include <cinttypes>
#include <cstdarg>
#include <cstring>

QNetwork *INetwork = nullptr;

using namespace qnl::net;

namespace qnl {
namespace net {

Uint32 NewSeed() {
    // random_device may throw where no entropy source exists; the clock and
    // a counter are enough to keep two connections apart then.
    try {
        std::random_device device;
        return device();
    } catch (...) {
        static std::atomic<Uint32> counter{0};
        return QuenlarTicks() * 2654435761u + ++counter;
    }
}

} // namespace net
} // namespace qnl

// ---------------------------------------------------------------------------
// State
// ---------------------------------------------------------------------------
QNetwork::State::State()
    : lifeLock(SDL_CreateMutex()), tableLock(SDL_CreateMutex()), clientSendLock(SDL_CreateMutex()),
      setLock(SDL_CreateMutex()), queueLock(SDL_CreateMutex()), statsLock(SDL_CreateMutex()),
      delayLock(SDL_CreateMutex()) {
    clients.reserve(NET_MAXCLIENTS);
}

QNetwork::State::~State() {
    for (SDL_mutex *m :
         {lifeLock, tableLock, clientSendLock, setLock, queueLock, statsLock, delayLock})
        if (m) SDL_DestroyMutex(m);
    delete log;
}

void QNetwork::State::Log(Sint8 level, const char *format, ...) {
    va_list args;
    va_start(args, format);
    (log ? *log : ILogSystem).VMsg(level, format, args);
    va_end(args);
}

void QNetwork::State::Print(const DataNet *record) {
    if (!record) return;
    Log(0,
        " [INetwork %s] Info: DataNet 0x%" PRIxPTR ": - Type: %d - Cmd: %d - Aux: %d - Size: %u\n",
        serverRunning ? "SERVER" : "CLIENT", (uintptr_t)record, record->type, record->cmd,
        record->aux, record->size);
}

bool QNetwork::State::EnsureStarted(const char *origin) {
    if (initialised) return true;
    if (SDLNet_Init() < 0) {
        Log(0, " . [INetwork->%s] Error: SDL_net could not start: %s\n", origin, SDLNet_GetError());
        return false;
    }
    initialised = 1;
    return true;
}

Uint32 QNetwork::State::Delay() {
    MutexLock lock(delayLock);
    return delay;
}

// ---------------------------------------------------------------------------
// Sending
// ---------------------------------------------------------------------------
int QNetwork::State::Transmit(TCPsocket socket, DataNet *record, int side, std::mt19937 *generator,
                              const char *sender) {
    // 64-bit: a size near 4 GiB must not wrap below the limit.
    Uint64 total = (Uint64)DATANET_HEADER + record->size;
    if (total > DATANET_LIMIT) {
        Log(0,
            " [INetwork::SendDataNet(%d,%d)] - Error: size limit exceed (%llu) (Sent by '%s').\n",
            record->type, record->cmd, (unsigned long long)total, sender);
        return 0;
    }
    if (record->size && !record->data) {
        Log(0, " [INetwork::SendDataNet(%d,%d)] - Error: no payload for %u bytes (Sent by '%s').\n",
            record->type, record->cmd, record->size, sender);
        return 0;
    }
    if (record->type != DATANET_SYSTEM) {
        if (!generator) return 0; // system messages only, on a connection without one
        record->aux = NextAux(*generator);
        record->crc = Checksum(*record);
    } else {
        record->crc = 0;
    }

    size_t length = 0;
    std::unique_ptr<Uint8[]> packet = BuildPacket(*record, &length);
    int sent = packet ? SDLNet_TCP_Send(socket, packet.get(), (int)length) : 0;
    if (sent == (int)total) {
        MutexLock lock(statsLock);
        stats[side].bytes += total;
        if (record->type == DATANET_SYSTEM) ++stats[side].system;
        if (record->type == DATANET_COUNTED) ++stats[side].counted;
        return sent;
    }
    Log(0,
        " [INetwork::SendDataNet(%d,%d)] - Error: %d/%d bytes were transmitted (Sent by '%s').\n",
        record->type, record->cmd, sent < 0 ? 0 : sent, (int)total, sender);
    return 0;
}

int QNetwork::State::SendSystem(TCPsocket socket, Uint8 cmd, int side, const char *sender,
                                const char *text) {
    DataNet record;
    record.type = DATANET_SYSTEM;
    record.cmd = cmd;
    if (text) {
        record.size = (Uint32)strlen(text) + 1;
        record.data = reinterpret_cast<Uint8 *>(const_cast<char *>(text));
    }
    return Transmit(socket, &record, side, nullptr, sender);
}

int QNetwork::SendDataNet(TCPsocket socket, DataNet *record, int side) {
    State &s = *state_;
    if (!socket || !record || (side != 0 && side != 1)) return 0;
    if (side == 0) {
        MutexLock lock(s.clientSendLock);
        if (socket != s.clientSocket) {
            s.Log(0,
                  " [INetwork::SendDataNet(%d,%d)] - Error: socket 0x%" PRIxPTR
                  " is not connected (Sent by '%s').\n",
                  record->type, record->cmd, (uintptr_t)socket, s.clientName);
            return 0;
        }
        return s.Transmit(socket, record, 0, &s.clientGenerator, s.clientName);
    }
    MutexLock lock(s.tableLock);
    int index = s.FindSocketLocked(socket);
    if (index < 0) {
        s.Log(0,
              " [INetwork::SendDataNet(%d,%d)] - Error: socket 0x%" PRIxPTR
              " is not connected (Sent by 'server').\n",
              record->type, record->cmd, (uintptr_t)socket);
        return 0;
    }
    return s.Transmit(socket, record, 1, &s.clients[index].generator, "server");
}

int QNetwork::SendToServer(DataNet *record) {
    TCPsocket socket = ConnectionSocket();
    if (!socket) {
        state_->Log(0, " . [INetwork->SendToServer()] Error: the client is not connected.\n");
        return 0;
    }
    // The client may close in between: SendDataNet checks the socket again.
    return SendDataNet(socket, record, 0);
}

// ---------------------------------------------------------------------------
// The received queue
// ---------------------------------------------------------------------------
void QNetwork::State::Enqueue(const DataNet &record, int side, const char *name) {
    std::unique_ptr<Uint8[]> payload(record.data);
    MutexLock lock(queueLock);
    if (queue.size() >= NET_QUEUESIZE) {
        Log(2,
            " [INetwork] Warning: the queue already holds %d DataNets; a DataNet of type %d, "
            "cmd %d was dropped.\n",
            (int)NET_QUEUESIZE, record.type, record.cmd);
        return;
    }
    QueuedDataNet entry;
    entry.record = record;
    entry.payload = std::move(payload);
    entry.from.side = side;
    snprintf(entry.from.name, sizeof entry.from.name, "%s", name);
    queue.push_back(std::move(entry));
}

int QNetwork::Receive(DataNet *out, DataNetSender *from) {
    State &s = *state_;
    if (!out) return 0;
    MutexLock lock(s.queueLock);
    if (s.queue.empty()) return 0;
    QueuedDataNet &entry = s.queue.front();
    *out = entry.record;
    out->data = entry.payload.release();
    if (from) *from = entry.from;
    s.queue.pop_front();
    return 1;
}

int QNetwork::QueueCount() {
    MutexLock lock(state_->queueLock);
    return (int)state_->queue.size();
}

// ---------------------------------------------------------------------------
// Shutdown
// ---------------------------------------------------------------------------
const char *QNetwork::State::StopSide(int side, Uint32 waitMs) {
    SDL_Thread *&thread = side ? serverThread : clientThread;
    std::atomic<int> &running = side ? serverRunning : clientRunning;
    std::atomic<int> &state = side ? serverState : clientState;

    running = 0;
    for (Uint32 waited = 0; state != kClosed && waited < waitMs; waited += 50)
        QuenlarDelay(50);
    bool smooth = state == kClosed;
    if (!smooth) {
        // Stuck in a blocking call: make it return, the loop then ends.
        MutexLock sets(setLock);
        if (side)
            for (TCPsocket socket : serverLive)
                qnl::platform::AbortConnection(socket);
        else
            qnl::platform::AbortConnection(clientSocket);
    }
    if (thread) SDL_WaitThread(thread, nullptr);
    thread = nullptr;
    if (side)
        CloseServerNow(); // nothing left to do when the thread closed it
    else
        CloseClientNow();
    state = kClosed;
    return smooth ? "smooth" : "brute";
}

void QNetwork::Quit() {
    State &s = *state_;
    MutexLock life(s.lifeLock);
    if (!s.initialised) {
        s.Log(2, " . [INetwork::Quit] Warning: INetwork is not initialized.\n");
        return;
    }

    if (s.clientRunning) {
        s.Log(2, " [INetwork::Quit] Warning: we are closing the client!\n");
        const char *way = s.StopSide(0, 750 + 3 * s.Delay());
        s.Log(2, " [INetwork::Quit] Warning: client closed using the %s way.\n", way);
    }
    s.JoinClientThread(); // one that ended by itself

    if (s.serverRunning) {
        s.Log(2, " [INetwork::Quit] Warning: we are closing the server!\n");
        const char *way = s.StopSide(1, 750);
        s.Log(2, " [INetwork::Quit] Warning: server closed using the %s way.\n", way);
    }
    s.JoinServerThread();

    int freed;
    {
        MutexLock lock(s.queueLock);
        freed = (int)s.queue.size();
        s.queue.clear();
    }
    if (freed)
        s.Log(2,
              " [INetwork::Quit] Info: %d DataNets were deleted before quit due to they were "
              "not handled.\n",
              freed);

    {
        MutexLock lock(s.statsLock);
        s.stats[0] = s.stats[1] = DataNetStats();
    }
    {
        MutexLock lock(s.tableLock);
        s.clients.clear();
        s.detached.clear();
        s.setDirty = false;
    }
    s.pending.clear();
    s.clientState = s.serverState = kIdle;
    SDLNet_Quit();
    s.initialised = 0;
    if (s.log) {
        s.log->Close();
        delete s.log;
        s.log = nullptr;
    }
}

// ---------------------------------------------------------------------------
// Construction and deletion
// ---------------------------------------------------------------------------
// Unlike the other interfaces, INetwork logs no creation or deletion line.
QNetwork::QNetwork() : state_(new State) {}

QNetwork::~QNetwork() {
    if (state_->initialised) {
        state_->Log(2, " . [INetwork:~INetwork()] Warning: INetwork is still initialized, do not "
                       "forget to call Quit(). Calling it now!\n");
        Quit();
    }
    // The state's destructor frees what is left: queue, tables, mutexes, log.
}

// ---------------------------------------------------------------------------
// State, statistics, log
// ---------------------------------------------------------------------------
int QNetwork::IsInitialized() {
    return state_->initialised;
}
int QNetwork::IsServerRunning() {
    return state_->serverRunning;
}
int QNetwork::IsClientRunning() {
    return state_->clientRunning;
}

TCPsocket QNetwork::ConnectionSocket() {
    MutexLock lock(state_->clientSendLock);
    return state_->clientSocket;
}

void QNetwork::SetDelay(Uint32 ms) {
    MutexLock lock(state_->delayLock);
    state_->delay = ms > kMaxDelayMs ? kMaxDelayMs : ms;
}

Uint32 QNetwork::GetDelay() {
    return state_->Delay();
}

DataNetStats QNetwork::GetStatistics(int side) {
    if (side != 0 && side != 1) return DataNetStats();
    MutexLock lock(state_->statsLock);
    return state_->stats[side];
}

void QNetwork::PrintDataNet(const DataNet *record) {
    state_->Print(record);
}

int QNetwork::OpenLog(const char *file, Sint8 mode, Sint8 level) {
    State &s = *state_;
    MutexLock life(s.lifeLock);
    // Swapping the log under running threads would pull it from under them.
    if (s.clientRunning || s.serverRunning) {
        s.Log(0, " . [INetwork->OpenLog('%s')] Error: close the client and the server first.\n",
              file ? file : "");
        return 0;
    }
    delete s.log;
    s.log = new QLogSystem;
    s.log->Init(file, mode, level, "INetwork");
    return s.log->IsOpen() ? 1 : 0;
}
