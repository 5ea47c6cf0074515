#include "ThreadUnit.h"

#include "ListingPageBuilder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <new>
#include <thread>

using namespace korvane;
using korvane::test::ListingPageBuilder;
using korvane::test::MakeItem;
using ::testing::ElementsAre;

namespace {

// Stands in for the window's thread: runs the worker's synchronous calls one
// at a time and hands back what they threw. Closing it makes every later
// call fail, as a closed window does.
class OwnerThread {
public:
    OwnerThread() : Thread([this] { Loop(); }) {}
    ~OwnerThread() {
        Close();
        Thread.join();
    }

    void Synchronize(const std::function<void()>& call) {
        std::packaged_task<void()> task(call);
        auto done = task.get_future();
        {
            std::lock_guard lock(Mutex);
            if (Closed)
                throw std::runtime_error("the window is gone");
            Queue.push_back(std::move(task));
        }
        Wake.notify_all();
        done.get(); // rethrows what the call threw
    }

    // Runs call later, in order with the synchronous ones, without waiting.
    void Post(std::function<void()> call) {
        {
            std::lock_guard lock(Mutex);
            if (Closed)
                throw std::runtime_error("the window is gone");
            Queue.emplace_back(std::move(call));
        }
        Wake.notify_all();
    }

    void Close() {
        std::lock_guard lock(Mutex);
        Closed = true;
        Queue.clear(); // a dropped task breaks its promise: the waiter throws
        Wake.notify_all();
    }

    std::thread::id Id() const { return Thread.get_id(); }

private:
    void Loop() {
        std::unique_lock lock(Mutex);
        for (;;) {
            Wake.wait(lock, [this] { return Closed || !Queue.empty(); });
            if (Queue.empty())
                return;
            auto task = std::move(Queue.front());
            Queue.pop_front();
            lock.unlock();
            task();
            lock.lock();
        }
    }

    std::mutex Mutex;
    std::condition_variable Wake;
    std::deque<std::packaged_task<void()>> Queue;
    bool Closed = false;
    std::thread Thread;
};

class RunControlTest : public ::testing::Test {
protected:
    void TearDown() override {
        // Every run releases its worker and watcher through the handshake.
        EXPECT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(5)));
    }

    TRunOperations Operations() {
        TRunOperations ops;
        ops.FetchPage = [this](const std::string& url, std::string& body) {
            const bool sales = url.find("biz30day") != std::string::npos;
            ListingPageBuilder page;
            for (const char* id : sales ? std::vector<const char*>{"a", "b"}
                                        : std::vector<const char*>{"b", "a", "c"})
                page.Add(MakeItem(id, id, "1.00", "3"));
            body = page.Last().Build();
            if (Fetch)
                Fetch(url, body);
        };
        ops.Nick = "shop";
        ops.Synchronize = [this](const std::function<void()>& call) { Owner.Synchronize(call); };
        ops.Post = [this](std::function<void()> call) { Owner.Post(std::move(call)); };
        ops.Lists = &Lists;
        ops.StopRequested = Stop;
        ops.AddItemRow = [this](const TItemInfo& item) {
            Log("row " + item.ID);
            if (AddItemRow)
                AddItemRow(item);
        };
        ops.AnalyseRanks = [this](const TRunReport&) { Log("analyse"); };
        ops.FinishRun = [this](const TRunReport& report) {
            Log("finish");
            Report = report;
            Finished.set_value();
        };
        return ops;
    }

    void Log(const std::string& what) {
        EXPECT_EQ(std::this_thread::get_id(), Owner.Id()) << what << " ran off the owner thread";
        Calls.push_back(what);
    }

    // Stops the run during the fetch of the pass's page 2 (never the last
    // page), once page 1 with its item id has reached the owner.
    TRunOperations StopDuringSecondPage(const std::string& sort, const char* id) {
        auto seen = std::make_shared<std::promise<void>>();
        std::shared_future<void> shown = seen->get_future().share();
        Fetch = [this, sort, id, shown](const std::string& url, std::string& body) {
            if (url.find(sort) == std::string::npos)
                return;
            body = ListingPageBuilder().Add(MakeItem(id, id, "1", "1")).Build();
            if (url.find("&s=") == std::string::npos)
                return;
            ASSERT_EQ(shown.wait_for(std::chrono::seconds(5)), std::future_status::ready);
            Stop->store(true);
        };
        TRunOperations ops = Operations();
        // Page 2's progress reaches the owner after page 1's items.
        ops.ReportProgress = [seen](const TRunProgress& progress) {
            if (progress.Page == 2)
                seen->set_value();
        };
        return ops;
    }

    void WaitForFinish() {
        ASSERT_EQ(Finished.get_future().wait_for(std::chrono::seconds(5)),
                  std::future_status::ready);
    }

    TResultLists Lists;
    std::vector<std::string> Calls; // touched on the owner thread only
    std::function<void(const std::string&, std::string&)> Fetch;
    std::function<void(const TItemInfo&)> AddItemRow;
    std::shared_ptr<std::atomic<bool>> Stop = std::make_shared<std::atomic<bool>>(false);
    std::promise<void> Finished;
    TRunReport Report;
    OwnerThread Owner;
};

TEST_F(RunControlTest, OwnerRunsEveryCallInOrder) {
    TRunThread::StartRun(Operations());
    WaitForFinish();

    EXPECT_THAT(Calls, ElementsAre("row b", "row a", "row c", "analyse", "finish"));
    EXPECT_EQ(Lists.SalesOrderList.size(), 2u);
    EXPECT_EQ(Lists.DefaultList.size(), 3u);
    EXPECT_EQ(Report.Sales.End, TPassEnd::EndMarker);
    EXPECT_EQ(Report.Default.End, TPassEnd::EndMarker);
}

TEST_F(RunControlTest, ExhaustedResourceStillEndsTheRunForTheUser) {
    int rows = 0;
    AddItemRow = [&rows](const TItemInfo&) {
        if (++rows == 2)
            throw std::bad_alloc();
    };
    TRunThread::StartRun(Operations());
    WaitForFinish();

    // A list the window could not take whole is not compared; the run
    // still finishes, and says so.
    EXPECT_THAT(Calls, ElementsAre("row b", "row a", "finish"));
    EXPECT_EQ(Lists.DefaultList.size(), 2u);
    EXPECT_EQ(Report.Default.End, TPassEnd::HandOverFailed);
    EXPECT_FALSE(Report.MakesComparison());
}

TEST_F(RunControlTest, AnalysisThatFailsIsToldAtTheEnd) {
    TRunOperations ops = Operations();
    ops.AnalyseRanks = [](const TRunReport&) { throw std::bad_alloc(); };
    TRunThread::StartRun(std::move(ops));
    WaitForFinish();

    EXPECT_TRUE(Report.AnalysisFailed);
    EXPECT_FALSE(Report.Complete());
}

TEST_F(RunControlTest, StopInTheSalesPassMakesNoComparison) {
    TRunThread::StartRun(StopDuringSecondPage("biz30day", "x"));
    WaitForFinish();

    // A partial sales list would mark items as demoted that are not.
    EXPECT_THAT(Calls, ElementsAre("finish"));
    // Page 2 ended well, but after the stop: it is not shown.
    EXPECT_EQ(Lists.SalesOrderList.size(), 1u);
    EXPECT_EQ(Report.Sales.End, TPassEnd::Stopped);
    EXPECT_EQ(Report.Sales.LastPage, 1);
    EXPECT_EQ(Report.Default.End, TPassEnd::Stopped);
    EXPECT_FALSE(Report.MakesComparison());
}

TEST_F(RunControlTest, StopInTheDefaultPassAnalysesWhatWasRead) {
    TRunThread::StartRun(StopDuringSecondPage("coefp", "b"));
    WaitForFinish();

    EXPECT_THAT(Calls, ElementsAre("row b", "analyse", "finish"));
    EXPECT_EQ(Report.Sales.End, TPassEnd::EndMarker);
    EXPECT_EQ(Report.Default.End, TPassEnd::Stopped);
    EXPECT_EQ(Report.Default.LastPage, 1);
    EXPECT_EQ(Report.Default.ItemsFound, 1);
}

// A page the window could not take leaves its list short whatever else ends
// the pass: a stop that follows must not let the pages before it be
// compared. Here the window takes posted pages only when the run's end
// reaches it, so the crawl sees nothing of the failure.
TEST_F(RunControlTest, FailedHandOverWinsOverAStopThatFollows) {
    std::mutex lock;
    std::vector<std::function<void()>> deferred;
    std::size_t postsAtFirstPage = 0;
    const auto posts = [&] {
        std::lock_guard guard(lock);
        return deferred.size();
    };
    Fetch = [&](const std::string& url, std::string& body) {
        if (url.find("coefp") == std::string::npos)
            return;
        body = ListingPageBuilder().Add(MakeItem("b", "b", "1", "1")).Build();
        if (url.find("&s=") == std::string::npos) {
            postsAtFirstPage = posts();
            return;
        }
        // Once page 1's items are posted (no progress is reported here).
        for (int i = 0; i < 500 && posts() < postsAtFirstPage + 1; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        Stop->store(true);
    };
    AddItemRow = [](const TItemInfo&) { throw std::bad_alloc(); };
    TRunOperations ops = Operations();
    ops.Post = [&](std::function<void()> call) {
        std::lock_guard guard(lock);
        deferred.push_back(std::move(call));
    };
    ops.Synchronize = [&](const std::function<void()>& call) {
        Owner.Synchronize([&] {
            std::vector<std::function<void()>> due;
            {
                std::lock_guard guard(lock);
                due.swap(deferred);
            }
            for (const auto& posted : due)
                try {
                    posted();
                } catch (...) {
                    // lost, as a posted call's error is
                }
            call();
        });
    };
    TRunThread::StartRun(std::move(ops));
    WaitForFinish();

    EXPECT_THAT(Calls, ElementsAre("row b", "finish"));
    EXPECT_EQ(Report.Default.End, TPassEnd::HandOverFailed);
    EXPECT_FALSE(Report.MakesComparison());
}

TEST_F(RunControlTest, ListingsNotReadWholeBecauseOfFailuresMakeNoComparison) {
    struct Case {
        const char* name;
        std::function<void(const std::string&, std::string&)> fetch;
        bool compared;
    };
    const Case cases[] = {
        {"every fetch fails",
         [](const std::string&, std::string& body) {
             body.clear();
             throw std::runtime_error("refused");
         },
         false},
        // The sales listing was read; the default one not at all.
        {"default pass fails",
         [](const std::string& url, std::string& body) {
             if (url.find("coefp") == std::string::npos)
                 return;
             body.clear();
             throw std::runtime_error("refused");
         },
         false},
        // Read in full and empty, nothing failed: an empty shop still gets its analysis.
        {"empty shop",
         [](const std::string&, std::string& body) { body = ListingPageBuilder().Last().Build(); },
         true},
        // The sales listing not read at all: every item would count as demoted.
        {"sales pass fails",
         [](const std::string& url, std::string& body) {
             if (url.find("biz30day") == std::string::npos) {
                 body = ListingPageBuilder().Add(MakeItem("a", "a", "1", "1")).Last().Build();
                 return;
             }
             body.clear();
             throw std::runtime_error("refused");
         },
         false},
        // One sales page cut short: its missing items would look demoted.
        {"a sales page fails",
         [](const std::string& url, std::string& body) {
             if (url.find("biz30day") == std::string::npos || url.find("&s=") != std::string::npos)
                 return;
             body = ListingPageBuilder().Add(MakeItem("a", "a", "1", "1")).Build();
             throw std::runtime_error("cut short");
         },
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Calls.clear();
        Finished = {};
        Fetch = c.fetch;
        Lists = {};
        TRunThread::StartRun(Operations());
        WaitForFinish();
        EXPECT_EQ(std::find(Calls.begin(), Calls.end(), "analyse") != Calls.end(), c.compared);
        EXPECT_EQ(Report.MakesComparison(), c.compared);
        EXPECT_EQ(Calls.back(), "finish");
        EXPECT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(5)));
    }
}

TEST_F(RunControlTest, ProgressReachesTheOwnerBeforeEachPage) {
    TRunOperations ops = Operations();
    ops.ReportProgress = [this](const TRunProgress& progress) {
        Log((progress.Pass == TPass::Sales ? "sales page " : "default page ") +
            std::to_string(progress.Page));
    };
    TRunThread::StartRun(std::move(ops));
    WaitForFinish();

    EXPECT_THAT(Calls, ElementsAre("sales page 1", "default page 1", "row b", "row a", "row c",
                                   "analyse", "finish"));
}

TEST_F(RunControlTest, WindowGoneMidRunEndsItsThreads) {
    std::promise<void> fetched;
    Fetch = [this, &fetched](const std::string&, std::string&) {
        Owner.Close();
        Stop->store(true);
        fetched.set_value();
    };
    TRunThread::StartRun(Operations());
    ASSERT_EQ(fetched.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);

    // No hand-over reaches a closed owner; the threads still end (TearDown).
    EXPECT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(5)));
    EXPECT_TRUE(Calls.empty());
}

TEST_F(RunControlTest, WindowGoneWhileItTakesAPageEndsTheRun) {
    // A default listing without end, so pages keep coming while the owner
    // is busy with the first.
    Fetch = [](const std::string& url, std::string& body) {
        if (url.find("coefp") != std::string::npos)
            body = ListingPageBuilder().Add(MakeItem("d", "d", "1", "1")).Build();
    };
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    int rows = 0;
    AddItemRow = [&](const TItemInfo&) {
        if (++rows > 1)
            return;
        entered.set_value();
        released.wait_for(std::chrono::seconds(5));
    };
    TRunOperations ops = Operations();
    ops.ReportProgress = [this](const TRunProgress& progress) {
        Log((progress.Pass == TPass::Sales ? "sales page " : "default page ") +
            std::to_string(progress.Page));
    };
    TRunThread::StartRun(std::move(ops));
    ASSERT_EQ(entered.get_future().wait_for(std::chrono::seconds(5)), std::future_status::ready);
    // As the window does when it closes: stop, then no more calls.
    Stop->store(true);
    Owner.Close();
    release.set_value();

    EXPECT_TRUE(TRunThread::WaitForRunThreads(std::chrono::seconds(5)));
    // The hand-over under way ends; nothing reaches the owner after it.
    EXPECT_EQ(rows, 1);
    EXPECT_THAT(Calls, ElementsAre("sales page 1", "default page 1", "row d"));
}

} // namespace
