// The system's own lookup against a name server that never answers: a UDP
// server that reads every query and replies to none, in a network namespace
// of the test's own, whose resolv.conf names it. Making a namespace needs
// root; elsewhere the test says so and skips.
#include "IdAbortSignal.h"
#include "IdException.h"
#include "IdHTTP.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <thread>

using namespace korvane::http;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

constexpr const char* kInsideVariable = "KORVANE_SILENT_RESOLVER_NAMESPACE";

bool Inside() {
    return std::getenv(kInsideVariable) != nullptr;
}

// Port 53 on the namespace's loopback: reads queries, answers none.
class SilentNameServer {
public:
    SilentNameServer() {
        Socket = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(53);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        Bound = Socket >= 0 &&
                ::bind(Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        timeval wait{0, 100000};
        ::setsockopt(Socket, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        Reader = std::thread([this] {
            char query[512];
            while (!Done)
                if (::recv(Socket, query, sizeof query, 0) > 0)
                    ++Queries;
        });
    }
    ~SilentNameServer() {
        Done = true;
        Reader.join();
        ::close(Socket);
    }
    bool Bound = false;
    std::atomic<int> Queries{0};

private:
    int Socket = -1;
    std::atomic<bool> Done{false};
    std::thread Reader;
};

std::string FetchError(int answerTimeout) {
    TIdHTTP client;
    client.ReadTimeout = 10000;
    client.AnswerTimeout = answerTimeout;
    std::string body;
    try {
        client.GetPage("http://marketplace.korvane.test/", body);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no error";
}

// Runs in the namespace, started by the test below.
TEST(SilentNameServerInside, LookupEndsWithinTheLimitsAndAtStop) {
    if (!Inside())
        GTEST_SKIP() << "runs only inside the namespace the test below makes";
    SilentNameServer server;
    ASSERT_TRUE(server.Bound);

    const auto start = Clock::now();
    EXPECT_EQ(FetchError(1500), "Host lookup timed out.");
    const auto took = Clock::now() - start;
    EXPECT_GE(took, milliseconds(1500));
    EXPECT_LT(took, milliseconds(3000));
    EXPECT_GT(server.Queries.load(), 0); // the lookup did go to the silent server

    auto signal = std::make_shared<TIdAbortSignal>();
    auto fetch = std::async(std::launch::async, [&] {
        const TIdAbortScope scope(signal);
        return FetchError(25000);
    });
    std::this_thread::sleep_for(milliseconds(300));
    const auto raised = Clock::now();
    signal->Raise();
    ASSERT_EQ(fetch.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_LT(Clock::now() - raised, milliseconds(500));
    EXPECT_EQ(fetch.get(), "Disconnected.");
}

TEST(SilentNameServer, LookupInsideTheFetchsLimits) {
    if (Inside())
        GTEST_SKIP() << "the namespace's own round";
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a network namespace needs root";
    const std::string name = "korvane-lookup-" + std::to_string(::getpid());
    const std::filesystem::path etc = "/etc/netns/" + name;
    if (std::system(("ip netns add " + name + " 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "no network namespace can be made here (ip netns add failed)";
    std::error_code ignored;
    std::filesystem::create_directories(etc, ignored);
    std::ofstream(etc / "resolv.conf") << "nameserver 127.0.0.1\n";
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const int status = std::system(("ip -n " + name + " link set lo up && " + kInsideVariable +
                                    "=1 ip netns exec " + name + " '" + self +
                                    "' --gtest_filter=SilentNameServerInside.*")
                                       .c_str());
    std::system(("ip netns del " + name).c_str());
    std::filesystem::remove_all(etc, ignored);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the round inside the namespace failed (output above)";
}

} // namespace
