#include "RunBridge.h"

#include <QMetaObject>
#include <QObject>

namespace korvane {

struct TRunBridge::TCall {
    const std::function<void()>* Call;
    bool Done = false;
    std::exception_ptr Error;
};

std::shared_ptr<TRunBridge> TRunBridge::Create(QObject* context) {
    return std::shared_ptr<TRunBridge>(new TRunBridge(context));
}

void TRunBridge::Synchronize(const std::function<void()>& call) {
    auto pending = std::make_shared<TCall>();
    pending->Call = &call;
    std::unique_lock lock(Mutex);
    if (Closed)
        throw TRunAborted();
    // Posted under the lock, so the context cannot be closed and freed meanwhile.
    QMetaObject::invokeMethod(
        Context, [self = shared_from_this(), pending] { self->Run(pending); },
        Qt::QueuedConnection);
    Done.wait(lock, [&] { return pending->Done || Closed; });
    if (!pending->Done)
        throw TRunAborted();
    if (pending->Error)
        std::rethrow_exception(pending->Error);
}

void TRunBridge::Post(std::function<void()> call) {
    std::lock_guard lock(Mutex);
    if (Closed)
        throw TRunAborted();
    // The same queue as Synchronize's calls: the order holds across both.
    QMetaObject::invokeMethod(
        Context, [self = shared_from_this(), call = std::move(call)] { self->RunPosted(call); },
        Qt::QueuedConnection);
}

void TRunBridge::RunPosted(const std::function<void()>& call) {
    {
        std::lock_guard lock(Mutex);
        if (Closed)
            return;
    }
    try {
        call();
    } catch (...) {
        // Nobody waits for a posted call, so nobody could be told.
    }
}

void TRunBridge::Run(const std::shared_ptr<TCall>& pending) {
    {
        std::lock_guard lock(Mutex);
        if (Closed)
            return; // the worker has been let go and its call is gone
    }
    // Close runs on this same thread, so it cannot come while the call runs.
    try {
        (*pending->Call)();
    } catch (...) {
        pending->Error = std::current_exception();
    }
    std::lock_guard lock(Mutex);
    pending->Done = true;
    Done.notify_all();
}

void TRunBridge::Close() {
    std::lock_guard lock(Mutex);
    Closed = true;
    Context = nullptr;
    Done.notify_all();
}

} // namespace korvane
