// netchat: a line chat over INetwork.
//
//   netchat server PORT              relays every line a client sends to all
//                                    the other clients, as "NAME: line"
//   netchat client HOST PORT NAME    sends each line of standard input and
//                                    prints every line that arrives
//
// Chat lines are type 1, cmd 1 records whose payload is the text (no NUL).
// Joins and departures are reported on standard error by the client and on
// standard output by the server. Both end on end of input or Ctrl+C, shutting
// the network down with INetwork->Quit(). The log goes to "netchat.log" in the
// working directory. Exit status: 0 normal end, 1 network failure or lost
// connection, 2 bad arguments.
#include <quenlar/quenlar.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

constexpr Uint8 kChatType = 1, kChatCmd = 1;
constexpr size_t kMaxLine = 65536; // longer lines go out in pieces of this size
constexpr int kPollMs = 20;        // how long one pass waits for standard input

volatile sig_atomic_t g_interrupted = 0;
void OnSignal(int) {
    g_interrupted = 1;
}

void CatchSignals() {
    struct sigaction action;
    memset(&action, 0, sizeof action);
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: poll returns at once with EINTR.
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int Usage() {
    fprintf(stderr, "usage: netchat server PORT\n"
                    "       netchat client HOST PORT NAME\n");
    return 2;
}

bool ParsePort(const char *text, Uint16 *port) {
    char *end = nullptr;
    long value = strtol(text, &end, 10);
    if (!*text || *end || value < 1 || value > 65535) return false;
    *port = (Uint16)value;
    return true;
}

// Standard input, split into lines. Wait() returns false once input ended or
// a signal arrived.
class LineInput {
public:
    bool Wait() {
        if (ended_ || g_interrupted) return false;
        struct pollfd fd = {0, POLLIN, 0};
        int ready = poll(&fd, 1, kPollMs);
        if (ready < 0) return errno == EINTR ? !g_interrupted : false;
        if (ready == 0) return true;
        char chunk[4096];
        ssize_t got = read(0, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) return !g_interrupted;
        if (got <= 0) {
            ended_ = true;
            if (!pending_.empty()) lines_.push_back(pending_); // the last, unterminated line
            pending_.clear();
            return true; // hand out what is left first
        }
        for (ssize_t i = 0; i < got; ++i) {
            char c = chunk[i];
            if (c == '\n') {
                if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
                lines_.push_back(pending_);
                pending_.clear();
            } else {
                pending_.push_back(c);
                if (pending_.size() == kMaxLine) lines_.push_back(pending_), pending_.clear();
            }
        }
        return true;
    }
    bool Next(std::string *line) {
        if (lines_.empty()) return false;
        *line = lines_.front();
        lines_.erase(lines_.begin());
        return true;
    }
    bool Ended() const { return ended_ && lines_.empty(); }

private:
    bool ended_ = false;
    std::string pending_;
    std::vector<std::string> lines_;
};

std::string Text(const DataNet &record) {
    std::string text(reinterpret_cast<const char *>(record.data), record.size);
    // A peer's bytes must not break the one-message-per-line output.
    for (char &c : text)
        if ((unsigned char)c < 32 && c != '\t') c = '?';
    return text;
}

// The name carried by a join or leave record (NUL-terminated, bounded).
std::string Name(const DataNet &record) {
    if (!record.data || !record.size) return std::string();
    return Text(record).substr(0,
                               strnlen(reinterpret_cast<const char *>(record.data), record.size));
}

// ---------------------------------------------------------------------------
// Server
// ---------------------------------------------------------------------------
int RunServer(Uint16 port) {
    if (!INetwork->StartServer(port)) {
        fprintf(stderr, "netchat: cannot start the server on port %d (see netchat.log)\n", port);
        return 1;
    }
    printf("netchat: server listening on port %d\n", port);
    fflush(stdout);

    LineInput input; // the server only watches it for its end
    std::string ignored;
    while (input.Wait() && !input.Ended()) {
        while (input.Next(&ignored)) {
        }
        DataNet record;
        DataNetSender from;
        while (INetwork->Receive(&record, &from)) {
            if (record.type == kChatType && record.cmd == kChatCmd) {
                std::string line = std::string(from.name) + ": " + Text(record);
                DataNet relay;
                relay.type = kChatType;
                relay.cmd = kChatCmd;
                relay.size = (Uint32)line.size();
                relay.data = reinterpret_cast<Uint8 *>(&line[0]);
                INetwork->Broadcast(&relay, INetwork->FindClient(from.name), -1);
                printf("%s\n", line.c_str());
            } else if (record.type == DATANET_SYSTEM && record.cmd == NETCMD_JOINED) {
                printf("* %s joined\n", Name(record).c_str());
            } else if (record.type == DATANET_SYSTEM && record.cmd == NETCMD_LEFT) {
                printf("* %s left\n", Name(record).c_str());
            }
            fflush(stdout);
            delete[] record.data;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Client
// ---------------------------------------------------------------------------
int RunClient(const char *host, Uint16 port, const char *name) {
    if (!INetwork->StartClient(host, port, name)) {
        fprintf(stderr, "netchat: cannot join %s:%d as '%s' (see netchat.log)\n", host, port, name);
        return 1;
    }
    fprintf(stderr, "netchat: joined %s:%d as '%s'\n", host, port, name);

    LineInput input;
    std::string line;
    int status = 0;
    while (input.Wait()) {
        while (input.Next(&line)) {
            DataNet record;
            record.type = kChatType;
            record.cmd = kChatCmd;
            record.size = (Uint32)line.size();
            record.data = reinterpret_cast<Uint8 *>(&line[0]);
            if (!INetwork->SendToServer(&record)) fprintf(stderr, "netchat: a line was not sent\n");
        }
        DataNet record;
        while (INetwork->Receive(&record)) {
            if (record.type == kChatType && record.cmd == kChatCmd) {
                printf("%s\n", Text(record).c_str());
                fflush(stdout);
            } else if (record.type == DATANET_SYSTEM && record.cmd == NETCMD_JOINED) {
                fprintf(stderr, "* %s joined\n", Name(record).c_str());
            } else if (record.type == DATANET_SYSTEM && record.cmd == NETCMD_LEFT) {
                fprintf(stderr, "* %s left\n", Name(record).c_str());
            }
            delete[] record.data;
        }
        if (input.Ended()) break;
        if (!INetwork->IsClientRunning()) {
            fprintf(stderr, "netchat: the connection to the server ended\n");
            status = 1;
            break;
        }
    }
    return status;
}

} // namespace

int main(int argc, char **argv) {
    Uint16 port = 0;
    bool server = argc == 3 && strcmp(argv[1], "server") == 0 && ParsePort(argv[2], &port);
    bool client = argc == 5 && strcmp(argv[1], "client") == 0 && ParsePort(argv[3], &port);
    if (!server && !client) return Usage();

    ILogSystem.Init("netchat.log", LOG_NEWFILE, 2, "netchat");
    if (Quenlar.Init(0) != 1) {
        fprintf(stderr, "netchat: the SDK did not start (see netchat.log)\n");
        return 1;
    }
    CatchSignals();

    int status = server ? RunServer(port) : RunClient(argv[2], port, argv[4]);

    // Quenlar.Quit would do it too, with a warning: end the sessions first.
    if (INetwork->IsInitialized()) INetwork->Quit();
    Quenlar.Quit();
    return status;
}
