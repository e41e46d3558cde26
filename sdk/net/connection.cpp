// A connection's buffers: records cut out of what the socket had, packets
// written without blocking (or, for the client, until the socket took them).
#include <quenlar/net/connection_private.h>

#include <quenlar/platform/socket_private.h>

#include <cstring>
#include <new>

namespace qnl {
namespace net {

namespace platform = qnl::platform;

// ---------------------------------------------------------------------------
// ByteQueue
// ---------------------------------------------------------------------------
void ByteQueue::Consume(size_t count) {
    begin_ += count;
    if (begin_ == end_) begin_ = end_ = 0;
}

Uint8 *ByteQueue::Reserve(size_t count) {
    if (capacity_ - end_ >= count) return data_.get() + end_;
    size_t size = Size();
    if (capacity_ - size >= count && begin_ > 0) {
        memmove(data_.get(), data_.get() + begin_, size);
    } else {
        size_t capacity = capacity_ ? capacity_ : 4096;
        while (capacity - size < count)
            capacity *= 2;
        std::unique_ptr<Uint8[]> data(new (std::nothrow) Uint8[capacity]);
        if (!data) return nullptr;
        if (size) memcpy(data.get(), data_.get() + begin_, size);
        data_ = std::move(data);
        capacity_ = capacity;
    }
    begin_ = 0;
    end_ = size;
    return data_.get() + end_;
}

void ByteQueue::Trim(size_t keep) {
    if (Size() == 0 && capacity_ > keep) {
        data_.reset();
        capacity_ = begin_ = end_ = 0;
    }
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------
Connection::Connection(TCPsocket socket, int handle, Uint32 readLimit)
    : socket(socket), handle(handle), reader(readLimit) {
    platform::SetReceiveTimeout(handle, kReceiveWaitMs);
}

Connection::~Connection() {
    Close();
    MutexLock read(readLock);
    if (holding) delete[] held.data;
}

Connection::Next Connection::TakeNext(DataNet *out) {
    PacketReader::Status status;
    do {
        size_t used = 0;
        status = reader.Feed(inbox_.Data(), inbox_.Size(), &used);
        inbox_.Consume(used);
    } while (status == PacketReader::kIncomplete && inbox_.Size() > 0);
    if (status == PacketReader::kFailed) return kFaulty;
    if (status == PacketReader::kIncomplete) return kNeedData;
    *out = reader.Take();
    return kRecord;
}

bool Connection::Fill(size_t most, bool wait) {
    if (readClosed_) return false;
    auto receive = wait ? platform::ReceiveWaiting : platform::ReceiveSome;
    // A large payload goes straight where it belongs, without the inbox.
    if (inbox_.Size() == 0 && (size_t)reader.Wanted() >= kInboxBytes) {
        long got = receive(handle, reader.Space(), (size_t)reader.Wanted());
        if (got > 0) reader.Commit((int)got);
        return got != platform::kEnded;
    }
    if (most > kInboxBytes) most = kInboxBytes;
    Uint8 *space = inbox_.Reserve(most);
    if (!space) return true; // no memory now: the socket keeps the bytes
    long got = receive(handle, space, most);
    if (got > 0) inbox_.Commit((size_t)got);
    return got != platform::kEnded;
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------
Connection::Write Connection::Fail(Write why) {
    failed = true;
    return why;
}

Connection::Write Connection::Post(const DataNet &record, size_t *written, bool *nowWaiting) {
    *written = 0;
    *nowWaiting = false;
    if (closed_) return kClosed;
    if (failed) return kBroken;
    size_t total = DATANET_HEADER + (size_t)record.size;
    size_t waiting = outbox_.Size();
    if (waiting + total > kMaxBacklog) return Fail(kOverflow);
    Uint8 *space = outbox_.Reserve(total);
    if (!space) return Fail(kOverflow);
    WritePacket(record, space);
    outbox_.Commit(total);
    if (waiting > 0) { // behind a backlog the packet waits its turn
        *written = total;
        return kWritten;
    }
    bool ok = Flush();
    *written = ok ? total : total - outbox_.Size();
    *nowWaiting = ok && outbox_.Size() > 0;
    return ok ? kWritten : kBroken;
}

Connection::Write Connection::Send(const DataNet &record, size_t *written) {
    *written = 0;
    if (closed_) return kClosed;
    size_t total = DATANET_HEADER + (size_t)record.size;
    Uint8 *space = outbox_.Reserve(total);
    if (!space) return Fail(kBroken);
    WritePacket(record, space);
    outbox_.Commit(total);
    while (Flush() && outbox_.Size()) {
        platform::SocketWait wait;
        wait.handle = handle;
        wait.write = true;
        if (platform::WaitSockets(&wait, 1, -1) < 0) {
            failed = true;
            break;
        }
    }
    *written = total - outbox_.Size();
    outbox_.Consume(outbox_.Size()); // a failed connection keeps nothing
    outbox_.Trim(kInboxBytes);
    return *written == total ? kWritten : kBroken;
}

bool Connection::Flush() {
    while (outbox_.Size()) {
        long sent = platform::SendSome(handle, outbox_.Data(), outbox_.Size());
        if (sent == platform::kWouldBlock) break;
        if (sent == platform::kEnded) {
            failed = true;
            return false;
        }
        outbox_.Consume((size_t)sent);
    }
    outbox_.Trim(kMaxBacklog / 4);
    return true;
}

// ---------------------------------------------------------------------------
// Closing
// ---------------------------------------------------------------------------
void Connection::Close() {
    MutexLock read(readLock); // no read is under way
    MutexLock send(sendLock); // nor any write
    MutexLock lock(socketLock);
    if (!open_) return;
    open_ = false;
    readClosed_ = true;
    closed_ = true;
    SDLNet_TCP_Close(socket);
}

bool Connection::Abort() {
    MutexLock lock(socketLock);
    return open_ && platform::AbortConnection(socket);
}

} // namespace net
} // namespace qnl
