// DataNet: the typed message INetwork carries over TCP, and the constants of
// its wire form and of the session protocol.
//
// Wire form of one DataNet: a 12-byte header (type, cmd, aux, size, crc;
// little-endian, in this order) and `size` payload bytes, the whole packet
// scrambled: every whole 32-bit little-endian word XOR 0x3C71D2A9, the last
// 1 to 3 bytes XOR 0x4E. Header plus payload is at most 0x400000 bytes.
#ifndef QUENLAR_NET_DATANET_H
#define QUENLAR_NET_DATANET_H

#include <SDL.h>

struct DataNet {
    Uint8 type = 0;        // DATANET_SYSTEM (32) is the layer's own; others are the application's
    Uint8 cmd = 0;         // command within the type
    Uint16 aux = 0;        // set on sending (types but 32) from the connection's generator
    Uint32 size = 0;       // payload length in bytes
    Uint32 crc = 0;        // set on sending: checksum of header and payload; 0 for type 32
    Uint8 *data = nullptr; // the payload (size bytes); never sent as a pointer
};

// Record types with a meaning of their own.
enum : Uint8 {
    DATANET_SYSTEM = 32,  // messages of the layer itself: crc 0, aux not checked
    DATANET_COUNTED = 64, // counted apart in the statistics
};

// Commands of the DATANET_SYSTEM messages (all with crc 0 and aux 0).
enum : Uint8 {
    NETCMD_LOGIN = 40,     // client -> server: name, NUL, 4-byte LE seed of its generator
    NETCMD_WELCOME = 41,   // server -> client: 4-byte LE seed of the server's generator
    NETCMD_LEFT = 42,      // server -> clients: a client left; payload its name and NUL
    NETCMD_REFUSED = 43,   // server -> client: login refused; payload the reason and NUL
    NETCMD_LOGGEDOUT = 44, // server -> client: you were logged out; no payload
    NETCMD_JOINED = 45,    // server -> clients: a client joined; payload its name and NUL
};

enum : Uint32 {
    DATANET_HEADER = 12,                // header bytes on the wire
    DATANET_LIMIT = 0x400000,           // header + payload, at most (4 MiB)
    DATANET_MAXPAYLOAD = 0x400000 - 12, // 4194292 payload bytes
};

enum {
    NET_MAXCLIENTS = 8,         // clients a server holds
    NET_QUEUESIZE = 512,        // received records waiting for INetwork->Receive, at most
    NET_QUEUEBYTES = 0x1000000, // ... and their payload bytes, at most (16 MiB)
    NET_NAMESIZE = 32,          // client names: 1 to 31 bytes and a NUL
};

// Where a received record came from (INetwork->Receive).
struct DataNetSender {
    int side = 0;                 // 0: received by our client (from its server);
                                  // 1: received by our server (from one of its clients)
    char name[NET_NAMESIZE] = {}; // side 1: the client's name; side 0: "server"
};

// Traffic sent by one side (0 client, 1 server) since the layer started.
struct DataNetStats {
    Uint64 bytes = 0;   // every byte sent, headers included
    Uint32 system = 0;  // DATANET_SYSTEM records sent
    Uint32 counted = 0; // DATANET_COUNTED records sent
};

#endif
