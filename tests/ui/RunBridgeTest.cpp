#include "RunBridge.h"

#include "QtWait.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace korvane;

namespace {

TEST(RunBridgeTest, PostedAndSynchronisedCallsRunInOrderOnTheWindowThread) {
    QObject context;
    const auto bridge = TRunBridge::Create(&context);
    std::vector<std::string> calls; // the window's thread only
    bool offThread = false;
    const auto call = [&](const char* name) {
        return [&, name] {
            offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
            calls.emplace_back(name);
        };
    };
    std::thread worker([&] {
        bridge->Post(call("posted 1"));
        // A posted call that throws is dropped; the calls after it still run.
        bridge->Post([] { throw std::runtime_error("row failed"); });
        bridge->Post(call("posted 2"));
        bridge->Synchronize(call("synchronised"));
        bridge->Post(call("posted 3"));
    });
    ASSERT_TRUE(test::WaitUntil([&] { return calls.size() == 4; }, 5000));
    worker.join();
    EXPECT_EQ(calls,
              (std::vector<std::string>{"posted 1", "posted 2", "synchronised", "posted 3"}));
    EXPECT_FALSE(offThread);
    bridge->Close();
}

TEST(RunBridgeTest, ClosedBridgeRunsNoPostedCallAndTakesNoNewOne) {
    QObject context;
    const auto bridge = TRunBridge::Create(&context);
    bool ran = false;
    bridge->Post([&ran] { ran = true; }); // still queued when the window closes
    bridge->Close();
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
    EXPECT_THROW(bridge->Post([&ran] { ran = true; }), TRunAborted);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

} // namespace
