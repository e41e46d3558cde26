// Helpers of the network tests: free ports, bounded waits, a raw peer that
// speaks the wire form by hand, and child processes for the netchat tests.
// Everything runs on loopback (127.0.0.1) and gives up within seconds.
#ifndef QUENLAR_TESTS_NET_HELPERS_H
#define QUENLAR_TESTS_NET_HELPERS_H

#include <quenlar/net/network.h>
#include <quenlar/net/wire_private.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <sys/types.h>
#include <vector>

namespace net_testing {

// The largest block allocated with operator new since the last reset, and
// the most bytes held through operator new at once since then.
void ResetLargestAllocation();
size_t LargestAllocation();
size_t PeakHeldBytes();

// The process's open file descriptors.
int OpenDescriptors();

// Starts `net`'s server on a free port from a random base; the port, or 0.
Uint16 StartServerOnFreePort(QNetwork &net);

// Polls `done` until it holds or `ms` milliseconds of real time passed.
bool WaitFor(const std::function<bool()> &done, int ms = 5000);

// Waits for the next queued record of `net`; false on timeout.
bool WaitRecord(QNetwork &net, DataNet *out, DataNetSender *from = nullptr, int ms = 5000);
// Waits for the next queued record of `type` and `cmd`, dropping others.
bool WaitRecordOf(QNetwork &net, Uint8 type, Uint8 cmd, DataNet *out, DataNetSender *from = nullptr,
                  int ms = 5000);

// The payload as a string (and frees it).
std::string Take(DataNet &record);

// A record of `type`/`cmd` whose payload is `text` (kept by the caller).
DataNet Record(Uint8 type, Uint8 cmd, std::string &text);

// A server and `count` clients named c1, c2, ... logged in, in that order;
// the server's queue holds their NETCMD_JOINED notices.
struct Session {
    explicit Session(int count);
    ~Session();
    QNetwork &client(int i) { return *clients[i]; }

    QNetwork server;
    Uint16 port = 0;
    bool logged = true;
    std::vector<std::unique_ptr<QNetwork>> clients;
};

// A TCP peer driven byte by byte, to send what INetwork never would.
class RawPeer {
public:
    RawPeer();
    ~RawPeer();
    RawPeer(const RawPeer &) = delete;
    RawPeer &operator=(const RawPeer &) = delete;

    bool Connect(Uint16 port);
    bool SendBytes(const void *bytes, size_t size);
    // Sends `record` as a client would: aux from `generator` (types but 32)
    // and the checksum, unless the caller set them (`keep` true).
    bool Send(DataNet record, bool keep = false);
    // Logs in with `name`; true when welcomed (the server's seed is mirrored).
    bool Login(const char *name);
    // The next record from the server within `ms`; false on close or timeout.
    bool Read(DataNet *out, int ms = 5000);
    // Waits until the server closed the connection (records read are dropped).
    bool WaitClosed(int ms = 5000);

    std::mt19937 generator; // ours (seeded by Login)

private:
    TCPsocket socket_ = nullptr;
    SDLNet_SocketSet set_ = nullptr;
    qnl::net::PacketReader reader_;
};

// A program run with pipes on its standard streams.
class Child {
public:
    Child(const std::vector<std::string> &argv, const std::string &cwd);
    ~Child(); // kills it if still running
    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    void Write(const std::string &text);
    void CloseInput();
    void Signal(int signal);
    // Reads standard output (or error) until it contains `text`.
    bool WaitOutput(const std::string &text, int ms = 10000);
    bool WaitError(const std::string &text, int ms = 10000);
    // The exit status, or -1 when it did not exit normally within `ms`.
    int Wait(int ms = 10000);
    const std::string &Out() const { return out_; }
    const std::string &Err() const { return err_; }

private:
    void Pump(int ms);

    pid_t pid_ = -1;
    int in_ = -1, outFd_ = -1, errFd_ = -1;
    std::string out_, err_;
    int status_ = -1;
    bool exited_ = false;
};

} // namespace net_testing

#endif
