#include "net_helpers.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace net_testing {

namespace {
using Clock = std::chrono::steady_clock;

int MsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : (int)left.count();
}
} // namespace

int OpenDescriptors() {
    int count = 0;
    if (DIR *dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count - 3; // ".", ".." and the directory's own
}

Uint16 StartServerOnFreePort(QNetwork &net) {
    std::random_device device;
    Uint16 base = (Uint16)(20000 + device() % 30000);
    for (Uint16 port = base; port < base + 200; ++port)
        if (net.StartServer(port)) return port;
    return 0;
}

bool WaitFor(const std::function<bool()> &done, int ms) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool WaitRecord(QNetwork &net, DataNet *out, DataNetSender *from, int ms) {
    return WaitFor([&] { return net.Receive(out, from) == 1; }, ms);
}

bool WaitRecordOf(QNetwork &net, Uint8 type, Uint8 cmd, DataNet *out, DataNetSender *from, int ms) {
    return WaitFor(
        [&] {
            while (net.Receive(out, from)) {
                if (out->type == type && out->cmd == cmd) return true;
                delete[] out->data;
            }
            return false;
        },
        ms);
}

std::string Take(DataNet &record) {
    std::string text(reinterpret_cast<const char *>(record.data), record.size);
    delete[] record.data;
    record.data = nullptr;
    return text;
}

DataNet Record(Uint8 type, Uint8 cmd, std::string &text) {
    DataNet record;
    record.type = type;
    record.cmd = cmd;
    record.size = (Uint32)text.size();
    record.data = text.empty() ? nullptr : reinterpret_cast<Uint8 *>(&text[0]);
    return record;
}

// ---------------------------------------------------------------------------
// Session
// ---------------------------------------------------------------------------
Session::Session(int count) {
    port = StartServerOnFreePort(server);
    for (int i = 0; i < count; ++i) {
        clients.emplace_back(new QNetwork);
        std::string name = "c" + std::to_string(i + 1);
        logged &= clients.back()->StartClient("127.0.0.1", port, name.c_str()) == 1;
    }
    // The server finishes a login (its log line, its queued record) just
    // after the welcome left: let it, so tests start from a quiet server.
    logged &= WaitFor([&] { return server.QueueCount() >= count; });
}

Session::~Session() {
    for (auto &client : clients)
        client->Quit();
    server.Quit();
}

// ---------------------------------------------------------------------------
// RawPeer
// ---------------------------------------------------------------------------
RawPeer::RawPeer() {
    SDLNet_Init();
}

RawPeer::~RawPeer() {
    if (set_) SDLNet_FreeSocketSet(set_);
    if (socket_) SDLNet_TCP_Close(socket_);
    SDLNet_Quit();
}

bool RawPeer::Connect(Uint16 port) {
    IPaddress address;
    if (SDLNet_ResolveHost(&address, "127.0.0.1", port) != 0) return false;
    socket_ = SDLNet_TCP_Open(&address);
    if (!socket_) return false;
    set_ = SDLNet_AllocSocketSet(1);
    SDLNet_TCP_AddSocket(set_, socket_);
    return true;
}

bool RawPeer::SendBytes(const void *bytes, size_t size) {
    return SDLNet_TCP_Send(socket_, bytes, (int)size) == (int)size;
}

bool RawPeer::Send(DataNet record, bool keep) {
    if (!keep) {
        if (record.type != DATANET_SYSTEM) {
            record.aux = qnl::net::NextAux(generator);
            record.crc = qnl::net::Checksum(record);
        } else {
            record.crc = 0;
        }
    }
    size_t length = 0;
    std::unique_ptr<Uint8[]> packet = qnl::net::BuildPacket(record, &length);
    return SendBytes(packet.get(), length);
}

bool RawPeer::Login(const char *name) {
    const Uint32 seed = 0x5EED1234;
    generator.seed(seed);
    std::string payload = qnl::net::BuildLogin(name, seed);
    if (!Send(Record(DATANET_SYSTEM, NETCMD_LOGIN, payload))) return false;
    DataNet welcome;
    if (!Read(&welcome) || welcome.cmd != NETCMD_WELCOME || welcome.size != 4) {
        delete[] welcome.data;
        return false;
    }
    Uint32 theirs = 0;
    for (int i = 0; i < 4; ++i)
        theirs |= (Uint32)welcome.data[i] << (8 * i);
    delete[] welcome.data;
    reader_.SetMirrorSeed(theirs);
    return true;
}

bool RawPeer::Read(DataNet *out, int ms) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (MsLeft(deadline) > 0) {
        if (SDLNet_CheckSockets(set_, 10) <= 0 || !SDLNet_SocketReady(socket_)) continue;
        int got = SDLNet_TCP_Recv(socket_, reader_.Space(), reader_.Wanted());
        if (got <= 0) return false;
        qnl::net::PacketReader::Status status = reader_.Commit(got);
        if (status == qnl::net::PacketReader::kFailed) return false;
        if (status == qnl::net::PacketReader::kComplete) {
            *out = reader_.Take();
            return true;
        }
    }
    return false;
}

bool RawPeer::WaitClosed(int ms) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    Uint8 scratch[4096];
    while (MsLeft(deadline) > 0) {
        if (SDLNet_CheckSockets(set_, 10) <= 0 || !SDLNet_SocketReady(socket_)) continue;
        if (SDLNet_TCP_Recv(socket_, scratch, sizeof scratch) <= 0) return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Child
// ---------------------------------------------------------------------------
Child::Child(const std::vector<std::string> &argv, const std::string &cwd) {
    // Close-on-exec: a later child must not hold this one's input open.
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC)) return;
    signal(SIGPIPE, SIG_IGN);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0), dup2(out[1], 1), dup2(err[1], 2);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        if (chdir(cwd.c_str()) != 0) _exit(126);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(in[0]), close(out[1]), close(err[1]);
    in_ = in[1], outFd_ = out[0], errFd_ = err[0];
    fcntl(outFd_, F_SETFL, O_NONBLOCK);
    fcntl(errFd_, F_SETFL, O_NONBLOCK);
}

Child::~Child() {
    if (pid_ > 0 && !exited_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    for (int fd : {in_, outFd_, errFd_})
        if (fd >= 0) close(fd);
}

void Child::Write(const std::string &text) {
    if (in_ >= 0 && write(in_, text.data(), text.size()) < 0) CloseInput();
}

void Child::CloseInput() {
    if (in_ >= 0) close(in_);
    in_ = -1;
}

void Child::Signal(int signal) {
    if (pid_ > 0 && !exited_) kill(pid_, signal);
}

void Child::Pump(int ms) {
    struct pollfd fds[2];
    int n = 0;
    if (outFd_ >= 0) fds[n++] = {outFd_, POLLIN, 0};
    if (errFd_ >= 0) fds[n++] = {errFd_, POLLIN, 0};
    if (n == 0 || poll(fds, n, ms) <= 0) return;
    char buffer[4096];
    for (int i = 0; i < n; ++i) {
        if (!fds[i].revents) continue;
        ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
        bool isOut = fds[i].fd == outFd_;
        if (got > 0) {
            (isOut ? out_ : err_).append(buffer, (size_t)got);
        } else if (got == 0 || errno != EAGAIN) {
            close(fds[i].fd);
            (isOut ? outFd_ : errFd_) = -1;
        }
    }
}

bool Child::WaitOutput(const std::string &text, int ms) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (out_.find(text) == std::string::npos) {
        if (MsLeft(deadline) == 0 || (outFd_ < 0 && errFd_ < 0)) return false;
        Pump(std::min(MsLeft(deadline), 50));
    }
    return true;
}

bool Child::WaitError(const std::string &text, int ms) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (err_.find(text) == std::string::npos) {
        if (MsLeft(deadline) == 0 || (outFd_ < 0 && errFd_ < 0)) return false;
        Pump(std::min(MsLeft(deadline), 50));
    }
    return true;
}

int Child::Wait(int ms) {
    Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (!exited_ && pid_ > 0) {
        int status = 0;
        pid_t done = waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            exited_ = true;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        if (MsLeft(deadline) == 0) return -1;
        Pump(10);
    }
    while (outFd_ >= 0 || errFd_ >= 0)
        Pump(50); // what it wrote last
    return status_;
}

} // namespace net_testing
