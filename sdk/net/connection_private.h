// One TCP connection of INetwork: its socket, the bytes read from it that
// are not records yet, and the bytes waiting to be written to it.
// SDK-internal; not installed.
//
// Reading goes under readLock: the side's connection thread reads, and so
// does an application thread waiting in Receive. Fill takes what the socket
// has, TakeNext cuts records out of it. Writing may come from any thread,
// under sendLock: the server posts (writes what the socket takes now and
// keeps the rest, up to kMaxBacklog), the client sends (waits until the
// socket took the whole packet). Close waits for a read or write under way
// and closes the socket once; Abort cuts the connection under a write that
// waits for a peer that stopped reading.
#ifndef QUENLAR_NET_CONNECTION_PRIVATE_H
#define QUENLAR_NET_CONNECTION_PRIVATE_H

#include <quenlar/core/mutex_private.h>
#include <quenlar/net/wire_private.h>

#include <SDL_net.h>
#include <atomic>
#include <memory>
#include <random>

namespace qnl {
namespace net {

constexpr size_t kInboxBytes = 65536;             // read from a socket at once, at most
constexpr int kReceiveWaitMs = 20;                // a waiting Fill's longest wait
constexpr size_t kMaxBacklog = 2 * DATANET_LIMIT; // bytes waiting for one slow peer, at most

// Bytes taken from the front and added at the back of one block.
class ByteQueue {
public:
    size_t Size() const { return end_ - begin_; }
    const Uint8 *Data() const { return data_.get() + begin_; }
    void Consume(size_t count);
    // Room for `count` more bytes at the back; returns where they go. False
    // (null) when there is no memory.
    Uint8 *Reserve(size_t count);
    void Commit(size_t count) { end_ += count; } // `count` bytes written at Reserve's place
    // Frees the block when it is empty and larger than `keep` bytes.
    void Trim(size_t keep);

private:
    std::unique_ptr<Uint8[]> data_;
    size_t capacity_ = 0, begin_ = 0, end_ = 0;
};

class Connection {
public:
    // `socket` is the connection's (closed by Close or the destructor);
    // `handle` its platform handle; `readLimit` the largest packet Next takes.
    Connection(TCPsocket socket, int handle, Uint32 readLimit);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    TCPsocket const socket;
    const int handle;
    // The client's name on the server (set before others can see the
    // connection, constant after).
    char name[NET_NAMESIZE] = {};

    // ---- Reading ---------------------------------------------------------------------
    enum Next { kRecord, kNeedData, kFaulty };
    Mutex readLock;
    // Cuts the next complete record out of the bytes read: kRecord with *out
    // (its payload now the caller's), kNeedData when they hold none,
    // kFaulty when the packet in progress is faulty (reader.Error()).
    Next TakeNext(DataNet *out) REQUIRES(readLock);
    // Reads what the socket holds now, at most `most` bytes (beyond the
    // packet in progress, when that is large); with `wait`, waits for data
    // up to kReceiveWaitMs. False once the connection ended or was closed.
    bool Fill(size_t most = kInboxBytes, bool wait = false) REQUIRES(readLock);
    // Replaced by the owner when its limit or mirror changes.
    PacketReader reader GUARDED_BY(readLock);
    DataNet held GUARDED_BY(readLock); // taken out, waiting for room in the queue
    bool holding GUARDED_BY(readLock) = false;
    // The peer closed the connection (what was read still counts).
    bool ended GUARDED_BY(readLock) = false;
    // The server's NETCMD_LOGGEDOUT was queued (client side).
    bool loggedOut GUARDED_BY(readLock) = false;

    // ---- Writing (any thread) ---------------------------------------------------
    enum Write { kWritten, kOverflow, kBroken, kClosed };
    Mutex sendLock ACQUIRED_AFTER(readLock);
    std::mt19937 generator GUARDED_BY(sendLock);
    bool hasGenerator GUARDED_BY(sendLock) = false; // else only DATANET_SYSTEM records
    // Writes the packet of `record` (aux and crc already set) as far as the
    // socket takes it now and keeps the rest for Flush. kWritten: all of it
    // is written or kept (*written is the whole packet); *nowWaiting then
    // tells whether a backlog began. kOverflow: the backlog would pass
    // kMaxBacklog, nothing is kept and the connection is marked failed.
    Write Post(const DataNet &record, size_t *written, bool *nowWaiting) REQUIRES(sendLock);
    // Writes the whole packet, waiting for the socket as long as it takes.
    // *written: the bytes the socket took.
    Write Send(const DataNet &record, size_t *written) REQUIRES(sendLock);
    // Writes what the socket takes of the backlog; false when that failed.
    bool Flush() REQUIRES(sendLock);
    size_t Backlog() REQUIRES(sendLock) { return outbox_.Size(); }
    // A write failed or overflowed: the owner drops the connection.
    std::atomic<bool> failed{false};
    // Logged out of the server's table: nothing it sends is queued any more.
    std::atomic<bool> gone{false};
    // Its side's thread must look at it: the direct reader (network_private.h)
    // found it ended, faulty, logged out or short of room.
    std::atomic<bool> attention{false};

    // ---- Closing --------------------------------------------------------------------
    void Close() EXCLUDES(readLock, sendLock, socketLock);
    // Shuts the connection down under a waiting write; the socket stays
    // open until Close. False when already closed or not connected.
    bool Abort() EXCLUDES(socketLock);

private:
    Write Fail(Write why) REQUIRES(sendLock);

    ByteQueue inbox_ GUARDED_BY(readLock);
    bool readClosed_ GUARDED_BY(readLock) = false;
    ByteQueue outbox_ GUARDED_BY(sendLock);
    bool closed_ GUARDED_BY(sendLock) = false;
    Mutex socketLock ACQUIRED_AFTER(sendLock);
    bool open_ GUARDED_BY(socketLock) = true;
};

} // namespace net
} // namespace qnl

#endif
