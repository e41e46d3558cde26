// INetwork's client side: connecting and logging in, the client thread that
// receives, and closing.
#include <quenlar/net/network_private.h>

#include <quenlar/core/bytes_private.h>

#include <cstring>

using namespace qnl::net;

namespace {
// Reads one record from `socket` within kAnswerPolls x kAnswerPollMs.
// Returns 1 with the record, 0 when the connection closed or timed out, -1
// when the record was faulty (`reader` says why).
int ReadAnswer(TCPsocket socket, SDLNet_SocketSet set, PacketReader &reader, DataNet *out) {
    for (int poll = 0; poll < kAnswerPolls; ++poll) {
        if (SDLNet_CheckSockets(set, kAnswerPollMs) <= 0 || !SDLNet_SocketReady(socket)) continue;
        int got = SDLNet_TCP_Recv(socket, reader.Space(), reader.Wanted());
        if (got <= 0) return 0;
        PacketReader::Status status = reader.Commit(got);
        if (status == PacketReader::kFailed) return -1;
        if (status == PacketReader::kComplete) {
            *out = reader.Take();
            return 1;
        }
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
    SDLNet_SocketSet set = SDLNet_AllocSocketSet(1);
    if (!set) {
        s.Log(0, " . [INetwork->StartClient('%s',%d,'%s')] Error: %s\n", host, port, name,
              SDLNet_GetError());
        SDLNet_TCP_Close(socket);
        return 0;
    }
    SDLNet_TCP_AddSocket(set, socket);

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
    PacketReader reader(kAnswerLimit);
    if (s.Transmit(socket, &request, 0, nullptr, name))
        got = ReadAnswer(socket, set, reader, &answer);
    std::unique_ptr<Uint8[]> payload(answer.data);

    const char *problem = nullptr;
    char reason[128] = "";
    if (got < 0) {
        snprintf(reason, sizeof reason, "%s", reader.Error());
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
        SDLNet_FreeSocketSet(set);
        SDLNet_TCP_Close(socket);
        return 0;
    }

    {
        MutexLock send(s.clientSendLock);
        MutexLock sets(s.setLock);
        s.clientSocket = socket;
        s.clientSet = set;
        s.clientGenerator.seed(seed);
        snprintf(s.clientName, sizeof s.clientName, "%s", name);
    }
    s.clientReader = PacketReader();
    s.clientReader.SetMirrorSeed(qnl::GetLE32(payload.get()));
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
    MutexLock send(clientSendLock); // no send is under way on the socket
    TCPsocket socket;
    {
        MutexLock sets(setLock);
        socket = clientSocket;
        clientSocket = nullptr;
        if (clientSet) SDLNet_FreeSocketSet(clientSet);
        clientSet = nullptr;
        if (socket) SDLNet_TCP_Close(socket);
    }
    if (socket) Log(2, " [INetwork Client] Info: client closed.\n");
    clientRunning = 0;
}

// ---------------------------------------------------------------------------
// The client thread
// ---------------------------------------------------------------------------
int SDLCALL QNetwork::State::ClientThread(void *data) {
    State &s = *static_cast<State *>(data);
    // Only this thread closes the socket while it runs, so it reads it unlocked.
    TCPsocket socket = s.clientSocket;
    while (s.clientRunning) {
        int ready = SDLNet_CheckSockets(s.clientSet, s.Delay());
        if (!s.clientRunning) break; // asked to stop while waiting
        if (ready < 0) {
            s.Log(0, " [INetwork Client] Error: waiting for the server failed: %s\n",
                  SDLNet_GetError());
            break;
        }
        if (ready == 0 || !SDLNet_SocketReady(socket)) continue;
        int got = SDLNet_TCP_Recv(socket, s.clientReader.Space(), s.clientReader.Wanted());
        if (got <= 0) {
            s.Log(2, " [INetwork Client] Warning: the server closed the connection.\n");
            break;
        }
        PacketReader::Status status = s.clientReader.Commit(got);
        if (status == PacketReader::kFailed) {
            s.Log(0, " [INetwork Client] Error: DataNet from the server dropped: %s.\n",
                  s.clientReader.Error());
            break;
        }
        if (status != PacketReader::kComplete) continue;
        DataNet record = s.clientReader.Take();
        bool loggedOut = record.type == DATANET_SYSTEM && record.cmd == NETCMD_LOGGEDOUT;
        s.Enqueue(record, 0, "server");
        if (loggedOut) {
            s.Log(2, " [INetwork Client] Info: logged out by the server.\n");
            break;
        }
    }
    s.CloseClientNow();
    s.clientState = kClosed;
    return 0;
}
