// INetwork under load on loopback: eight clients send at full speed while
// the server's application drains slowly.
#include "net_helpers.h"

#include <quenlar/net/net.h>

#include <gtest/gtest.h>
#include <thread>

using namespace net_testing;

namespace {

const int kClients = 8;
const int kRecords = 10000;

// Record `seq` of client `from`: cmd is the client, the payload its number
// and a pattern of a length that varies from 8 to 512 bytes.
std::string Payload(int from, int seq) {
    std::string payload(8 + (size_t)(seq % 64) * 8, '\0');
    for (size_t i = 0; i < payload.size(); ++i)
        payload[i] = (char)(from * 31 + seq + i);
    memcpy(&payload[0], &seq, 4);
    return payload;
}

} // namespace

TEST(Load, EveryRecordArrivesOnceInOrderWithBoundedMemoryAndDescriptors) {
    const int descriptorsBefore = OpenDescriptors();
    {
        Session s(kClients);
        ASSERT_TRUE(s.logged);
        const int descriptors = OpenDescriptors();

        std::vector<std::thread> senders;
        for (int c = 0; c < kClients; ++c)
            senders.emplace_back([&s, c] {
                for (int seq = 0; seq < kRecords; ++seq) {
                    std::string payload = Payload(c, seq);
                    DataNet record = Record(1, (Uint8)c, payload);
                    if (!s.client(c).SendToServer(&record)) return;
                }
            });
        // The application starts late: the queue fills and the senders are held.
        ASSERT_TRUE(WaitFor([&] { return s.server.QueueCount() == NET_QUEUESIZE; }, 20000));
        ResetLargestAllocation();

        int next[kClients] = {};
        int received = 0, maxQueue = 0, maxDescriptors = 0;
        DataNet got;
        DataNetSender from;
        while (received < kClients * kRecords && s.server.Receive(&got, &from, 10000)) {
            if (got.type == DATANET_SYSTEM) { // the joins
                delete[] got.data;
                continue;
            }
            ASSERT_LT(got.cmd, kClients);
            int c = got.cmd;
            ASSERT_EQ("c" + std::to_string(c + 1), from.name);
            EXPECT_EQ(qnl::net::Checksum(got), got.crc);
            std::string expected = Payload(c, next[c]);
            ASSERT_EQ(expected, Take(got)) << "client " << c << " record " << next[c];
            ++next[c];
            if (++received % 1000 == 0) {
                maxQueue = std::max(maxQueue, s.server.QueueCount());
                maxDescriptors = std::max(maxDescriptors, OpenDescriptors());
            }
        }
        for (std::thread &sender : senders)
            sender.join();
        for (int c = 0; c < kClients; ++c)
            EXPECT_EQ(kRecords, next[c]) << "client " << c;
        EXPECT_EQ(0, s.server.QueueCount());
        EXPECT_LE(maxQueue, NET_QUEUESIZE);
        EXPECT_EQ(descriptors, maxDescriptors);
        // About 22 MB went through; what the layer holds stays far below.
        EXPECT_LT(PeakHeldBytes(), (size_t)8 << 20);
    }
    EXPECT_EQ(descriptorsBefore, OpenDescriptors());
}
