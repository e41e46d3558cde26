// INetwork: construction and deletion, sending, the received queue,
// statistics, the log, and the shutdown (Quit). The server and client sides
// live in server.cpp and client.cpp.
//
// Index
//   State ............ NewSeed, State, Log, Print, EnsureStarted, Delay
//   Sending .......... Transmit, SendSystem, SendDataNet, SendToServer
//   The queue ........ Offer, Notice, QueueFull, Deliver, Receive, QueueCount
//   Shutdown ......... StopSide, Quit, ~QNetwork
//   State, log ....... IsInitialized ... OpenLog
#include <quenlar/net/network_private.h>

#include <quenlar/core/clock.h>
#include <quenlar/core/log.h>

#include <cinttypes>
#include <cstdarg>
#include <cstring>

QNetwork *INetwork = nullptr;

using namespace qnl::net;
using qnl::MutexLock;

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
QNetwork::State::State() {
    clients.reserve(NET_MAXCLIENTS);
}

QNetwork::State::~State() = default;

void QNetwork::State::Log(Sint8 level, const char *format, ...) {
    va_list args;
    va_start(args, format);
    {
        MutexLock lock(logLock);
        (log ? *log : ILogSystem).VMsg(level, format, args);
    }
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
int QNetwork::State::Transmit(Connection &to, DataNet *record, int side, const char *sender) {
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

    Connection::Write result;
    size_t written = 0, backlog = 0;
    bool nowWaiting = false;
    {
        // aux values leave in the order they were drawn.
        MutexLock send(to.sendLock);
        if (record->type != DATANET_SYSTEM) {
            if (!to.hasGenerator) return 0; // system messages only, before the login
            record->aux = NextAux(to.generator);
            record->crc = Checksum(*record);
        } else {
            record->crc = 0;
        }
        if (side)
            result = to.Post(*record, &written, &nowWaiting);
        else
            result = to.Send(*record, &written);
        backlog = to.Backlog();
    }

    if (result == Connection::kWritten) {
        MutexLock lock(statsLock);
        stats[side].bytes += total;
        if (record->type == DATANET_SYSTEM) ++stats[side].system;
        if (record->type == DATANET_COUNTED) ++stats[side].counted;
        if (nowWaiting) serverWaker.Wake(); // the server thread writes the rest
        return (int)total;
    }
    if (result == Connection::kClosed) {
        Log(0,
            " [INetwork::SendDataNet(%d,%d)] - Error: socket 0x%" PRIxPTR
            " is not connected (Sent by '%s').\n",
            record->type, record->cmd, (uintptr_t)to.socket, sender);
        return 0;
    }
    if (result == Connection::kOverflow) {
        Log(2,
            " [INetwork Server] Warning: client '%s' does not read: %u bytes are waiting for it; "
            "it is disconnected.\n",
            to.name, (unsigned)backlog);
        serverWaker.Wake(); // the server thread logs it out
    }
    Log(0,
        " [INetwork::SendDataNet(%d,%d)] - Error: %d/%d bytes were transmitted (Sent by '%s').\n",
        record->type, record->cmd, (int)written, (int)total, sender);
    return 0;
}

int QNetwork::State::SendSystem(Connection &to, Uint8 cmd, int side, const char *sender,
                                const char *text) {
    DataNet record;
    record.type = DATANET_SYSTEM;
    record.cmd = cmd;
    if (text) {
        record.size = (Uint32)strlen(text) + 1;
        record.data = reinterpret_cast<Uint8 *>(const_cast<char *>(text));
    }
    return Transmit(to, &record, side, sender);
}

int QNetwork::SendDataNet(TCPsocket socket, DataNet *record, int side) {
    State &s = *state_;
    if (!socket || !record || (side != 0 && side != 1)) return 0;
    std::shared_ptr<Connection> to;
    char sender[NET_NAMESIZE] = "server";
    if (side == 0) {
        MutexLock lock(s.clientLock);
        if (s.client && s.client->socket == socket) to = s.client;
        memcpy(sender, s.clientName, sizeof sender);
    } else {
        to = s.FindSocket(socket);
    }
    if (!to) {
        s.Log(0,
              " [INetwork::SendDataNet(%d,%d)] - Error: socket 0x%" PRIxPTR
              " is not connected (Sent by '%s').\n",
              record->type, record->cmd, (uintptr_t)socket, sender);
        return 0;
    }
    return s.Transmit(*to, record, side, sender);
}

int QNetwork::SendToServer(DataNet *record) {
    State &s = *state_;
    std::shared_ptr<Connection> to;
    char sender[NET_NAMESIZE];
    {
        MutexLock lock(s.clientLock);
        to = s.client;
        memcpy(sender, s.clientName, sizeof sender);
    }
    if (!to) {
        s.Log(0, " . [INetwork->SendToServer()] Error: the client is not connected.\n");
        return 0;
    }
    return record ? s.Transmit(*to, record, 0, sender) : 0;
}

// ---------------------------------------------------------------------------
// The queue
// ---------------------------------------------------------------------------
namespace {
void Push(std::deque<QueuedDataNet> &queue, DataNet &record, int side, const char *name) {
    QueuedDataNet entry;
    entry.record = record;
    entry.payload.reset(record.data);
    entry.from.side = side;
    snprintf(entry.from.name, sizeof entry.from.name, "%s", name);
    queue.push_back(std::move(entry));
}
} // namespace

bool QNetwork::State::Offer(DataNet &record, int side, const char *name) {
    MutexLock lock(queueLock);
    if (queue.size() >= NET_QUEUESIZE || queuedBytes + record.size > NET_QUEUEBYTES) {
        paused[side] = true;
        return false;
    }
    Push(queue, record, side, name);
    queuedBytes += record.size;
    return true;
}

void QNetwork::State::Notice(Uint8 cmd, const char *name) {
    DataNet record;
    record.type = DATANET_SYSTEM;
    record.cmd = cmd;
    record.size = (Uint32)strlen(name) + 1;
    record.data = new Uint8[record.size];
    memcpy(record.data, name, record.size);
    {
        MutexLock lock(queueLock);
        Push(queue, record, 1, name);
        queuedBytes += record.size;
    }
    WakeReceivers(true);
}

void QNetwork::State::WakeReceivers(bool direct) {
    MutexLock lock(queueLock);
    if (receivers) queued.NotifyAll();
    if (direct && directReader) receiveWaker.Wake();
}

bool QNetwork::State::QueueFull(int side) {
    MutexLock lock(queueLock);
    bool full = queue.size() >= NET_QUEUESIZE || queuedBytes >= NET_QUEUEBYTES;
    if (full) paused[side] = true;
    return full;
}

Delivery QNetwork::State::Deliver(Connection &connection, int side, const char *name, bool direct) {
    if (connection.loggedOut) return kLoggedOut; // nothing after it counts
    Delivery delivery = kDelivered;
    int queued = 0;
    for (;;) {
        if (!connection.holding) {
            Connection::Next next = connection.TakeNext(&connection.held);
            if (next == Connection::kFaulty) delivery = kFaulty;
            if (next != Connection::kRecord) break;
            connection.holding = true;
        }
        bool loggedOut = side == 0 && connection.held.type == DATANET_SYSTEM &&
                         connection.held.cmd == NETCMD_LOGGEDOUT;
        if (!Offer(connection.held, side, name)) {
            delivery = kNoRoom;
            break;
        }
        connection.holding = false;
        ++queued;
        if (loggedOut) {
            connection.loggedOut = true;
            delivery = kLoggedOut;
            break;
        }
    }
    // One call for the whole batch: a waiting Receive wakes once, not per record.
    if (queued) WakeReceivers(!direct);
    return delivery;
}

void QNetwork::State::PopLocked(DataNet *out, DataNetSender *from, bool wake[2]) {
    QueuedDataNet &entry = queue.front();
    *out = entry.record;
    out->data = entry.payload.release();
    if (from) *from = entry.from;
    queuedBytes -= out->size;
    queue.pop_front();
    // A side that stopped reading for want of room goes on once there is
    // room for a batch: one wake for many records.
    if (queue.size() <= kResumeRecords && queuedBytes <= kResumeBytes)
        for (int side = 0; side < 2; ++side)
            if (paused[side]) {
                paused[side] = false;
                wake[side] = true;
            }
}

void QNetwork::State::ReadDirectly(int ms) {
    std::shared_ptr<Connection> watched[NET_MAXCLIENTS + 1];
    int sides[NET_MAXCLIENTS + 1];
    int count = 0;
    if (clientRunning) {
        MutexLock lock(clientLock);
        if (client) {
            sides[count] = 0;
            watched[count++] = client;
        }
    }
    if (serverRunning) {
        MutexLock table(tableLock);
        for (const std::shared_ptr<Connection> &connection : clients) {
            sides[count] = 1;
            watched[count++] = connection;
        }
    }
    // What was read already goes first: the sockets may have nothing more.
    for (int i = 0; i < count; ++i)
        DeliverDirectly(*watched[i], sides[i], kHeld);
    {
        MutexLock lock(queueLock);
        if (!queue.empty()) return;
    }
    // One connection and a full slice: wait in its receive, as a plain
    // socket reader would (a wait on the socket and the waker costs one
    // system call more per record). What others queue meanwhile is seen
    // when the receive returns, within kReceiveWaitMs.
    if (count == 1 && ms >= kReceiveWaitMs) {
        DeliverDirectly(*watched[0], sides[0], kWaitForData);
        return;
    }

    qnl::platform::SocketWait waits[NET_MAXCLIENTS + 2];
    waits[0].handle = receiveWaker.Handle();
    waits[0].read = true;
    for (int i = 0; i < count; ++i) {
        waits[i + 1].handle = watched[i]->handle;
        waits[i + 1].read = true;
    }
    if (qnl::platform::WaitSockets(waits, (size_t)count + 1, ms) <= 0) return;
    if (waits[0].readable) receiveWaker.Clear();
    for (int i = 0; i < count; ++i)
        if (waits[i + 1].readable) DeliverDirectly(*watched[i], sides[i], kReadNow);
}

void QNetwork::State::DeliverDirectly(Connection &connection, int side, DirectRead read) {
    bool handOver;
    {
        MutexLock lock(connection.readLock);
        if (read != kHeld && !connection.ended &&
            !connection.Fill(kInboxBytes, read == kWaitForData))
            connection.ended = true;
        Delivery delivery = Deliver(connection, side, side ? connection.name : "server", true);
        handOver = delivery != kDelivered || connection.ended;
    }
    // What the side's thread must act on: a departure, a faulty record, a
    // record waiting for room.
    if (handOver) {
        connection.attention = true;
        (side ? serverWaker : clientWaker).Wake();
    }
}

int QNetwork::Receive(DataNet *out, DataNetSender *from, Uint32 waitMs) {
    State &s = *state_;
    if (!out) return 0;
    bool wake[2] = {false, false};
    bool direct = false; // this call reads the sockets itself (see network_private.h)
    int got = 0;
    Uint32 start = waitMs ? QuenlarTicks() : 0;
    for (;;) {
        Uint32 slice;
        {
            MutexLock lock(s.queueLock);
            if (!s.queue.empty()) {
                s.PopLocked(out, from, wake);
                got = 1;
            }
            Uint32 waited = waitMs ? QuenlarTicks() - start : 0;
            if (got || waited >= waitMs) {
                if (direct) {
                    s.directReader = false;
                    if (s.receivers) s.queued.NotifyOne(); // the next reader
                }
                break;
            }
            // Real time in slices, reading the (replaceable) clock between them.
            slice = std::min(waitMs - waited, kWaitSliceMs);
            if (!direct && s.directReader) { // another thread reads: wait for its records
                ++s.receivers;
                s.queued.WaitFor(s.queueLock, slice);
                --s.receivers;
                continue;
            }
            s.directReader = direct = true;
        }
        s.ReadDirectly((int)slice);
    }
    if (wake[0]) s.clientWaker.Wake();
    if (wake[1]) s.serverWaker.Wake();
    return got;
}

int QNetwork::QueueCount() {
    MutexLock lock(state_->queueLock);
    return (int)state_->queue.size();
}

// ---------------------------------------------------------------------------
// Shutdown
// ---------------------------------------------------------------------------
const char *QNetwork::State::StopSide(int side, Uint32 waitMs) {
    std::atomic<int> &running = side ? serverRunning : clientRunning;
    std::atomic<int> &state = side ? serverState : clientState;

    running = 0;
    (side ? serverWaker : clientWaker).Wake();
    for (Uint32 waited = 0; state != kClosed && waited < waitMs; waited += kStopPollMs)
        QuenlarDelay(kStopPollMs);
    bool smooth = state == kClosed;
    if (!smooth) {
        // Stuck in a waiting call: make it return, the loop then ends.
        std::vector<std::shared_ptr<Connection>> cut;
        if (side) {
            MutexLock table(tableLock);
            cut = clients;
        } else {
            MutexLock lock(clientLock);
            if (client) cut.push_back(client);
        }
        for (const std::shared_ptr<Connection> &connection : cut)
            connection->Abort();
    }
    if (side) {
        JoinServerThread();
        CloseServerNow(); // nothing left to do when the thread closed it
    } else {
        JoinClientThread();
        CloseClientNow();
    }
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
        s.queuedBytes = 0;
        s.paused[0] = s.paused[1] = false;
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
        MutexLock table(s.tableLock);
        s.clients.clear();
        s.detached.clear();
    }
    s.pending.clear();
    s.clientState = s.serverState = kIdle;
    SDLNet_Quit();
    s.initialised = 0;
    std::unique_ptr<QLogSystem> own;
    {
        MutexLock lock(s.logLock);
        own = std::move(s.log);
    }
    if (own) own->Close();
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
    // The state's destructor frees what is left: queue, tables, log.
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
    MutexLock lock(state_->clientLock);
    return state_->client ? state_->client->socket : nullptr;
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
    std::unique_ptr<QLogSystem> own(new QLogSystem);
    own->Init(file, mode, level, "INetwork");
    int opened = own->IsOpen() ? 1 : 0;
    {
        // Messages under way finish in the old log first.
        MutexLock lock(s.logLock);
        std::swap(s.log, own);
    }
    if (own) own->Close();
    return opened;
}
