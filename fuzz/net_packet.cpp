// The DataNet packet reader, fed as a connection feeds it: the stream
// arrives in pieces handed to Feed, every completed record is taken and
// every login parsed.
// Input: byte 0 chooses the piece size (low 7 bits + 1) and, with its top
// bit, the small limit of a connection that has not logged in yet; the rest
// is the stream. The sender's generator is seeded with 1.
#include <quenlar/net/wire_private.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    using qnl::net::PacketReader;
    if (size < 1) return 0;
    size_t step = (data[0] & 0x7F) + 1;
    PacketReader reader((data[0] & 0x80) ? DATANET_HEADER + NET_NAMESIZE + 4 : DATANET_LIMIT);
    reader.SetMirrorSeed(1);

    size_t at = 1;
    while (at < size) {
        size_t used = 0;
        PacketReader::Status status = reader.Feed(data + at, std::min(step, size - at), &used);
        at += used;
        if (status == PacketReader::kFailed) break;
        if (status != PacketReader::kComplete) continue;
        DataNet record = reader.Take();
        if (record.type == DATANET_SYSTEM && record.cmd == NETCMD_LOGIN) {
            char name[NET_NAMESIZE];
            Uint32 seed;
            if (qnl::net::ParseLogin(record.data, record.size, name, &seed) &&
                strlen(name) >= NET_NAMESIZE)
                __builtin_trap(); // a parsed name always fits with its NUL
        }
        delete[] record.data;
    }
    return 0;
}
