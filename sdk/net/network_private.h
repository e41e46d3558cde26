// INetwork's state, shared by network.cpp (sending, queue, shutdown),
// server.cpp and client.cpp. SDK-internal; not installed.
//
// Threads. The application may call INetwork from any thread; the server
// and the client each run a connection thread that waits on its sockets
// (and on a Waker, which other threads use to call it back) and reads them.
// An application thread that waits in Receive reads the sockets itself
// instead (one thread at a time: the "direct reader"), so that a record
// reaches it without a hand-over between threads. Meanwhile the connection
// threads leave the reading to it ("yield") and look again every
// kYieldPollMs: waking them when Receive returns would cost a thread switch
// per record, and an application that calls Receive in a loop is soon back.
// Reading a connection goes under its readLock, writing under its sendLock
// (connection_private.h). Only the server thread closes the server's
// connections while it runs: a client logged out by another thread is
// "detached", taken out of the table at once and closed by the server
// thread on its next pass, after its NETCMD_LOGGEDOUT.
//
// No received record is dropped: a thread whose record does not fit in the
// queue holds it and stops reading until Receive makes room and wakes it;
// meanwhile TCP holds the senders back.
//
// Stopping a side clears its running flag, wakes its thread and waits for it
// to close the side. A thread that does not end in time is stuck (a client's
// send that waits for a server that stopped reading holds what its close
// needs): its connections are shut down under it (Abort), which makes every
// waiting call return, and it is joined. Threads are never killed: a thread
// cut off at a random point could leave a lock taken or the heap half-changed.
//
// Locks, in the order they are taken (the annotations check it):
//   lifeLock      start, close and Quit of the sides (never held by the threads)
//   tableLock     the server's client table and detached list
//   clientLock    the client's connection and name
//   (a connection's readLock, sendLock, then socketLock)
//   queueLock     the received queue
//   statsLock     the statistics
//   delayLock     the client's delay value
//   logLock       the interface's own log
// Sends are not made under tableLock or clientLock: senders take the
// connection out of the table, let the lock go, then write. The welcome is
// the exception: posted under tableLock (a post never waits), so that a
// client is listed once it is welcomed and hears nothing before.
#ifndef QUENLAR_NET_NETWORK_PRIVATE_H
#define QUENLAR_NET_NETWORK_PRIVATE_H

#include <quenlar/net/connection_private.h>
#include <quenlar/net/network.h>

#include <quenlar/core/log.h>
#include <quenlar/core/mutex_private.h>
#include <quenlar/platform/socket_private.h>

#include <atomic>
#include <deque>
#include <memory>
#include <vector>

namespace qnl {
namespace net {

constexpr int kMaxPending = 64;          // accepted connections not logged in yet
constexpr Uint32 kLoginTimeoutMs = 2000; // a pending connection's time to log in
constexpr Uint32 kServerPollMs = 20;     // the server thread's longest wait per pass
constexpr Uint32 kDefaultDelayMs = 20;   // the client thread's, unless SetDelay
constexpr Uint32 kMaxDelayMs = 10000;
constexpr int kAnswerPolls = 100; // StartClient waits 100 x 50 ms for the answer
constexpr Uint32 kAnswerPollMs = 50;
constexpr Uint32 kStopPollMs = 2;   // a stopping side is looked at this often
constexpr Uint32 kWaitSliceMs = 20; // Receive reads the clock at least this often
constexpr Uint32 kYieldPollMs = 2;  // a connection thread's wait while it yields
constexpr Uint32 kLoginLimit = DATANET_HEADER + NET_NAMESIZE + 4;
constexpr Uint32 kAnswerLimit = DATANET_HEADER + 256;
// A side stopped for want of room reads again once the queue is down to
// these: room for a batch, and for any record.
constexpr size_t kResumeRecords = NET_QUEUESIZE * 3 / 4;
constexpr size_t kResumeBytes = NET_QUEUEBYTES / 2;
static_assert(DATANET_MAXPAYLOAD <= kResumeBytes, "a queue at kResumeBytes takes any record");

// Close states of a side.
enum { kIdle = 0, kRunning = 1, kClosed = 2 };

// What became of the records a connection had read (State::Deliver).
enum Delivery { kDelivered, kNoRoom, kFaulty, kLoggedOut };

// An accepted connection that has not logged in yet (server thread only).
struct PendingSlot {
    std::shared_ptr<Connection> connection;
    Uint32 since = 0; // QuenlarTicks at accept
};

// A client taken out of the table, for the server thread to close.
struct Detached {
    std::shared_ptr<Connection> connection;
    bool notify = false; // send it NETCMD_LOGGEDOUT first
};

struct QueuedDataNet {
    DataNet record;
    std::unique_ptr<Uint8[]> payload; // record.data points here until taken
    DataNetSender from;
};

// A fresh seed for a connection's generator.
Uint32 NewSeed();

} // namespace net
} // namespace qnl

struct QNetwork::State {
    State();
    ~State();

    // ---- Locks (see the order above) -----------------------------------------------
    qnl::Mutex lifeLock;
    qnl::Mutex tableLock ACQUIRED_AFTER(lifeLock);
    qnl::Mutex clientLock ACQUIRED_AFTER(tableLock);
    qnl::Mutex queueLock ACQUIRED_AFTER(clientLock);
    qnl::Mutex statsLock ACQUIRED_AFTER(queueLock);
    qnl::Mutex delayLock ACQUIRED_AFTER(statsLock);
    qnl::Mutex logLock ACQUIRED_AFTER(delayLock);

    // ---- Flags ---------------------------------------------------------------------
    std::atomic<int> initialised{0};   // SDLNet_Init done, until Quit
    std::atomic<int> clientRunning{0}; // cleared to ask the client thread to stop
    std::atomic<int> serverRunning{0}; // ... and the server thread
    std::atomic<int> clientState{qnl::net::kIdle};
    std::atomic<int> serverState{qnl::net::kIdle};

    // ---- Client side -----------------------------------------------------------------
    std::shared_ptr<qnl::net::Connection> client GUARDED_BY(clientLock); // while connected
    char clientName[NET_NAMESIZE] GUARDED_BY(clientLock) = {};
    SDL_Thread *clientThread GUARDED_BY(lifeLock) = nullptr;
    qnl::platform::Waker clientWaker;
    Uint32 delay GUARDED_BY(delayLock) = qnl::net::kDefaultDelayMs;

    // ---- Server side -------------------------------------------------------------------
    // The listening socket: set before the server thread starts, closed by it
    // (or by the closer once it ended).
    TCPsocket listenSocket = nullptr;
    int listenHandle = -1;
    SDL_Thread *serverThread GUARDED_BY(lifeLock) = nullptr;
    qnl::platform::Waker serverWaker;
    std::vector<std::shared_ptr<qnl::net::Connection>>
        clients GUARDED_BY(tableLock); // places 0..count-1
    std::vector<qnl::net::Detached> detached GUARDED_BY(tableLock);
    std::vector<qnl::net::PendingSlot> pending; // server thread only

    // ---- Shared ------------------------------------------------------------------------------
    DataNetStats stats[2] GUARDED_BY(statsLock);
    std::deque<qnl::net::QueuedDataNet> queue GUARDED_BY(queueLock);
    size_t queuedBytes GUARDED_BY(queueLock) = 0;        // payload bytes in the queue
    bool paused[2] GUARDED_BY(queueLock) = {};           // side's thread waits for room
    int receivers GUARDED_BY(queueLock) = 0;             // threads waiting in Receive
    qnl::CondVar queued;                                 // a record was queued
    std::unique_ptr<QLogSystem> log GUARDED_BY(logLock); // own log, or null for ILogSystem
    // A thread in Receive reads the sockets itself (set and cleared under
    // queueLock; the connection threads read it as a hint).
    std::atomic<bool> directReader{false};
    qnl::platform::Waker receiveWaker; // wakes the direct reader

    // ---- Helpers (network.cpp) -------------------------------------------------------------
    void Log(Sint8 level, const char *format, ...) EXCLUDES(logLock) QUENLAR_PRINTF(3, 4);
    void Print(const DataNet *record);
    // SDLNet_Init on first use; `origin` names the caller in the error.
    bool EnsureStarted(const char *origin);
    // Checks the limit, fills aux (from the connection's generator) and crc,
    // writes the packet (side 1 posts it, side 0 waits until it is sent) and
    // counts it. Returns 12 + size, or 0.
    int Transmit(qnl::net::Connection &to, DataNet *record, int side, const char *sender)
        EXCLUDES(to.sendLock, clientLock);
    // Sends a DATANET_SYSTEM record with an optional text payload (and its NUL).
    int SendSystem(qnl::net::Connection &to, Uint8 cmd, int side, const char *sender,
                   const char *text = nullptr) EXCLUDES(to.sendLock);
    // Queues a received record (taking its payload) when the queue has room:
    // fewer than NET_QUEUESIZE records and NET_QUEUEBYTES payload bytes.
    // Otherwise the caller keeps it, `side` is marked as waiting for room
    // (Receive wakes it) and the result is false.
    bool Offer(DataNet &record, int side, const char *name) EXCLUDES(queueLock);
    // Wakes the threads waiting in Receive, if any; the direct reader only
    // when `direct` (it need not be told of what it queued itself).
    void WakeReceivers(bool direct) EXCLUDES(queueLock);
    // Takes the oldest record; notes the sides to wake for the room it made.
    void PopLocked(DataNet *out, DataNetSender *from, bool wake[2]) REQUIRES(queueLock);
    // The direct reader's wait: up to `ms` on every connection of both
    // sides, reading and queueing what arrives.
    void ReadDirectly(int ms) EXCLUDES(tableLock, clientLock, queueLock);
    // Queues what `connection` read, after reading what its socket holds
    // (kReadNow) or waiting for it (kWaitForData), and flags it for its
    // side's thread when that must act.
    enum DirectRead { kHeld, kReadNow, kWaitForData };
    void DeliverDirectly(qnl::net::Connection &connection, int side, DirectRead read)
        EXCLUDES(connection.readLock, queueLock);
    // Queues one of the server's own notices (NETCMD_JOINED, NETCMD_LEFT)
    // about `name`, room or not.
    void Notice(Uint8 cmd, const char *name) EXCLUDES(queueLock);
    // True when the queue is full; `side` is then woken when it has room.
    bool QueueFull(int side) EXCLUDES(queueLock);
    // Queues the records `connection` read (held first), oldest first, while
    // there is room. kLoggedOut: side 0 queued the server's NETCMD_LOGGEDOUT.
    // `direct`: called by the direct reader.
    qnl::net::Delivery Deliver(qnl::net::Connection &connection, int side, const char *name,
                               bool direct = false) REQUIRES(connection.readLock)
        EXCLUDES(queueLock);
    // Stops side 0 (client) or 1 (server): clears the running flag, wakes
    // the thread and waits up to `waitMs` for it to report kClosed; else
    // shuts the side's connections down under it. Joins the thread and makes
    // sure the side is closed. Returns "smooth" or "brute".
    const char *StopSide(int side, Uint32 waitMs) REQUIRES(lifeLock);
    Uint32 Delay() EXCLUDES(delayLock);

    // ---- Server (server.cpp) -----------------------------------------------------------------
    std::shared_ptr<qnl::net::Connection> FindSocket(TCPsocket socket) EXCLUDES(tableLock);
    int FindNameLocked(const char *name) const REQUIRES(tableLock);
    // Takes clients[index] out of the table and hands it to the server
    // thread to close; logs it. The caller tells the others (AnnounceLeft)
    // once the table lock is released.
    void DetachLocked(int index, bool notify) REQUIRES(tableLock);
    void AnnounceLeft(const char *name) EXCLUDES(tableLock);
    // Broadcast's work; `skip`, when given, is left out as well.
    int BroadcastTo(DataNet *record, int excepted, int only,
                    const qnl::net::Connection *skip = nullptr) EXCLUDES(tableLock);
    // Sends the detached clients their NETCMD_LOGGEDOUT and closes them;
    // the server thread, or the closer once it ended.
    void ReapDetached() EXCLUDES(tableLock);
    void CloseServerNow() EXCLUDES(tableLock);
    void JoinServerThread() REQUIRES(lifeLock);
    static int SDLCALL ServerThread(void *data);
    // False when waiting failed (logged): the thread ends.
    bool ServerPass(std::vector<qnl::platform::SocketWait> &waits,
                    std::vector<std::shared_ptr<qnl::net::Connection>> &watched)
        EXCLUDES(tableLock);
    // Logs out the clients whose writes failed, and copies the table into
    // `watched` for this pass.
    void TakeTable(std::vector<std::shared_ptr<qnl::net::Connection>> &watched) EXCLUDES(tableLock);
    // Logs `connection` out unless it already is.
    void LogoutConnection(const std::shared_ptr<qnl::net::Connection> &connection, bool notify)
        EXCLUDES(tableLock);
    void Accept();
    // Reads pending[index]'s login; a finished slot (logged in, refused or
    // gone) is emptied for the caller to remove.
    void ServicePending(size_t index);
    void HandleLogin(const std::shared_ptr<qnl::net::Connection> &connection, const DataNet &login)
        EXCLUDES(tableLock);
    void Refuse(qnl::net::Connection &connection, const char *reason);
    void ExpirePending();

    // ---- Client (client.cpp) --------------------------------------------------------------------
    // Queues what the client's connection read; false (logged) when the
    // session ended: a faulty record, a logout, the server gone. *full: a
    // record waits for room.
    bool ClientDelivers(qnl::net::Connection &connection, bool *full) EXCLUDES(connection.readLock);
    void CloseClientNow() EXCLUDES(clientLock);
    void JoinClientThread() REQUIRES(lifeLock);
    static int SDLCALL ClientThread(void *data);
};

#endif
