// The netchat example, run as separate programs on loopback.
#include "net_helpers.h"

#include "support/support.h"

#include <csignal>
#include <gtest/gtest.h>
#include <memory>
#include <random>

using net_testing::Child;
using testing_support::Program;
using testing_support::TempDir;

namespace {

// A netchat server on a free port, and the port.
std::unique_ptr<Child> StartServer(const std::string &cwd, int *port) {
    std::random_device device;
    int base = 20000 + (int)(device() % 30000);
    for (int p = base; p < base + 20; ++p) {
        auto server = std::make_unique<Child>(
            std::vector<std::string>{Program("netchat"), "server", std::to_string(p)}, cwd);
        if (server->WaitOutput("listening on port " + std::to_string(p), 5000)) {
            *port = p;
            return server;
        }
    }
    return nullptr;
}

std::unique_ptr<Child> StartClient(const std::string &cwd, int port, const std::string &name) {
    return std::make_unique<Child>(std::vector<std::string>{Program("netchat"), "client",
                                                            "127.0.0.1", std::to_string(port),
                                                            name},
                                   cwd);
}

} // namespace

TEST(Netchat, TwoClientsExchangeLinesThroughTheServer) {
    TempDir dir;
    int port = 0;
    auto server = StartServer(dir.path(), &port);
    ASSERT_TRUE(server);
    auto alice = StartClient(dir.path(), port, "alice");
    ASSERT_TRUE(server->WaitOutput("* alice joined\n"));
    auto bob = StartClient(dir.path(), port, "bob");
    ASSERT_TRUE(server->WaitOutput("* bob joined\n"));
    ASSERT_TRUE(alice->WaitError("* bob joined\n"));

    alice->Write("hello from alice\n");
    ASSERT_TRUE(bob->WaitOutput("alice: hello from alice\n")) << bob->Out();
    bob->Write("hi alice\r\nsecond line\n");
    ASSERT_TRUE(alice->WaitOutput("bob: hi alice\nbob: second line\n")) << alice->Out();

    alice->CloseInput();
    EXPECT_EQ(0, alice->Wait());
    ASSERT_TRUE(bob->WaitError("* alice left\n"));
    bob->CloseInput();
    EXPECT_EQ(0, bob->Wait());
    // Nobody hears their own lines.
    EXPECT_EQ("bob: hi alice\nbob: second line\n", alice->Out());
    EXPECT_EQ("alice: hello from alice\n", bob->Out());

    server->CloseInput();
    EXPECT_EQ(0, server->Wait());
    EXPECT_NE(std::string::npos, server->Out().find("alice: hello from alice\nbob: hi alice\n"));
}

TEST(Netchat, InterruptEndsServerAndClientCleanly) {
    TempDir dir;
    int port = 0;
    auto server = StartServer(dir.path(), &port);
    ASSERT_TRUE(server);
    auto carol = StartClient(dir.path(), port, "carol");
    ASSERT_TRUE(server->WaitOutput("* carol joined\n"));
    auto dave = StartClient(dir.path(), port, "dave");
    ASSERT_TRUE(server->WaitOutput("* dave joined\n"));

    carol->Signal(SIGINT);
    EXPECT_EQ(0, carol->Wait());
    ASSERT_TRUE(server->WaitOutput("* carol left\n"));

    // The server logs dave out on its way down; dave reports the lost link.
    server->Signal(SIGINT);
    EXPECT_EQ(0, server->Wait());
    EXPECT_EQ(1, dave->Wait());
    EXPECT_NE(std::string::npos, dave->Err().find("the connection to the server ended"));
}

TEST(Netchat, BadArgumentsAndMissingServer) {
    TempDir dir;
    auto usage =
        std::make_unique<Child>(std::vector<std::string>{Program("netchat"), "server"}, dir.path());
    EXPECT_EQ(2, usage->Wait());
    EXPECT_NE(std::string::npos, usage->Err().find("usage: netchat server PORT"));
    auto badPort = std::make_unique<Child>(
        std::vector<std::string>{Program("netchat"), "client", "127.0.0.1", "70000", "x"},
        dir.path());
    EXPECT_EQ(2, badPort->Wait());

    // Port 1 on loopback: nobody listens.
    auto lonely = StartClient(dir.path(), 1, "x");
    EXPECT_EQ(1, lonely->Wait());
    EXPECT_NE(std::string::npos, lonely->Err().find("cannot join 127.0.0.1:1 as 'x'"));
}
