// The DataNet wire form: header, checksum, scrambling, the packet reader and
// the login payload, without sockets.
#include "net_helpers.h"

#include <gtest/gtest.h>
#include <vector>
#include <zlib.h>

using namespace qnl::net;
using net_testing::LargestAllocation;
using net_testing::ResetLargestAllocation;

namespace {

std::vector<Uint8> Bytes(const std::string &text) {
    return std::vector<Uint8>(text.begin(), text.end());
}

// A record as a sender with `generator` would put it on the wire.
std::vector<Uint8> Wire(Uint8 type, Uint8 cmd, const std::string &payload,
                        std::mt19937 &generator) {
    DataNet record;
    record.type = type;
    record.cmd = cmd;
    record.size = (Uint32)payload.size();
    record.data = (Uint8 *)payload.data();
    if (type != DATANET_SYSTEM) {
        record.aux = NextAux(generator);
        record.crc = Checksum(record);
    }
    size_t length = 0;
    std::unique_ptr<Uint8[]> packet = BuildPacket(record, &length);
    return std::vector<Uint8>(packet.get(), packet.get() + length);
}

// Feeds `bytes` to `reader` in pieces of `step`, through Space and Commit or,
// with `handOver`, through Feed; the records it completed.
PacketReader::Status Feed(PacketReader &reader, const std::vector<Uint8> &bytes, size_t step,
                          std::vector<DataNet> *records, bool handOver = false) {
    PacketReader::Status status = PacketReader::kIncomplete;
    size_t at = 0;
    while (at < bytes.size()) {
        size_t n = std::min(step, bytes.size() - at);
        if (handOver) {
            status = reader.Feed(bytes.data() + at, n, &n);
        } else {
            n = std::min(n, (size_t)reader.Wanted());
            memcpy(reader.Space(), bytes.data() + at, n);
            status = reader.Commit((int)n);
        }
        at += n;
        if (status == PacketReader::kFailed) return status;
        if (status == PacketReader::kComplete) records->push_back(reader.Take());
    }
    return status;
}

std::string Payload(const DataNet &record) {
    return std::string(reinterpret_cast<const char *>(record.data), record.size);
}

void Free(std::vector<DataNet> &records) {
    for (DataNet &r : records)
        delete[] r.data;
    records.clear();
}

} // namespace

TEST(Wire, HeaderIsLittleEndianAtFixedOffsets) {
    DataNet record;
    record.type = 0x11;
    record.cmd = 0x22;
    record.aux = 0x3344;
    record.size = 0x55667788;
    record.crc = 0x99AABBCC;
    Uint8 header[DATANET_HEADER];
    EncodeHeader(record, header);
    const Uint8 expected[] = {0x11, 0x22, 0x44, 0x33, 0x88, 0x77,
                              0x66, 0x55, 0xCC, 0xBB, 0xAA, 0x99};
    EXPECT_EQ(0, memcmp(expected, header, sizeof expected));

    DataNet back;
    DecodeHeader(header, &back);
    EXPECT_EQ(0x11, back.type);
    EXPECT_EQ(0x22, back.cmd);
    EXPECT_EQ(0x3344, back.aux);
    EXPECT_EQ(0x55667788u, back.size);
    EXPECT_EQ(0x99AABBCCu, back.crc);
}

TEST(Wire, ChecksumCoversHeaderWithZeroCrcPlusPayload) {
    std::string payload = "some payload bytes";
    DataNet record;
    record.type = 7;
    record.cmd = 9;
    record.aux = 0xBEEF;
    record.size = (Uint32)payload.size();
    record.data = (Uint8 *)payload.data();
    record.crc = 0xFFFFFFFF; // ignored: the checksum sees 0 there

    const Uint8 header[] = {7, 9, 0xEF, 0xBE, (Uint8)payload.size(), 0, 0, 0, 0, 0, 0, 0};
    Uint32 expected = (Uint32)crc32(0, header, sizeof header) +
                      (Uint32)crc32(0, (const Bytef *)payload.data(), (uInt)payload.size());
    EXPECT_EQ(expected, Checksum(record));

    record.size = 0;
    record.data = nullptr;
    const Uint8 bare[] = {7, 9, 0xEF, 0xBE, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ((Uint32)crc32(0, bare, sizeof bare), Checksum(record));

    record.type = DATANET_SYSTEM;
    EXPECT_EQ(0u, Checksum(record));
}

TEST(Wire, ScrambleMasksWordsThenTrailingBytes) {
    Uint8 six[] = {0, 1, 2, 3, 4, 5};
    Scramble(six, sizeof six);
    const Uint8 expected[] = {0xA9, 0xD3, 0x73, 0x3F, 0x4A, 0x4B};
    EXPECT_EQ(0, memcmp(expected, six, sizeof six));
    Scramble(six, sizeof six);
    const Uint8 plain[] = {0, 1, 2, 3, 4, 5};
    EXPECT_EQ(0, memcmp(plain, six, sizeof six));

    // Whole words only, and three trailing bytes.
    Uint8 words[8] = {0};
    Scramble(words, sizeof words);
    const Uint8 masks[] = {0xA9, 0xD2, 0x71, 0x3C, 0xA9, 0xD2, 0x71, 0x3C};
    EXPECT_EQ(0, memcmp(masks, words, sizeof words));
    Uint8 seven[7] = {0};
    Scramble(seven, sizeof seven);
    EXPECT_EQ(0x4E, seven[4]);
    EXPECT_EQ(0x4E, seven[6]);

    // Any length: the word masks up to the last whole word, then 0x4E.
    for (size_t size = 0; size < 40; ++size) {
        std::vector<Uint8> zeros(size, 0);
        Scramble(zeros.data(), size);
        for (size_t i = 0; i < size; ++i)
            ASSERT_EQ(i < size / 4 * 4 ? masks[i % 4] : 0x4E, zeros[i]) << size << " " << i;
    }
}

TEST(Wire, PacketIsTheWholeRecordScrambled) {
    for (size_t size : {0, 1, 3, 4, 9, 21, 64}) {
        std::string payload(size, '\0');
        for (size_t i = 0; i < size; ++i)
            payload[i] = (char)(i * 13 + 1);
        DataNet record;
        record.type = 1;
        record.aux = 77;
        record.size = (Uint32)size;
        record.data = (Uint8 *)payload.data();
        std::vector<Uint8> expected(DATANET_HEADER + size);
        EncodeHeader(record, expected.data());
        memcpy(expected.data() + DATANET_HEADER, payload.data(), size);
        Scramble(expected.data(), expected.size());
        size_t length = 0;
        std::unique_ptr<Uint8[]> packet = BuildPacket(record, &length);
        ASSERT_EQ(expected.size(), length);
        EXPECT_EQ(0, memcmp(expected.data(), packet.get(), length)) << size;
    }
}

TEST(Wire, AuxComesFromTheStandardGenerator) {
    std::mt19937 generator; // default seed 5489
    for (int i = 0; i < 9999; ++i)
        generator();
    EXPECT_EQ(4123659995u & 0xFFFF, NextAux(generator));
}

TEST(PacketReaderTest, ReassemblesRecordsFromAnyPieces) {
    const Uint32 seed = 777;
    for (size_t step : {1, 3, 5, 12, 4096})
        for (bool handOver : {false, true}) {
            std::mt19937 sender(seed);
            std::vector<Uint8> stream;
            for (const char *text : {"", "a", "ab", "abc", "abcd", "abcde"}) {
                std::vector<Uint8> one = Wire(1, 2, text, sender);
                stream.insert(stream.end(), one.begin(), one.end());
            }
            std::vector<Uint8> system = Wire(DATANET_SYSTEM, 45, std::string("bob\0", 4), sender);
            stream.insert(stream.end(), system.begin(), system.end());

            PacketReader reader;
            reader.SetMirrorSeed(seed);
            std::vector<DataNet> records;
            EXPECT_EQ(PacketReader::kComplete, Feed(reader, stream, step, &records, handOver))
                << step;
            ASSERT_EQ(7u, records.size());
            EXPECT_EQ("", Payload(records[0]));
            EXPECT_EQ(nullptr, records[0].data);
            EXPECT_EQ("abcde", Payload(records[5]));
            EXPECT_EQ(std::string("bob\0", 4), Payload(records[6]));
            EXPECT_EQ(DATANET_SYSTEM, records[6].type);
            Free(records);
        }
}

TEST(PacketReaderTest, NeverAsksPastThePacketInProgress) {
    std::mt19937 sender(1);
    std::vector<Uint8> one = Wire(3, 4, "0123456789", sender);
    PacketReader reader;
    reader.SetMirrorSeed(1);
    EXPECT_EQ(12, reader.Wanted());
    memcpy(reader.Space(), one.data(), 12);
    EXPECT_EQ(PacketReader::kIncomplete, reader.Commit(12));
    EXPECT_EQ(10, reader.Wanted());
    memcpy(reader.Space(), one.data() + 12, 10);
    EXPECT_EQ(PacketReader::kComplete, reader.Commit(10));
    EXPECT_EQ(0, reader.Wanted());
    DataNet record = reader.Take();
    EXPECT_EQ("0123456789", Payload(record));
    delete[] record.data;
    EXPECT_EQ(12, reader.Wanted());
}

TEST(PacketReaderTest, RefusesTamperedCrcAndAux) {
    std::mt19937 sender(42);
    std::vector<Uint8> good = Wire(5, 6, "payload", sender);

    // A flipped payload bit breaks the checksum.
    std::vector<Uint8> badCrc = good;
    badCrc[14] ^= 0x01;
    PacketReader reader;
    reader.SetMirrorSeed(42);
    std::vector<DataNet> records;
    EXPECT_EQ(PacketReader::kFailed, Feed(reader, badCrc, 64, &records));
    EXPECT_NE(nullptr, strstr(reader.Error(), "crc"));

    // A record whose aux is not the mirror's next number, with a valid crc.
    PacketReader other;
    other.SetMirrorSeed(43);
    EXPECT_EQ(PacketReader::kFailed, Feed(other, good, 64, &records));
    EXPECT_NE(nullptr, strstr(other.Error(), "aux"));

    // Replaying a good record fails too: the mirror moved on.
    PacketReader replay;
    replay.SetMirrorSeed(42);
    std::vector<Uint8> twice = good;
    twice.insert(twice.end(), good.begin(), good.end());
    EXPECT_EQ(PacketReader::kFailed, Feed(replay, twice, 64, &records));
    EXPECT_EQ(1u, records.size());
    Free(records);
}

TEST(PacketReaderTest, SystemRecordsSkipTheChecks) {
    DataNet record;
    record.type = DATANET_SYSTEM;
    record.cmd = 99;
    record.aux = 0x1234;
    record.crc = 0xDEADBEEF;
    size_t length = 0;
    std::unique_ptr<Uint8[]> packet = BuildPacket(record, &length);
    PacketReader reader;
    std::vector<DataNet> records;
    EXPECT_EQ(PacketReader::kComplete,
              Feed(reader, std::vector<Uint8>(packet.get(), packet.get() + length), 12, &records));
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(0x1234, records[0].aux);
}

TEST(PacketReaderTest, OversizedHeaderFailsBeforeAnyAllocation) {
    // 4194293 payload bytes (12 + size = 4194305), and a size that would wrap
    // a 32-bit sum back under the limit.
    for (Uint32 size : {4194293u, 0xFFFFFFF8u, 0x7FFFFFFFu}) {
        DataNet record;
        record.type = 1;
        record.size = size;
        Uint8 header[DATANET_HEADER];
        EncodeHeader(record, header);
        Scramble(header, sizeof header);

        ResetLargestAllocation();
        PacketReader reader;
        memcpy(reader.Space(), header, sizeof header);
        EXPECT_EQ(PacketReader::kFailed, reader.Commit(DATANET_HEADER)) << size;
        EXPECT_NE(nullptr, strstr(reader.Error(), "size limit")) << reader.Error();
        EXPECT_LT(LargestAllocation(), (size_t)65536) << size;
        EXPECT_EQ(0, reader.Wanted());
    }

    // A reader with a lower limit (logins) refuses what the default accepts.
    std::mt19937 sender(1);
    std::vector<Uint8> big = Wire(DATANET_SYSTEM, NETCMD_LOGIN, std::string(100, 'x'), sender);
    PacketReader login(DATANET_HEADER + 36);
    std::vector<DataNet> records;
    EXPECT_EQ(PacketReader::kFailed, Feed(login, big, 12, &records));
}

TEST(PacketReaderTest, LargestRecordPasses) {
    std::string payload(DATANET_MAXPAYLOAD, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = (char)(i * 31 + 7);
    std::mt19937 sender(9);
    std::vector<Uint8> packet = Wire(2, 2, payload, sender);
    ASSERT_EQ((size_t)DATANET_LIMIT, packet.size());
    PacketReader reader;
    reader.SetMirrorSeed(9);
    std::vector<DataNet> records;
    EXPECT_EQ(PacketReader::kComplete, Feed(reader, packet, 65536, &records));
    ASSERT_EQ(1u, records.size());
    EXPECT_TRUE(Payload(records[0]) == payload);
    Free(records);
}

TEST(Login, PayloadRoundTripAndMalformedForms) {
    char name[NET_NAMESIZE];
    Uint32 seed = 0;
    std::string good = BuildLogin("alice", 0x01020304);
    EXPECT_EQ(std::string("alice\0\x04\x03\x02\x01", 10), good);
    ASSERT_TRUE(ParseLogin(Bytes(good).data(), (Uint32)good.size(), name, &seed));
    EXPECT_STREQ("alice", name);
    EXPECT_EQ(0x01020304u, seed);

    std::string longest = BuildLogin(std::string(31, 'n').c_str(), 5);
    EXPECT_TRUE(ParseLogin(Bytes(longest).data(), (Uint32)longest.size(), name, &seed));
    EXPECT_EQ(31u, strlen(name));

    const std::string bad[] = {
        BuildLogin(std::string(32, 'n').c_str(), 5), // name too long
        std::string("\0\0\0\0\0", 5),                // empty name
        std::string("\0abc\0\0\0\0", 8),             // starts with a NUL
        std::string("ab\0c\0\0\0\0\0", 9),           // NUL inside the name
        std::string("abcdefgh", 8),                  // no NUL
        std::string("ab\0\0\0", 5),                  // seed cut short
        std::string(),                               // nothing
    };
    for (const std::string &payload : bad) {
        std::vector<Uint8> bytes = Bytes(payload);
        EXPECT_FALSE(ParseLogin(bytes.data(), (Uint32)bytes.size(), name, &seed)) << payload;
    }

    EXPECT_TRUE(ValidName("x"));
    EXPECT_FALSE(ValidName(""));
    EXPECT_FALSE(ValidName(nullptr));
    EXPECT_FALSE(ValidName(std::string(32, 'n').c_str()));
}
