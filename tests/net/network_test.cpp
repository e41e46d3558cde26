// INetwork on loopback: a server and several clients in one process, each a
// QNetwork of its own, plus raw peers for what a well-behaved client never
// sends.
#include "net_helpers.h"

#include <quenlar/core/engine.h>
#include <quenlar/core/log.h>
#include <quenlar/net/net.h>
#include "support/support.h"

#include <gtest/gtest.h>
#include <cinttypes>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace net_testing;
using testing_support::FakeClock;
using testing_support::LogCapture;
using testing_support::TempDir;

namespace {

bool Contains(const std::string &text, const std::string &part) {
    return text.find(part) != std::string::npos;
}

int Count(const std::string &text, const std::string &part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

std::vector<std::string> Names(QNetwork &server) {
    std::vector<std::string> names;
    char name[NET_NAMESIZE];
    for (int i = 0; i < server.ClientCount(); ++i)
        if (server.ClientName(i, name)) names.push_back(name);
    return names;
}

} // namespace

// ---------------------------------------------------------------------------
// Sessions: login, relaying, broadcasting, statistics
// ---------------------------------------------------------------------------
TEST(Session, ClientsLogInInOrderAndHearOfEachOther) {
    TempDir dir;
    LogCapture log(2);
    Session s(3);
    ASSERT_NE(0, s.port);
    ASSERT_TRUE(s.logged);
    EXPECT_EQ(3, s.server.ClientCount());
    EXPECT_EQ((std::vector<std::string>{"c1", "c2", "c3"}), Names(s.server));
    EXPECT_EQ(1, s.server.FindClient("c2"));
    EXPECT_EQ(-1, s.server.FindClient("nobody"));
    EXPECT_TRUE(s.client(0).IsClientRunning());

    // The server's application hears of every login, in order.
    for (const char *name : {"c1", "c2", "c3"}) {
        DataNet record;
        DataNetSender from;
        ASSERT_TRUE(WaitRecordOf(s.server, DATANET_SYSTEM, NETCMD_JOINED, &record, &from));
        EXPECT_EQ(1, from.side);
        EXPECT_STREQ(name, from.name);
        EXPECT_EQ(std::string(name) + '\0', Take(record));
    }
    // c1 hears of c2 and c3; c3 hears of nobody.
    for (const char *name : {"c2", "c3"}) {
        DataNet record;
        ASSERT_TRUE(WaitRecordOf(s.client(0), DATANET_SYSTEM, NETCMD_JOINED, &record));
        EXPECT_EQ(std::string(name) + '\0', Take(record));
    }
    EXPECT_TRUE(Contains(log.Body(),
                         " [INetwork Server] Info: client 'c2' logged in,it is using socket 0x"));
}

TEST(Session, RecordsTravelBothWaysAndBroadcastHonoursItsIndices) {
    Session s(3);
    ASSERT_TRUE(s.logged);

    std::string text = "hello";
    DataNet record = Record(1, 1, text);
    EXPECT_EQ(12 + 5, s.client(1).SendToServer(&record));
    DataNet got;
    DataNetSender from;
    ASSERT_TRUE(WaitRecordOf(s.server, 1, 1, &got, &from));
    EXPECT_EQ(1, from.side);
    EXPECT_STREQ("c2", from.name);
    EXPECT_EQ(record.aux, got.aux);
    EXPECT_EQ(record.crc, got.crc);
    EXPECT_EQ("hello", Take(got));

    // To all but c2, then only to c3.
    std::string relay = "c2: hello";
    DataNet out = Record(1, 1, relay);
    EXPECT_EQ(2, s.server.Broadcast(&out, 1, -1));
    for (int i : {0, 2}) {
        ASSERT_TRUE(WaitRecordOf(s.client(i), 1, 1, &got, &from)) << i;
        EXPECT_EQ(0, from.side);
        EXPECT_STREQ("server", from.name);
        EXPECT_EQ("c2: hello", Take(got));
    }
    std::string only = "just c3";
    out = Record(1, 2, only);
    EXPECT_EQ(1, s.server.Broadcast(&out, -1, 2));
    ASSERT_TRUE(WaitRecordOf(s.client(2), 1, 2, &got));
    EXPECT_EQ("just c3", Take(got));

    // Nothing else reached c2 (it hears only of c3's login).
    EXPECT_TRUE(WaitRecordOf(s.client(1), DATANET_SYSTEM, NETCMD_JOINED, &got));
    delete[] got.data;
    EXPECT_FALSE(WaitRecord(s.client(1), &got, nullptr, 200));
}

TEST(Session, StatisticsCountBytesAndTheTwoCountedTypes) {
    Session s(1);
    ASSERT_TRUE(s.logged);
    QNetwork &c = s.client(0);
    // The login: 12 + "c1" + NUL + 4-byte seed.
    DataNetStats client = c.GetStatistics(0);
    EXPECT_EQ(12u + 7, client.bytes);
    EXPECT_EQ(1u, client.system);
    EXPECT_EQ(0u, client.counted);
    // The server counts its welcome once the send returned: maybe after c1 read it.
    ASSERT_TRUE(WaitFor([&] { return s.server.GetStatistics(1).bytes != 0; }));
    DataNetStats server = s.server.GetStatistics(1);
    EXPECT_EQ(12u + 4, server.bytes); // the welcome
    EXPECT_EQ(1u, server.system);

    std::string ten = "0123456789";
    DataNet counted = Record(DATANET_COUNTED, 3, ten);
    DataNet plain = Record(5, 3, ten);
    EXPECT_EQ(22, c.SendToServer(&counted));
    EXPECT_EQ(22, c.SendToServer(&plain));
    client = c.GetStatistics(0);
    EXPECT_EQ(12u + 7 + 44, client.bytes);
    EXPECT_EQ(1u, client.system);
    EXPECT_EQ(1u, client.counted);
    EXPECT_EQ(0u, c.GetStatistics(1).bytes); // c sent nothing as a server
    EXPECT_EQ(0u, c.GetStatistics(2).bytes);

    c.Quit();
    EXPECT_EQ(0u, c.GetStatistics(0).bytes);
}

TEST(Session, LargestPayloadArrivesWholeBothWays) {
    Session s(1);
    ASSERT_TRUE(s.logged);
    std::string payload(DATANET_MAXPAYLOAD, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = (char)(i * 7 + i / 4096);

    DataNet up = Record(2, 1, payload);
    EXPECT_EQ((int)DATANET_LIMIT, s.client(0).SendToServer(&up));
    DataNet got;
    ASSERT_TRUE(WaitRecordOf(s.server, 2, 1, &got, nullptr, 20000));
    EXPECT_EQ(DATANET_MAXPAYLOAD, got.size);
    EXPECT_TRUE(Take(got) == payload);

    DataNet down = Record(2, 2, payload);
    EXPECT_EQ(1, s.server.Broadcast(&down));
    ASSERT_TRUE(WaitRecordOf(s.client(0), 2, 2, &got, nullptr, 20000));
    EXPECT_TRUE(Take(got) == payload);
}

TEST(Session, OversizedRecordIsRefusedWithoutTouchingTheStream) {
    TempDir dir;
    LogCapture log(2);
    Session s(1);
    ASSERT_TRUE(s.logged);
    std::string payload(DATANET_MAXPAYLOAD + 1, 'x');
    DataNet big = Record(3, 4, payload);
    log.Mark();
    EXPECT_EQ(0, s.client(0).SendToServer(&big));
    EXPECT_EQ(
        " [INetwork::SendDataNet(3,4)] - Error: size limit exceed (4194305) (Sent by 'c1').\n",
        log.Body());
    EXPECT_EQ(0, s.server.Broadcast(&big));
    EXPECT_TRUE(Contains(log.Body(), "size limit exceed (4194305) (Sent by 'server')"));
    EXPECT_TRUE(
        Contains(log.Body(), " [INetwork Server] Error: DataNet could not be sent to 'c1'.\n"));
    EXPECT_TRUE(Contains(log.Body(), " [INetwork SERVER] Info: DataNet 0x"));
    EXPECT_EQ(1, s.server.ClientCount()); // an unreachable client stays

    // No generator number was spent: the next record passes the aux check.
    std::string small = "after";
    DataNet next = Record(3, 5, small);
    EXPECT_EQ(17, s.client(0).SendToServer(&next));
    DataNet got;
    ASSERT_TRUE(WaitRecordOf(s.server, 3, 5, &got));
    EXPECT_EQ("after", Take(got));
    EXPECT_EQ(1, s.server.ClientCount());
}

TEST(Session, SendDataNetRefusesBadArguments) {
    TempDir dir;
    LogCapture log(5);
    Session s(1);
    ASSERT_TRUE(s.logged);
    QNetwork &c = s.client(0);
    std::string text = "x";
    DataNet record = Record(1, 1, text);
    log.Mark();
    // Silently: a side other than 0 and 1, no socket, no record.
    EXPECT_EQ(0, c.SendDataNet(c.ConnectionSocket(), &record, 2));
    EXPECT_EQ(0, c.SendDataNet(c.ConnectionSocket(), &record, -1));
    EXPECT_EQ(0, c.SendDataNet(nullptr, &record, 0));
    EXPECT_EQ(0, c.SendDataNet(c.ConnectionSocket(), nullptr, 0));
    EXPECT_EQ("", log.Body());

    // A socket that is not the side's own, and a payload pointer missing.
    EXPECT_EQ(0, c.SendDataNet(s.server.ClientSocket(0), &record, 0));
    EXPECT_EQ(0, s.server.SendDataNet(c.ConnectionSocket(), &record, 1));
    EXPECT_EQ(2, Count(log.Body(), "is not connected"));
    record.data = nullptr;
    EXPECT_EQ(0, c.SendDataNet(c.ConnectionSocket(), &record, 0));
    EXPECT_TRUE(Contains(log.Body(), "no payload for 1 bytes (Sent by 'c1')"));

    // The side's own sockets work.
    record = Record(1, 1, text);
    EXPECT_EQ(13, c.SendDataNet(c.ConnectionSocket(), &record, 0));
    EXPECT_EQ(13, s.server.SendDataNet(s.server.ClientSocket(0), &record, 1));
}

// ---------------------------------------------------------------------------
// Logging out
// ---------------------------------------------------------------------------
TEST(Logout, ThirdOfFiveMovesTheLaterOnesDownAndTellsTheRest) {
    TempDir dir;
    LogCapture log(2);
    Session s(5);
    ASSERT_TRUE(s.logged);
    TCPsocket fourth = s.server.ClientSocket(3);
    log.Mark();
    EXPECT_EQ(1, s.server.LogoutClient(2, 1));
    EXPECT_EQ((std::vector<std::string>{"c1", "c2", "c4", "c5"}), Names(s.server));
    EXPECT_EQ(fourth, s.server.ClientSocket(2));
    EXPECT_TRUE(Contains(log.Body(),
                         " [INetwork Server] Info: client 'c3' logged out,it was using socket 0x"));

    DataNet got;
    ASSERT_TRUE(WaitRecordOf(s.client(2), DATANET_SYSTEM, NETCMD_LOGGEDOUT, &got));
    EXPECT_EQ(0u, got.size);
    EXPECT_TRUE(WaitFor([&] { return !s.client(2).IsClientRunning(); }));
    for (int i : {0, 1, 3, 4}) {
        ASSERT_TRUE(WaitRecordOf(s.client(i), DATANET_SYSTEM, NETCMD_LEFT, &got)) << i;
        EXPECT_EQ(std::string("c3\0", 3), Take(got));
    }
    DataNetSender from;
    ASSERT_TRUE(WaitRecordOf(s.server, DATANET_SYSTEM, NETCMD_LEFT, &got, &from));
    EXPECT_STREQ("c3", from.name);
    delete[] got.data;

    // The table and the socket set go on working for the others.
    std::string text = "still here";
    DataNet record = Record(1, 1, text);
    EXPECT_EQ(4, s.server.Broadcast(&record));
    EXPECT_EQ(17 + 5, s.client(4).SendToServer(&record));
    ASSERT_TRUE(WaitRecordOf(s.server, 1, 1, &got, &from));
    EXPECT_STREQ("c5", from.name);
    delete[] got.data;
}

TEST(Logout, ClientThatLeavesIsLoggedOutAndAnnounced) {
    Session s(2);
    ASSERT_TRUE(s.logged);
    s.client(0).CloseClient();
    EXPECT_FALSE(s.client(0).IsClientRunning());
    EXPECT_TRUE(WaitFor([&] { return s.server.ClientCount() == 1; }));
    DataNet got;
    ASSERT_TRUE(WaitRecordOf(s.client(1), DATANET_SYSTEM, NETCMD_LEFT, &got));
    EXPECT_EQ(std::string("c1\0", 3), Take(got));
    // The name is free again.
    EXPECT_EQ(1, s.client(0).StartClient("127.0.0.1", s.port, "c1"));
    EXPECT_EQ((std::vector<std::string>{"c2", "c1"}), Names(s.server));
}

TEST(Logout, BadIndexIsAnError) {
    TempDir dir;
    LogCapture log(2);
    Session s(1);
    log.Mark();
    EXPECT_EQ(0, s.server.LogoutClient(1, 0));
    EXPECT_EQ(0, s.server.LogoutClient(-1, 0));
    EXPECT_EQ(2, Count(log.Body(), "Error: there is no client"));
    EXPECT_EQ(1, s.server.ClientCount());
}

TEST(Logout, ClosingTheServerLogsEveryClientOut) {
    TempDir dir;
    LogCapture log(2);
    Session s(3);
    ASSERT_TRUE(s.logged);
    s.server.CloseServer();
    EXPECT_FALSE(s.server.IsServerRunning());
    EXPECT_EQ(0, s.server.ClientCount());
    for (int i = 0; i < 3; ++i) {
        DataNet got;
        ASSERT_TRUE(WaitRecordOf(s.client(i), DATANET_SYSTEM, NETCMD_LOGGEDOUT, &got)) << i;
        EXPECT_TRUE(WaitFor([&] { return !s.client(i).IsClientRunning(); }));
    }
    std::string body = log.Body();
    EXPECT_EQ(3, Count(body, "logged out,it was using socket"));
    EXPECT_EQ(1, Count(body, " [INetwork Server] Info: server closed.\n"));
    // The port can be served again.
    EXPECT_EQ(1, s.server.StartServer(s.port));
}

// ---------------------------------------------------------------------------
// Login rules
// ---------------------------------------------------------------------------
TEST(Login, NinthClientAndDuplicateNameAreRefused) {
    TempDir dir;
    LogCapture log(2);
    Session s(8);
    ASSERT_TRUE(s.logged);
    QNetwork ninth;
    EXPECT_EQ(0, ninth.StartClient("127.0.0.1", s.port, "c9"));
    EXPECT_TRUE(Contains(log.Body(), "Error: the server refused the login: 'server full'.\n"));
    EXPECT_FALSE(ninth.IsClientRunning());

    s.server.LogoutClient(7, 1);
    EXPECT_EQ(0, ninth.StartClient("127.0.0.1", s.port, "c1"));
    EXPECT_TRUE(Contains(log.Body(), "refused the login: 'name in use'"));
    EXPECT_EQ(1, ninth.StartClient("127.0.0.1", s.port, "c9"));
    EXPECT_EQ(8, s.server.ClientCount());
    ninth.Quit();
}

TEST(Login, BadClientArgumentsAndNoServer) {
    TempDir dir;
    LogCapture log(2);
    QNetwork net;
    EXPECT_EQ(0, net.StartClient("127.0.0.1", 1, ""));
    EXPECT_EQ(0, net.StartClient("127.0.0.1", 1, std::string(32, 'n').c_str()));
    EXPECT_EQ(0, net.StartClient(nullptr, 1, "x"));
    EXPECT_EQ(3, Count(log.Body(), "a host and a name of 1 to 31 characters are needed"));
    EXPECT_FALSE(net.IsInitialized());

    // Port 1 on loopback: nobody listens.
    EXPECT_EQ(0, net.StartClient("127.0.0.1", 1, "x"));
    EXPECT_TRUE(Contains(log.Body(), "Error: cannot connect:"));
    EXPECT_TRUE(net.IsInitialized());
    net.Quit();
}

TEST(Login, MalformedLoginsAreRefusedAndClosed) {
    QNetwork server;
    Uint16 port = StartServerOnFreePort(server);
    ASSERT_NE(0, port);
    std::string withoutNul = "abc";
    std::string noSeed = std::string("abc\0", 4);
    std::string good = qnl::net::BuildLogin("x", 1);
    const DataNet forms[] = {
        Record(DATANET_SYSTEM, NETCMD_LOGIN, withoutNul),
        Record(DATANET_SYSTEM, NETCMD_LOGIN, noSeed),
        Record(DATANET_SYSTEM, NETCMD_JOINED, good), // not a login
        Record(1, NETCMD_LOGIN, good),               // not a system record
    };
    for (const DataNet &form : forms) {
        RawPeer peer;
        ASSERT_TRUE(peer.Connect(port));
        ASSERT_TRUE(peer.Send(form));
        DataNet answer;
        ASSERT_TRUE(peer.Read(&answer));
        EXPECT_EQ(NETCMD_REFUSED, answer.cmd);
        EXPECT_EQ(std::string("malformed login\0", 16), Take(answer));
        EXPECT_TRUE(peer.WaitClosed());
    }
    // A login header announcing more than a login can hold.
    RawPeer peer;
    ASSERT_TRUE(peer.Connect(port));
    std::string large(1000, 'x');
    ASSERT_TRUE(peer.Send(Record(DATANET_SYSTEM, NETCMD_LOGIN, large)));
    DataNet answer;
    ASSERT_TRUE(peer.Read(&answer));
    EXPECT_EQ(NETCMD_REFUSED, answer.cmd);
    delete[] answer.data;
    EXPECT_EQ(0, server.ClientCount());
    server.Quit();
}

TEST(Login, IdleConnectionsWaitApartAndAreRefusedAfterTwoSeconds) {
    FakeClock clock;
    QNetwork server;
    Uint16 port = StartServerOnFreePort(server);
    ASSERT_NE(0, port);
    // Eight connections that never log in leave the eight places free.
    std::vector<std::unique_ptr<RawPeer>> idle;
    for (int i = 0; i < 8; ++i) {
        idle.emplace_back(new RawPeer);
        ASSERT_TRUE(idle.back()->Connect(port));
    }
    QNetwork player;
    EXPECT_EQ(1, player.StartClient("127.0.0.1", port, "player"));

    // Up to 64 wait; the next is refused at once.
    while (idle.size() < 64) {
        idle.emplace_back(new RawPeer);
        ASSERT_TRUE(idle.back()->Connect(port));
    }
    RawPeer extra;
    ASSERT_TRUE(extra.Connect(port));
    DataNet answer;
    ASSERT_TRUE(extra.Read(&answer));
    EXPECT_EQ(std::string("server busy\0", 12), Take(answer));

    // The clock stands still; then each is refused after 2 s.
    EXPECT_FALSE(idle[0]->Read(&answer, 100));
    clock.Advance(1999);
    EXPECT_FALSE(idle[0]->Read(&answer, 100));
    clock.Advance(1);
    for (auto &peer : idle) {
        ASSERT_TRUE(peer->Read(&answer));
        EXPECT_EQ(NETCMD_REFUSED, answer.cmd);
        EXPECT_EQ(std::string("no login\0", 9), Take(answer));
        EXPECT_TRUE(peer->WaitClosed());
    }
    EXPECT_EQ(1, server.ClientCount());
    player.Quit();
    server.Quit();
}

// ---------------------------------------------------------------------------
// Checks on received records
// ---------------------------------------------------------------------------
class Checks : public ::testing::Test {
protected:
    void SetUp() override {
        port = StartServerOnFreePort(server);
        ASSERT_NE(0, port);
        ASSERT_TRUE(peer.Connect(port));
        ASSERT_TRUE(peer.Login("raw"));
        ASSERT_TRUE(WaitRecordOf(server, DATANET_SYSTEM, NETCMD_JOINED, &joined));
        delete[] joined.data;
        // One good record first: the mirror follows the peer's generator.
        std::string text = "good";
        ASSERT_TRUE(peer.Send(Record(1, 1, text)));
        DataNet got;
        ASSERT_TRUE(WaitRecordOf(server, 1, 1, &got));
        EXPECT_EQ("good", Take(got));
    }
    void TearDown() override { server.Quit(); }

    // The server logged the peer out and closed, and queued nothing of it.
    void ExpectLoggedOut() {
        DataNet got;
        ASSERT_TRUE(peer.Read(&got));
        EXPECT_EQ(NETCMD_LOGGEDOUT, got.cmd);
        EXPECT_TRUE(peer.WaitClosed());
        EXPECT_TRUE(WaitFor([&] { return server.ClientCount() == 0; }));
        ASSERT_TRUE(WaitRecordOf(server, DATANET_SYSTEM, NETCMD_LEFT, &got));
        delete[] got.data;
        EXPECT_EQ(0, server.QueueCount());
    }

    TempDir dir;
    LogCapture log{2};
    QNetwork server;
    Uint16 port = 0;
    RawPeer peer;
    DataNet joined;
};

TEST_F(Checks, TamperedCrcClosesTheConnection) {
    std::string text = "tampered";
    DataNet record = Record(1, 1, text);
    record.aux = qnl::net::NextAux(peer.generator);
    record.crc = qnl::net::Checksum(record) + 1;
    ASSERT_TRUE(peer.Send(record, true));
    ExpectLoggedOut();
    EXPECT_TRUE(
        Contains(log.Body(), " [INetwork Server] Error: DataNet from 'raw' dropped: bad crc"));
}

TEST_F(Checks, WrongAuxClosesTheConnection) {
    std::string text = "replayed";
    DataNet record = Record(1, 1, text);
    record.aux = (Uint16)(qnl::net::NextAux(peer.generator) + 1);
    record.crc = qnl::net::Checksum(record);
    ASSERT_TRUE(peer.Send(record, true));
    ExpectLoggedOut();
    EXPECT_TRUE(Contains(log.Body(), "DataNet from 'raw' dropped: bad aux"));
}

TEST_F(Checks, OversizedHeaderClosesWithoutAllocating) {
    DataNet header;
    header.type = 1;
    header.size = 0x7FFFFFF0;
    Uint8 bytes[DATANET_HEADER];
    qnl::net::EncodeHeader(header, bytes);
    qnl::net::Scramble(bytes, sizeof bytes);
    ResetLargestAllocation();
    ASSERT_TRUE(peer.SendBytes(bytes, sizeof bytes));
    ExpectLoggedOut();
    EXPECT_LT(LargestAllocation(), (size_t)DATANET_LIMIT);
    EXPECT_TRUE(Contains(log.Body(), "dropped: size limit exceed"));
}

TEST_F(Checks, SystemRecordsAreQueuedUnchecked) {
    std::string text = "mine";
    DataNet record = Record(DATANET_SYSTEM, 77, text);
    record.aux = 4321;
    record.crc = 0x12345678;
    ASSERT_TRUE(peer.Send(record, true));
    DataNet got;
    ASSERT_TRUE(WaitRecordOf(server, DATANET_SYSTEM, 77, &got));
    EXPECT_EQ(4321, got.aux);
    EXPECT_EQ("mine", Take(got));
    EXPECT_EQ(1, server.ClientCount());
}

// ---------------------------------------------------------------------------
// The queue
// ---------------------------------------------------------------------------
struct Flow {
    size_t payload;
    int count;
    int bound; // records the queue holds at most, the join notice included
};

class Queue : public ::testing::TestWithParam<Flow> {};

// A sender faster than its receiver: the queue fills to its bound, the
// rest waits in the connection and in TCP, and nothing is lost.
TEST_P(Queue, FastSenderAndSlowReceiverLoseNothing) {
    const Flow flow = GetParam();
    Session s(1);
    ASSERT_TRUE(s.logged);
    std::thread sender([&] {
        std::string payload(flow.payload, '\0');
        for (int i = 0; i < flow.count; ++i) {
            for (size_t at = 0; at < flow.payload; ++at)
                payload[at] = (char)(i + at);
            DataNet record = Record(1, 1, payload);
            if (!s.client(0).SendToServer(&record)) break;
        }
    });
    ASSERT_TRUE(WaitFor([&] { return s.server.QueueCount() == flow.bound; }, 20000));

    DataNet got;
    ASSERT_TRUE(s.server.Receive(&got));
    EXPECT_EQ(NETCMD_JOINED, got.cmd);
    delete[] got.data;
    for (int i = 0; i < flow.count; ++i) {
        ASSERT_LE(s.server.QueueCount(), flow.bound);
        ASSERT_TRUE(s.server.Receive(&got, nullptr, 5000)) << i;
        ASSERT_EQ(flow.payload, got.size);
        EXPECT_EQ((char)i, (char)got.data[0]) << i; // in order
        EXPECT_EQ((char)(i + flow.payload - 1), (char)got.data[flow.payload - 1]);
        delete[] got.data;
    }
    sender.join();
    EXPECT_EQ(0, s.server.QueueCount());
}

INSTANTIATE_TEST_SUITE_P(Bounds, Queue,
                         ::testing::Values(Flow{16, 2000, NET_QUEUESIZE},
                                           // 15 of 1 MiB and the notice: 16 MiB plus 3 bytes
                                           // would pass NET_QUEUEBYTES.
                                           Flow{1 << 20, 40, 16}),
                         [](const ::testing::TestParamInfo<Flow> &info) {
                             return info.param.payload == 16 ? "InRecords" : "InBytes";
                         });

TEST(Receive, WaitsForTheNextRecordOnEitherSide) {
    Session s(1);
    ASSERT_TRUE(s.logged);
    DataNet got;
    ASSERT_TRUE(s.server.Receive(&got));
    delete[] got.data;

    // Two threads wait on the server: one reads the socket, one the queue.
    std::atomic<int> received{0};
    auto wait = [&] {
        DataNet record;
        DataNetSender from;
        if (s.server.Receive(&record, &from, 5000) && std::string(from.name) == "c1") ++received;
        delete[] record.data;
    };
    std::thread first(wait), second(wait);
    std::string text = "ping";
    DataNet record = Record(1, 1, text);
    EXPECT_NE(0, s.client(0).SendToServer(&record));
    EXPECT_NE(0, s.client(0).SendToServer(&record));
    first.join();
    second.join();
    EXPECT_EQ(2, received);

    std::thread reply([&] {
        DataNet back = Record(1, 2, text);
        s.server.Broadcast(&back);
    });
    ASSERT_EQ(1, s.client(0).Receive(&got, nullptr, 5000));
    EXPECT_EQ(2, got.cmd);
    EXPECT_EQ("ping", Take(got));
    reply.join();
}

TEST(Receive, GivesUpOnceItsTimePassed) {
    FakeClock clock;
    Session s(1);
    ASSERT_TRUE(s.logged);
    DataNet got;
    ASSERT_TRUE(s.server.Receive(&got));
    delete[] got.data;
    std::atomic<int> result{-1};
    std::thread waiting([&] { result = s.server.Receive(&got, nullptr, 1000); });
    // The clock moves only here: in steps, until the wait saw 1 s pass.
    EXPECT_TRUE(WaitFor([&] {
        clock.Advance(100);
        return result != -1;
    }));
    waiting.join();
    EXPECT_EQ(0, result);
    EXPECT_EQ(0, s.server.Receive(&got)); // without waiting, as before
}

// ---------------------------------------------------------------------------
// A client that stops reading
// ---------------------------------------------------------------------------
TEST(SlowClient, IsDisconnectedWhileTheOthersGoOn) {
    TempDir dir;
    LogCapture log(2);
    Session s(1);
    ASSERT_TRUE(s.logged);
    RawPeer sink; // logs in, then never reads
    ASSERT_TRUE(sink.Connect(s.port));
    ASSERT_TRUE(sink.Login("sink"));
    ASSERT_TRUE(WaitFor([&] { return s.server.ClientCount() == 2; }));

    // c1 reads all along.
    std::atomic<int> relayed{0};
    std::atomic<bool> heardLeft{false};
    std::thread reader([&] {
        DataNet got;
        while (!heardLeft && s.client(0).Receive(&got, nullptr, 5000)) {
            if (got.type == 1) ++relayed;
            if (got.cmd == NETCMD_LEFT) heardLeft = Take(got) == std::string("sink\0", 5);
            delete[] got.data;
        }
    });
    std::string line(65536, 'l');
    DataNet record = Record(1, 1, line);
    int sent = 0;
    while (s.server.FindClient("sink") >= 0 && sent < 1000) {
        s.server.Broadcast(&record);
        ++sent;
        // Keep c1 close behind, so only the sink falls back.
        ASSERT_TRUE(WaitFor([&] { return relayed >= sent - 16; })) << sent;
    }
    reader.join();
    EXPECT_TRUE(heardLeft);
    EXPECT_EQ(sent, relayed);
    EXPECT_EQ(1, s.server.ClientCount());
    EXPECT_TRUE(sink.WaitClosed(10000));
    std::string body = log.Body();
    EXPECT_TRUE(Contains(body, " [INetwork Server] Warning: client 'sink' does not read: "));
    EXPECT_TRUE(Contains(body, " [INetwork Server] Info: client 'sink' logged out,it was using"));
    EXPECT_TRUE(Contains(body, " [INetwork Server] Error: DataNet could not be sent to 'sink'.\n"));
    s.server.Quit();
    EXPECT_TRUE(Contains(log.Body(), "server closed using the smooth way"));
}

// ---------------------------------------------------------------------------
// Shutdown
// ---------------------------------------------------------------------------
TEST(Shutdown, QuitBeforeAnyStartOnlyWarns) {
    TempDir dir;
    LogCapture log(5);
    QNetwork net;
    net.Quit();
    EXPECT_EQ(" . [INetwork::Quit] Warning: INetwork is not initialized.\n", log.Body());
}

TEST(Shutdown, QuitWithNothingRunningFreesTheQueueOnly) {
    TempDir dir;
    LogCapture log(5);
    QNetwork server, client;
    Uint16 port = StartServerOnFreePort(server);
    ASSERT_EQ(1, client.StartClient("127.0.0.1", port, "c1"));
    for (int i = 0; i < 3; ++i) {
        std::string text = "unread";
        DataNet record = Record(1, 1, text);
        client.SendToServer(&record);
    }
    ASSERT_TRUE(WaitFor([&] { return server.QueueCount() == 4; })); // and the login
    client.Quit();
    server.CloseServer(); // c1 left, or is logged out here: one more record
    EXPECT_EQ(5, server.QueueCount());
    log.Mark();
    server.Quit();
    EXPECT_EQ(" [INetwork::Quit] Info: 5 DataNets were deleted before quit due to they were not "
              "handled.\n",
              log.Body());
    EXPECT_FALSE(server.IsInitialized());
}

TEST(Shutdown, QuitClosesClientAndServerTheSmoothWay) {
    TempDir dir;
    LogCapture log(2);
    QNetwork both; // a server and a client of it in one interface
    Uint16 port = StartServerOnFreePort(both);
    ASSERT_EQ(1, both.StartClient("127.0.0.1", port, "me"));
    EXPECT_TRUE(WaitFor([&] { return both.ClientCount() == 1; }));
    log.Mark();
    both.Quit();
    std::string body = log.Body();
    size_t closing = body.find(" [INetwork::Quit] Warning: we are closing the client!\n");
    size_t client = body.find(" [INetwork Client] Info: client closed.\n");
    size_t way = body.find(" [INetwork::Quit] Warning: client closed using the smooth way.\n");
    size_t server = body.find(" [INetwork::Quit] Warning: we are closing the server!\n");
    size_t closed = body.find(" [INetwork Server] Info: server closed.\n");
    size_t serverWay =
        body.find(" [INetwork::Quit] Warning: server closed using the smooth way.\n");
    EXPECT_LT(closing, client);
    EXPECT_LT(client, way);
    EXPECT_LT(way, server);
    EXPECT_LT(server, closed);
    EXPECT_LT(closed, serverWay);
    EXPECT_NE(std::string::npos, serverWay) << body;
    EXPECT_FALSE(both.IsInitialized());
    EXPECT_FALSE(both.IsClientRunning());
    EXPECT_FALSE(both.IsServerRunning());
}

TEST(Shutdown, LongClientDelayDoesNotHoldQuitUp) {
    TempDir dir;
    LogCapture log(2);
    QNetwork server;
    Uint16 port = StartServerOnFreePort(server);
    QNetwork client;
    client.SetDelay(10000); // the client thread waits up to 10 s per look
    ASSERT_EQ(1, client.StartClient("127.0.0.1", port, "slow"));
    log.Mark();
    client.Quit(); // it is woken at once
    EXPECT_TRUE(Contains(log.Body(), "client closed using the smooth way")) << log.Body();
    EXPECT_TRUE(WaitFor([&] { return server.ClientCount() == 0; }));
    server.Quit();
}

namespace {
// Runs `send` on a thread of its own until it fails; returns once it has
// made no progress for a while, that is, once it is blocked in a send.
class Flood {
public:
    explicit Flood(std::function<int()> send)
        : thread_([this, send] {
              while (send())
                  ++sent_;
          }) {
        int last = -1;
        for (int i = 0; i < 50 && last != sent_; ++i) {
            last = sent_;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
    }
    ~Flood() { thread_.join(); }
    int Sent() const { return sent_; }

private:
    std::atomic<int> sent_{0};
    std::thread thread_;
};
} // namespace

TEST(Shutdown, ClientStuckBehindAServerThatDoesNotReadIsForcedTheBruteWay) {
    TempDir dir;
    LogCapture log(2);
    // A server of our own making: it welcomes, then never reads again.
    ASSERT_EQ(0, SDLNet_Init());
    Uint16 port = 0;
    TCPsocket listener = nullptr;
    std::random_device device;
    for (Uint16 p = (Uint16)(20000 + device() % 30000); !listener && p != 0; ++p) {
        IPaddress address;
        SDLNet_ResolveHost(&address, nullptr, p);
        if ((listener = SDLNet_TCP_Open(&address))) port = p;
    }
    ASSERT_NE(nullptr, listener);
    QNetwork client;
    std::thread login([&] { EXPECT_EQ(1, client.StartClient("127.0.0.1", port, "writer")); });
    TCPsocket peer = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (peer = SDLNet_TCP_Accept(listener)) != nullptr; }));
    qnl::net::PacketReader reader;
    DataNet request;
    while (true) {
        int got = SDLNet_TCP_Recv(peer, reader.Space(), reader.Wanted());
        ASSERT_GT(got, 0);
        if (reader.Commit(got) == qnl::net::PacketReader::kComplete) break;
    }
    request = reader.Take();
    EXPECT_EQ(NETCMD_LOGIN, request.cmd);
    delete[] request.data;
    std::string seed("\1\0\0\0", 4);
    DataNet welcome = Record(DATANET_SYSTEM, NETCMD_WELCOME, seed);
    size_t length = 0;
    std::unique_ptr<Uint8[]> packet = qnl::net::BuildPacket(welcome, &length);
    SDLNet_TCP_Send(peer, packet.get(), (int)length);
    login.join();

    std::string payload(DATANET_MAXPAYLOAD, 'w');
    DataNet big = Record(2, 2, payload);
    {
        Flood flood([&] { return client.SendToServer(&big); });
        log.Mark();
        client.Quit();
    }
    std::string body = log.Body();
    EXPECT_TRUE(Contains(body, " [INetwork::Quit] Warning: client closed using the brute way.\n"))
        << body;
    EXPECT_EQ(1, Count(body, " [INetwork Client] Info: client closed.\n"));
    SDLNet_TCP_Close(peer);
    SDLNet_TCP_Close(listener);
    SDLNet_Quit();
}

TEST(Shutdown, DeletionWhileInitialisedWarnsAndQuits) {
    TempDir dir;
    LogCapture log(2);
    auto net = std::make_unique<QNetwork>();
    ASSERT_NE(0, StartServerOnFreePort(*net));
    log.Mark();
    net.reset();
    std::string body = log.Body();
    EXPECT_EQ(0u, body.find(" . [INetwork:~INetwork()] Warning: INetwork is still initialized, do "
                            "not forget to call Quit(). Calling it now!\n"));
    EXPECT_TRUE(Contains(body, "server closed using the smooth way"));
}

TEST(Shutdown, EngineCreatesAndDeletesTheInterfaceSilently) {
    TempDir dir;
    LogCapture log(5);
    ASSERT_EQ(1, Quenlar.Init(0));
    ASSERT_NE(nullptr, INetwork);
    EXPECT_FALSE(Contains(log.Body(), "[INetwork] Interfaz"));
    ASSERT_NE(0, StartServerOnFreePort(*INetwork));
    Quenlar.Quit();
    EXPECT_EQ(nullptr, INetwork);
    std::string body = log.Body();
    EXPECT_TRUE(Contains(body, "INetwork is still initialized"));
    EXPECT_FALSE(Contains(body, "[INetwork] Interfaz"));
}

TEST(Print, RecordLineNamesTheRunningSide) {
    TempDir dir;
    LogCapture log(0);
    QNetwork net;
    DataNet record;
    record.type = 1;
    record.cmd = 2;
    record.aux = 3;
    record.size = 4;
    net.PrintDataNet(&record);
    char address[32];
    snprintf(address, sizeof address, "%" PRIxPTR, (uintptr_t)&record);
    EXPECT_EQ(std::string(" [INetwork CLIENT] Info: DataNet 0x") + address +
                  ": - Type: 1 - Cmd: 2 - Aux: 3 - Size: 4\n",
              log.Body());
    net.PrintDataNet(nullptr);
    ASSERT_NE(0, StartServerOnFreePort(net));
    log.Mark();
    net.PrintDataNet(&record);
    EXPECT_EQ(0u, log.Body().find(" [INetwork SERVER] Info: DataNet 0x"));
    net.Quit();
}

TEST(OwnLog, MessagesGoToTheInterfaceLogUntilQuit) {
    TempDir dir;
    LogCapture global(5);
    QNetwork net;
    EXPECT_EQ(1, net.OpenLog("network.log", LOG_NEWFILE, 5));
    ASSERT_NE(0, StartServerOnFreePort(net));
    // Replaced while the server runs: later messages go to the new one.
    EXPECT_EQ(1, net.OpenLog("other.log", LOG_NEWFILE, 5));
    net.Quit();
    std::string first = testing_support::ReadFile("network.log");
    std::string second = testing_support::ReadFile("other.log");
    EXPECT_TRUE(Contains(first, " . INetwork\n"));
    EXPECT_TRUE(Contains(first, "server listening"));
    EXPECT_TRUE(Contains(second, "server closed using the smooth way"));
    EXPECT_FALSE(Contains(first, "server closed"));
    EXPECT_FALSE(Contains(global.Body(), "server closed"));
    net.Quit(); // after Quit, the global log again
    EXPECT_TRUE(Contains(global.Body(), "INetwork is not initialized"));
}
