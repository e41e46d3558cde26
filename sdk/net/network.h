// INetwork: DataNet records over TCP (SDL_net). One process can be a client
// of a server, a server for up to 8 clients, or both. Each side runs its
// connection on a thread of its own; received records wait in a queue until
// the application takes them with Receive.
//
// Nothing received is lost. The queue holds at most 512 records
// (NET_QUEUESIZE) and 16 MiB of payload (NET_QUEUEBYTES); when a record does
// not fit, the side stops reading its sockets until Receive makes room, and
// TCP then holds the senders back: a client's SendToServer waits, the
// server's sends pile up for that client (see below). The server's own
// notices (NETCMD_JOINED, NETCMD_LEFT) are queued even when the queue is
// full; while it is full the server reads nothing, logins included, so the
// notices past the bounds stay few (one of each kind per client place).
//
// Sending. A client's send returns once the socket took the whole packet,
// waiting while the server does not read. The server never waits for a
// client: what a client's socket does not take at once waits in that
// client's own buffer and is written as the socket drains. A client that
// lets more than 8 MiB wait (it stopped reading) is disconnected: the send
// that overflowed fails, a warning names the client, and it is logged out
// like one that left (the others hear NETCMD_LEFT).
//
// Session protocol (all DATANET_SYSTEM records, see datanet.h): the client
// connects and sends NETCMD_LOGIN; the server answers NETCMD_WELCOME, or
// NETCMD_REFUSED with a reason and closes (a ninth client, a name in use, a
// malformed login, no login within 2 s). Connections that have not logged in
// yet wait apart from the 8 clients, up to 64 of them (a 65th is refused as
// "server busy"), so idle connections cannot keep players out. Logged-in
// clients hear NETCMD_JOINED and NETCMD_LEFT about the others;
// NETCMD_LOGGEDOUT ends a client's session.
// Every record but type 32 carries a checksum and an aux value drawn from the
// sender's generator, which the receiver mirrors; a record failing either
// check, or larger than DATANET_LIMIT, closes the connection.
//
// Both sides queue the system records they see, so the application learns
// of joins and departures: the client queues NETCMD_JOINED, NETCMD_LEFT and
// NETCMD_LOGGEDOUT as received; the server queues a NETCMD_JOINED when a
// client logs in and a NETCMD_LEFT when one is logged out (payload the name).
//
// Results follow the SDK: 1 (or a count) for success, 0 for failure with a
// message in the log. Every call may be made from any thread.
//
// Index
//   Starting .......... StartServer, StartClient
//   Sending ........... SendDataNet, SendToServer, Broadcast
//   Receiving ......... Receive, QueueCount
//   Server's clients .. ClientCount, ClientName, FindClient, ClientSocket, LogoutClient
//   Closing ........... CloseServer, CloseClient, Quit
//   State ............. IsInitialized, IsServerRunning, IsClientRunning,
//                       ConnectionSocket, SetDelay, GetDelay, GetStatistics,
//                       PrintDataNet, OpenLog
#ifndef QUENLAR_NET_NETWORK_H
#define QUENLAR_NET_NETWORK_H

#include <quenlar/net/datanet.h>

#include <SDL.h>
#include <SDL_net.h>
#include <memory>

class QNetwork {
public:
    QNetwork();
    // Runs Quit (with a warning) if the application did not.
    ~QNetwork();
    QNetwork(const QNetwork &) = delete;
    QNetwork &operator=(const QNetwork &) = delete;

    // ---- Starting ------------------------------------------------------------
    // Listens on `port` (all interfaces) and starts the server thread.
    int StartServer(Uint16 port);
    // Connects to host:port, logs in as `name` (1 to 31 bytes) and, once the
    // server welcomed it, starts the client thread. Waits up to 5 s for the
    // server's answer; a refusal is logged with its reason.
    int StartClient(const char *host, Uint16 port, const char *name);

    // ---- Sending (from any thread; the record's aux and crc are filled in) ----
    // Sends `record` over `socket`: side 0 as our client (socket is
    // ConnectionSocket()), side 1 as our server (socket is a ClientSocket).
    // Returns the bytes sent (12 + size; for the server, sent or waiting in
    // the client's buffer) or 0. The payload stays the caller's.
    int SendDataNet(TCPsocket socket, DataNet *record, int side);
    // SendDataNet over the client's connection to its server.
    int SendToServer(DataNet *record);
    // Server: sends to every client in table order but `excepted` (-1 none),
    // or only to `only` when that is not -1. Returns how many received it.
    int Broadcast(DataNet *record, int excepted = -1, int only = -1);

    // ---- Receiving -------------------------------------------------------------
    // Takes the oldest queued record into *out: 1, or 0 when the queue is
    // empty. With `waitMs`, an empty queue is waited on for up to that many
    // milliseconds first (0 returns at once; the wait reads the clock that
    // QuenlarSetClock installs). The caller owns out->data (null when size
    // is 0): delete[] it. `from`, when given, tells which side received it
    // and from whom.
    int Receive(DataNet *out, DataNetSender *from = nullptr, Uint32 waitMs = 0);
    int QueueCount(); // records waiting: up to 512, and the server's notices

    // ---- The server's clients (places 0 .. ClientCount() - 1) ---------------------
    int ClientCount();
    // Copies the name of the client at `index` into name[NET_NAMESIZE]; 1 or 0.
    int ClientName(int index, char *name);
    int FindClient(const char *name);  // its place, or -1
    TCPsocket ClientSocket(int index); // the server's socket to it, or null
    // Logs the client at `index` out (telling it with NETCMD_LOGGEDOUT when
    // `notify`), closes its connection, moves the following clients down one
    // place and tells the others with NETCMD_LEFT. 1, or 0 for a bad index.
    int LogoutClient(int index, int notify);

    // ---- Closing ----------------------------------------------------------------
    // Stop their side and wait for its thread (as Quit does, without the
    // warnings): the server logs every client out first.
    void CloseServer();
    void CloseClient();
    // Closes the client, then the server, and waits for their threads: 750 ms
    // (the client: plus three times its delay) to close smoothly; a thread
    // still busy then (the client's, behind a send to a server that stopped
    // reading) has its connections shut down under it and is joined, the
    // "brute" way. Then frees the records nobody took and shuts SDL_net down.
    void Quit();

    // ---- State, statistics, log -----------------------------------------------------
    int IsInitialized();
    int IsServerRunning();
    int IsClientRunning();
    TCPsocket ConnectionSocket(); // our client's socket to its server, or null
    // The longest the client thread waits for data in one pass, in ms (default
    // 20, at most 10000); Quit allows it 750 ms plus three times this to end
    // (it is woken at once, so it needs far less).
    void SetDelay(Uint32 ms);
    Uint32 GetDelay();
    DataNetStats GetStatistics(int side); // side 0 client, 1 server
    // Writes the record's type, cmd, aux and size to the log (level 0).
    void PrintDataNet(const DataNet *record);
    // Sends this interface's messages to a log of its own (ILogSystem.Init's
    // arguments) instead of the global one, from now on, replacing one opened
    // before; closed by Quit. 1 if it opened.
    int OpenLog(const char *file, Sint8 mode, Sint8 level);

    struct State; // network_private.h

private:
    std::unique_ptr<State> state_;
};

// Created by Quenlar.Init, destroyed by Quenlar.Quit; null outside.
extern QNetwork *INetwork;

#endif
