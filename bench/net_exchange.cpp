// INetwork beside a raw TCP socket pair doing the same exchange on loopback,
// in the same run:
//   ClientToServer/16, /4096  a client sends a batch of records as fast as it
//                             can while a thread drains the server's queue;
//                             the batch ends when the last record arrived,
//                             and every one must arrive
//   RoundTrip/16              the client sends, the server's application
//                             echoes, the client waits for the echo
// Each iteration runs the raw batch, then the SDK's. The benchmark's time is
// the SDK's; the counters give both (medians over the iterations) and
// `ratio`, the median of the SDK's time over the reference's for the same
// work (1 is parity, 2 twice as slow). Both sides of both pairs use
// TCP_NODELAY, as SDL_net sets it.
#include <quenlar/net/net.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

// ---------------------------------------------------------------------------
// The reference: two connected loopback sockets, TCP_NODELAY on both as
// SDL_net sets it on the client's socket.
// ---------------------------------------------------------------------------
struct RawPair {
    int client = -1, server = -1;

    RawPair() {
        int listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address);
        listen(listener, 1);
        getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);
        client = socket(AF_INET, SOCK_STREAM, 0);
        connect(client, reinterpret_cast<sockaddr *>(&address), sizeof address);
        server = accept(listener, nullptr, nullptr);
        close(listener);
        int yes = 1;
        setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    }
    ~RawPair() {
        close(client);
        close(server);
    }
};

bool SendAll(int fd, const void *bytes, size_t size) {
    const char *at = static_cast<const char *>(bytes);
    while (size) {
        ssize_t sent = send(fd, at, size, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        at += sent, size -= (size_t)sent;
    }
    return true;
}

bool ReceiveAll(int fd, void *bytes, size_t size) {
    char *at = static_cast<char *>(bytes);
    while (size) {
        ssize_t got = recv(fd, at, size, 0);
        if (got <= 0) return false;
        at += got, size -= (size_t)got;
    }
    return true;
}

// `count` messages of `size` bytes, one send each, read by a thread in
// pieces of up to 64 KiB. Seconds until the last byte arrived.
double RawBatch(RawPair &pair, size_t size, int count) {
    std::vector<char> message(size, 'r');
    Clock::time_point start = Clock::now();
    std::thread reader([&] {
        std::vector<char> buffer(65536);
        size_t left = size * (size_t)count;
        while (left) {
            ssize_t got = recv(pair.server, buffer.data(), std::min(left, buffer.size()), 0);
            if (got <= 0) break;
            left -= (size_t)got;
        }
    });
    for (int i = 0; i < count; ++i)
        SendAll(pair.client, message.data(), size);
    reader.join();
    return Seconds(start);
}

double RawRoundTrips(RawPair &pair, int count) {
    char message[16] = {}, echo[16];
    std::thread server([&] {
        char buffer[16];
        for (int i = 0; i < count; ++i)
            if (!ReceiveAll(pair.server, buffer, sizeof buffer) ||
                !SendAll(pair.server, buffer, sizeof buffer))
                break;
    });
    Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        SendAll(pair.client, message, sizeof message);
        ReceiveAll(pair.client, echo, sizeof echo);
    }
    double seconds = Seconds(start);
    server.join();
    return seconds;
}

// ---------------------------------------------------------------------------
// The SDK: a server and a client in one process.
// ---------------------------------------------------------------------------
// Waits up to `ms` for the next record.
bool ReceiveWait(QNetwork &net, DataNet *out, int ms) {
    return net.Receive(out, nullptr, (Uint32)ms) == 1;
}

struct Session {
    QNetwork server, client;
    bool ready = false;

    Session() {
        std::random_device device;
        Uint16 port = (Uint16)(20000 + device() % 30000);
        for (int tries = 0; tries < 200 && !server.StartServer(port); ++tries)
            ++port;
        ready = server.IsServerRunning() && client.StartClient("127.0.0.1", port, "bench");
        DataNet joined;
        ready = ready && ReceiveWait(server, &joined, 5000);
        delete[] joined.data;
    }
    ~Session() {
        client.Quit();
        server.Quit();
    }
};

const Uint8 kBenchType = 1;

// Sends `count` records of `size` bytes; a thread drains the server's queue.
// Seconds until the last one arrived; *lost counts those that never did.
double SdkBatch(Session &s, size_t size, int count, int *lost) {
    std::string payload(size, 's');
    int received = 0;
    Clock::time_point start = Clock::now(), last = start;
    std::thread drain([&] {
        DataNet record;
        // A record dropped by the layer never comes: give up after a quiet while.
        while (received < count && ReceiveWait(s.server, &record, 500)) {
            if (record.type == kBenchType) ++received, last = Clock::now();
            delete[] record.data;
        }
    });
    for (int i = 0; i < count; ++i) {
        DataNet record;
        record.type = kBenchType;
        record.size = (Uint32)size;
        record.data = reinterpret_cast<Uint8 *>(&payload[0]);
        s.client.SendToServer(&record);
    }
    drain.join();
    *lost = count - received;
    return std::chrono::duration<double>(last - start).count();
}

double SdkRoundTrips(Session &s, int count) {
    std::thread echo([&] {
        TCPsocket socket = s.server.ClientSocket(0);
        DataNet record;
        for (int i = 0; i < count && ReceiveWait(s.server, &record, 5000); ++i) {
            s.server.SendDataNet(socket, &record, 1);
            delete[] record.data;
        }
    });
    Uint8 message[16] = {};
    Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        DataNet record;
        record.type = kBenchType;
        record.size = sizeof message;
        record.data = message;
        s.client.SendToServer(&record);
        if (!ReceiveWait(s.client, &record, 5000)) break;
        delete[] record.data;
    }
    double seconds = Seconds(start);
    echo.join();
    return seconds;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Counters: the SDK's and the reference's medians in `unit`, and `ratio`,
// the median of the iterations' SDK time over reference time.
void Report(benchmark::State &state, const std::vector<double> &sdk, const std::vector<double> &ref,
            double perIteration, const char *unit, bool rate) {
    std::vector<double> ratios, sdkValues, refValues;
    for (size_t i = 0; i < sdk.size(); ++i) {
        ratios.push_back(sdk[i] / ref[i]);
        sdkValues.push_back(rate ? perIteration / sdk[i] : sdk[i] / perIteration * 1e6);
        refValues.push_back(rate ? perIteration / ref[i] : ref[i] / perIteration * 1e6);
    }
    state.counters[std::string("sdk_") + unit] = Median(sdkValues);
    state.counters[std::string("ref_") + unit] = Median(refValues);
    state.counters["ratio"] = Median(ratios);
    state.SetLabel("ref: raw TCP socket pair");
}

void ClientToServer(benchmark::State &state) {
    const size_t size = (size_t)state.range(0);
    const int count = 10000;
    Session s;
    RawPair pair;
    if (!s.ready) {
        state.SkipWithError("no loopback session");
        return;
    }
    std::vector<double> sdk, ref;
    int lost = 0;
    for (auto _ : state) {
        ref.push_back(RawBatch(pair, size, count));
        int missing = 0;
        sdk.push_back(SdkBatch(s, size, count, &missing));
        lost += missing;
        state.SetIterationTime(sdk.back());
    }
    Report(state, sdk, ref, count, "msgs_s", true);
    state.counters["lost"] = lost;
    state.SetItemsProcessed((int64_t)count * state.iterations());
}
BENCHMARK(ClientToServer)
    ->Arg(16)
    ->Arg(4096)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(15);

void RoundTrip(benchmark::State &state) {
    const int count = 2000;
    Session s;
    RawPair pair;
    if (!s.ready) {
        state.SkipWithError("no loopback session");
        return;
    }
    std::vector<double> sdk, ref;
    for (auto _ : state) {
        ref.push_back(RawRoundTrips(pair, count));
        sdk.push_back(SdkRoundTrips(s, count));
        state.SetIterationTime(sdk.back());
    }
    Report(state, sdk, ref, count, "us", false);
}
BENCHMARK(RoundTrip)->Arg(16)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(15);

} // namespace
