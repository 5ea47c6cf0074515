#include "PageReader.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace korvane;

namespace {

using namespace std::chrono_literals;

// Holds the reader's thread inside a task until opened.
class Gate {
public:
    std::function<void()> Task() {
        return [this] {
            Entered.set_value();
            Opened.wait();
        };
    }
    void WaitUntilEntered() {
        ASSERT_EQ(Entered.get_future().wait_for(5s), std::future_status::ready);
    }
    void Open() { Opening.set_value(); }

private:
    std::promise<void> Entered;
    std::promise<void> Opening;
    std::shared_future<void> Opened = Opening.get_future().share();
};

TEST(PageReader, RunsTasksInOrderOffTheCallersThread) {
    std::vector<int> done; // the reader's thread only, until Drain
    std::vector<std::thread::id> threads;
    {
        TPageReader reader;
        for (int i = 0; i < 50; ++i)
            reader.Submit([&, i] {
                done.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
        reader.Drain();
        ASSERT_EQ(done.size(), 50u);
        for (int i = 0; i < 50; ++i)
            EXPECT_EQ(done[static_cast<std::size_t>(i)], i);
        for (const std::thread::id id : threads)
            EXPECT_NE(id, std::this_thread::get_id());
        // A drained reader takes more.
        reader.Submit([&] { done.push_back(50); });
        reader.Drain();
    }
    EXPECT_EQ(done.size(), 51u);
}

TEST(PageReader, SubmitWaitsWhileTheQueueIsFull) {
    TPageReader reader;
    Gate gate;
    reader.Submit(gate.Task());
    gate.WaitUntilEntered();
    std::atomic<int> ran{0};
    for (std::size_t i = 0; i < TPageReader::kMaxQueuedTasks; ++i)
        reader.Submit([&] { ++ran; });

    std::atomic<bool> submitted{false};
    std::thread late([&] {
        reader.Submit([&] { ++ran; });
        submitted = true;
    });
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(submitted); // one too many: it waits for room
    gate.Open();
    late.join();
    EXPECT_TRUE(submitted);
    reader.Drain();
    EXPECT_EQ(ran, static_cast<int>(TPageReader::kMaxQueuedTasks) + 1);
}

TEST(PageReader, FirstErrorDropsTheRestAndReachesTheCaller) {
    struct Case {
        const char* name;
        // How the caller learns of the error.
        std::function<void(TPageReader&)> learn;
    };
    const Case cases[] = {
        {"drain", [](TPageReader& r) { r.Drain(); }},
        {"check", [](TPageReader& r) { r.ThrowIfFailed(); }},
        {"submit", [](TPageReader& r) { r.Submit([] {}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TPageReader reader;
        Gate gate;
        std::atomic<int> ran{0};
        reader.Submit(gate.Task());
        reader.Submit([] { throw std::runtime_error("window gone"); });
        reader.Submit([&] { ++ran; }); // queued behind the failure: never runs
        gate.Open();
        EXPECT_THROW(reader.Drain(), std::runtime_error);
        EXPECT_THROW(c.learn(reader), std::runtime_error);
        EXPECT_THROW(reader.Submit([&] { ++ran; }), std::runtime_error);
        EXPECT_EQ(ran, 0);
    }
}

TEST(PageReader, AbandonAndEndWaitForTheRunningTaskAndDropTheQueued) {
    struct Case {
        const char* name;
        std::function<void(std::unique_ptr<TPageReader>&)> leave;
    };
    const Case cases[] = {
        {"abandon", [](std::unique_ptr<TPageReader>& r) { r->Abandon(); }},
        {"end", [](std::unique_ptr<TPageReader>& r) { r.reset(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Gate gate;
        std::atomic<int> ran{0};
        std::atomic<bool> finished{false};
        auto reader = std::make_unique<TPageReader>();
        reader->Submit([&] {
            gate.Task()();
            finished = true;
        });
        for (int i = 0; i < 3; ++i)
            reader->Submit([&] { ++ran; });
        gate.WaitUntilEntered();
        std::thread opener([&] {
            std::this_thread::sleep_for(50ms);
            gate.Open();
        });
        c.leave(reader);
        EXPECT_TRUE(finished); // never left running behind the caller's back
        EXPECT_EQ(ran, 0);
        opener.join();
        if (reader) {
            // An abandoned reader takes more, and has no error to tell.
            reader->Submit([&] { ran = 10; });
            reader->Drain();
            EXPECT_EQ(ran, 10);
        }
    }
}

} // namespace
