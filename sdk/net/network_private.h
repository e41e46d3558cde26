// INetwork's state, shared by network.cpp (sending, queue, shutdown),
// server.cpp and client.cpp. SDK-internal; not installed.
//
// Threads and locks. The application may call INetwork from any thread; the
// server and the client each run a connection thread. A socket set is waited
// on, changed and freed only by its own thread, or by whoever closes that side
// once the thread has ended; sockets are closed under the same rule, so no
// thread ever waits on a socket that another one freed. The server's sockets
// that the application logs out while the server thread runs are therefore
// "detached": taken out of the table at once and closed by the server thread
// on its next pass (within kServerPollMs).
//
// Stopping a side clears its running flag and waits for its thread to close
// the side and end. A thread that does not end in time is stuck in a send to
// a peer that stopped reading (or waits for a lock whose holder is): its
// connections are then shut down under it (AbortConnection), which makes
// every blocked call return, and it is joined. Threads are never killed: a
// thread cut off at a random point could leave a lock taken or the heap
// half-changed.
//
// The seven mutexes, in lock order (take an earlier one before a later one):
//   lifeLock        start, close and Quit of the sides (never held by the threads)
//   tableLock       the server's client table, its generators and detached list;
//                   held across every send the server makes, so aux values
//                   leave in the order they were drawn
//   clientSendLock  the client's socket and generator, across its sends
//   setLock         the two socket sets, the client socket's and serverLive's
//                   changes, and the closing of sockets
//   queueLock       the received queue
//   statsLock       the statistics
//   delayLock       the client's delay value
#ifndef QUENLAR_NET_NETWORK_PRIVATE_H
#define QUENLAR_NET_NETWORK_PRIVATE_H

#include <quenlar/net/network.h>
#include <quenlar/net/wire_private.h>

#include <quenlar/core/log.h>

#include <atomic>
#include <deque>
#include <memory>
#include <random>
#include <vector>

class QLogSystem;

namespace qnl {
namespace net {

constexpr int kMaxPending = 8;           // accepted connections not logged in yet
constexpr Uint32 kLoginTimeoutMs = 5000; // a pending connection's time to log in
constexpr Uint32 kServerPollMs = 20;     // the server thread's longest wait per pass
constexpr Uint32 kDefaultDelayMs = 20;   // the client thread's, unless SetDelay
constexpr Uint32 kMaxDelayMs = 10000;
constexpr int kAnswerPolls = 100; // StartClient waits 100 x 50 ms for the answer
constexpr Uint32 kAnswerPollMs = 50;
constexpr Uint32 kLoginLimit = DATANET_HEADER + NET_NAMESIZE + 4;
constexpr Uint32 kAnswerLimit = DATANET_HEADER + 256;

// Close states of a side.
enum { kIdle = 0, kRunning = 1, kClosed = 2 };

// Holds an SDL mutex for its scope.
class MutexLock {
public:
    explicit MutexLock(SDL_mutex *mutex) : mutex_(mutex) { SDL_mutexP(mutex_); }
    ~MutexLock() { SDL_mutexV(mutex_); }
    MutexLock(const MutexLock &) = delete;
    MutexLock &operator=(const MutexLock &) = delete;

private:
    SDL_mutex *mutex_;
};

// A logged-in client of the server.
struct ClientSlot {
    TCPsocket socket = nullptr;
    char name[NET_NAMESIZE] = {};
    std::mt19937 generator; // the server's, for the aux of what it sends here
    PacketReader reader;    // mirrors the client's generator
};

// An accepted connection that has not logged in yet (server thread only).
struct PendingSlot {
    TCPsocket socket = nullptr;
    PacketReader reader{kLoginLimit};
    Uint32 since = 0; // QuenlarTicks at accept
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

    // ---- Flags ---------------------------------------------------------------
    std::atomic<int> initialised{0};   // SDLNet_Init done, until Quit
    std::atomic<int> clientRunning{0}; // cleared to ask the client thread to stop
    std::atomic<int> serverRunning{0}; // ... and the server thread
    std::atomic<int> clientState{qnl::net::kIdle};
    std::atomic<int> serverState{qnl::net::kIdle};

    // ---- Client side -----------------------------------------------------------
    TCPsocket clientSocket = nullptr; // read under clientSendLock or setLock; changed under both
    SDLNet_SocketSet clientSet = nullptr; // under setLock
    char clientName[NET_NAMESIZE] = {};
    SDL_Thread *clientThread = nullptr;
    std::mt19937 clientGenerator;             // under clientSendLock
    qnl::net::PacketReader clientReader;      // client thread only; mirrors the server's generator
    Uint32 delay = qnl::net::kDefaultDelayMs; // under delayLock

    // ---- Server side -------------------------------------------------------------
    TCPsocket listenSocket = nullptr;
    SDLNet_SocketSet serverSet = nullptr; // under setLock
    SDL_Thread *serverThread = nullptr;
    std::atomic<int> serverThreadAlive{0};
    std::vector<qnl::net::ClientSlot> clients;  // places 0..count-1, under tableLock
    std::vector<TCPsocket> detached;            // under tableLock
    bool setDirty = false;                      // under tableLock
    std::vector<qnl::net::PendingSlot> pending; // server thread only
    std::vector<TCPsocket> serverLive;          // every open connection (pending,
                                                // clients, detached); under setLock

    // ---- Shared ------------------------------------------------------------------
    DataNetStats stats[2];                     // under statsLock
    std::deque<qnl::net::QueuedDataNet> queue; // under queueLock
    QLogSystem *log = nullptr;                 // own log, or null for ILogSystem

    SDL_mutex *lifeLock, *tableLock, *clientSendLock, *setLock, *queueLock, *statsLock, *delayLock;

    // ---- Helpers (network.cpp) -------------------------------------------------------
    void Log(Sint8 level, const char *format, ...) QUENLAR_PRINTF(3, 4);
    void Print(const DataNet *record);
    // SDLNet_Init on first use; `origin` names the caller in the error.
    bool EnsureStarted(const char *origin);
    // Checks the limit, fills aux (from `generator`) and crc, sends the whole
    // packet and counts it. The caller holds the lock of `socket`'s side.
    int Transmit(TCPsocket socket, DataNet *record, int side, std::mt19937 *generator,
                 const char *sender);
    // Sends a DATANET_SYSTEM record with an optional text payload (and its NUL).
    int SendSystem(TCPsocket socket, Uint8 cmd, int side, const char *sender,
                   const char *text = nullptr);
    // Queues a received record (taking its payload), or drops it when full.
    void Enqueue(const DataNet &record, int side, const char *name);
    // Stops side 0 (client) or 1 (server): clears the running flag and waits
    // up to `waitMs` for the thread to report kClosed; else shuts the side's
    // connections down under it. Joins the thread and makes sure the side is
    // closed. Returns "smooth" or "brute".
    const char *StopSide(int side, Uint32 waitMs);
    Uint32 Delay();

    // ---- Server (server.cpp) --------------------------------------------------------------
    int FindSocketLocked(TCPsocket socket) const;
    int FindNameLocked(const char *name) const;
    bool OnServerThread() const;
    // Logs out clients[index]; tableLock held.
    void LogoutLocked(int index, bool notify);
    int BroadcastLocked(DataNet *record, int excepted, int only);
    // Closes the detached sockets and rebuilds the set when needed; server
    // thread (or no thread) only, tableLock held.
    void ReapLocked();
    void RebuildSetLocked();
    // Closes one of the server's connections; setLock held.
    void CloseSocketLocked(TCPsocket socket);
    void CloseServerNow();
    void JoinServerThread();
    static int SDLCALL ServerThread(void *data);
    void ServerPass();
    void Accept();
    void ServicePending();
    void ServiceClients();
    void HandleLogin(qnl::net::PendingSlot &slot, const DataNet &login);
    void Refuse(TCPsocket socket, const char *reason);
    void ExpirePending();

    // ---- Client (client.cpp) -----------------------------------------------------------------
    void CloseClientNow();
    void JoinClientThread();
    static int SDLCALL ClientThread(void *data);
};

#endif
