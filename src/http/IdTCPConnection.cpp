#include "IdTCPConnection.h"

#include "IdException.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace korvane::http {

TIdTCPConnection::TIdTCPConnection() = default;

TIdTCPConnection::~TIdTCPConnection() {
    // No notification while being destroyed.
    if (Handler) {
        PeerClosed = true;
        Handler->Close();
    }
}

void TIdTCPConnection::SetIOHandler(TIdIOHandlerSocket* handler) {
    if (OwnedHandler.get() != handler)
        OwnedHandler.reset();
    Handler = handler;
}

TIdIOHandlerSocket& TIdTCPConnection::PrepareIOHandler() {
    if (!Handler) {
        OwnedHandler = std::make_unique<TIdIOHandlerSocket>();
        Handler = OwnedHandler.get();
    } else if (Handler->Connected()) {
        throw EIdAlreadyConnected();
    }
    return *Handler;
}

bool TIdTCPConnection::IsConnected() {
    CheckPeerClosed(false, false);
    return Handler && Handler->Connected();
}

bool TIdTCPConnection::CheckPeerClosed(bool raiseIfClosed, bool ignoreQueued) {
    bool closed = false;
    if (PeerClosed || !Handler) {
        if (Handler) {
            if (Handler->Connected()) {
                DropSocket();
                DoDisconnected();
            }
            closed = true;
        }
    } else {
        closed = !Handler->Connected();
    }
    if (closed && raiseIfClosed && (QueuedSize() == 0 || ignoreQueued))
        throw EIdConnClosedGracefully();
    return closed;
}

namespace {

// Milliseconds left before deadline, rounded up, never below 0.
int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(left.count(), 0, INT32_MAX));
}

} // namespace

int TIdTCPConnection::ConnectLimit() const {
    if (!AnswerDeadline)
        return ReadTimeout;
    const int left = MillisecondsLeft(*AnswerDeadline);
    if (left == 0)
        throw EIdConnectTimeout();
    return ReadTimeout <= 0 ? left : std::min(ReadTimeout, left);
}

int TIdTCPConnection::ReceiveMore(bool raiseIfClosed, int limit, bool raiseOnTimeout) {
    if (limit == -1)
        limit = ReadTimeout;
    if (limit == 0)
        limit = kIdTimeoutInfinite;
    if (AnswerDeadline) {
        const int left = MillisecondsLeft(*AnswerDeadline);
        limit = limit == kIdTimeoutInfinite ? left : std::min(limit, left);
    }
    CheckPeerClosed(raiseIfClosed, false);
    if (!IsConnected()) {
        if (raiseIfClosed)
            throw EIdNotConnected();
        return 0;
    }
    long n = 0;
    do {
        // Received straight into the queue's tail, or into the rest of an
        // exact read's destination, rather than through a scratch buffer.
        std::size_t want = 0;
        char* into = nullptr;
        if (Direct) {
            want = Direct->Wanted - Direct->Have;
            into = Direct->Target + Direct->Have;
        } else {
            want = static_cast<std::size_t>(std::max(RecvBufferSize, 1));
            into = ReceiveQueue.PrepareAppend(want);
        }
        // What is already waiting is taken without a wait: a wait would find
        // the socket readable at once, at the price of a system call.
        n = Handler->Recv(into, want, false);
        if (n == -1 && TIdStack::LastError() == Id_WSAEWOULDBLOCK) {
            if (!Handler->WaitReadable(limit)) {
                if (raiseOnTimeout)
                    throw EIdReadTimeout();
                return -1;
            }
            n = Handler->Recv(into, want);
        }
        PeerClosed = n == 0;
        if (n == -1) {
            if (StackUser().Stack().CheckCallResult(-1, {Id_WSAESHUTDOWN, Id_WSAECONNABORTED})) {
                const int code = TIdStack::LastError();
                n = 0;
                DropSocket();
                if (QueuedSize() == 0)
                    TIdStack::RaiseSocketError(code);
            }
        }
        if (n > 0) {
            if (Direct)
                Direct->Have += static_cast<std::size_t>(n);
            else
                ReceiveQueue.CommitAppend(static_cast<std::size_t>(n));
        }
        CheckPeerClosed(raiseIfClosed, false);
    } while (n == 0 && IsConnected());
    return static_cast<int>(n);
}

void TIdTCPConnection::ProbeForClose(bool raiseIfClosed) {
    ReceiveMore(raiseIfClosed, 1, false);
}

std::string TIdTCPConnection::TakeLine(std::size_t found, bool split) {
    if (split) {
        LastLineSplit = true;
        return ReceiveQueue.ExtractText(static_cast<std::size_t>(MaxLineLength));
    }
    std::string line = ReceiveQueue.ExtractText(found);
    line.pop_back(); // the LF
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

std::string TIdTCPConnection::ReadLine() {
    LastLineSplit = false;
    LastLineTimedOut = false;
    const auto limit = static_cast<std::size_t>(std::max(MaxLineLength, 0));
    std::size_t found = 0; // 1-based position of the LF in the queue
    std::size_t scanned = 0;
    for (;;) {
        const std::size_t size = ReceiveQueue.Size();
        if (size > 0) {
            // Only the bytes not searched before.
            const char* data = ReceiveQueue.Data();
            if (scanned < size) {
                const void* lf = std::memchr(data + scanned, '\n', size - scanned);
                found = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) + 1 : 0;
            }
            scanned = size;
        }
        const bool tooLong =
            limit != 0 && ((found > 0 && found - 1 > limit) || (found == 0 && scanned > limit));
        if (tooLong) {
            if (MaxLineAction == TIdMaxLineAction::maException)
                throw EIdReadLnMaxLineLengthExceeded();
            return TakeLine(0, true);
        }
        if (found > 0)
            return TakeLine(found, false);
        CheckPeerClosed(true, true);
        if (ReceiveMore(true, -1, true) == 0) {
            LastLineTimedOut = true;
            return {}; // the partial line stays queued
        }
    }
}

void TIdTCPConnection::ReadExact(void* destination, std::int64_t count) {
    if (count <= 0 || destination == nullptr)
        return;
    const auto wanted = static_cast<std::size_t>(count);
    if (ReceiveQueue.Size() >= wanted) {
        ReceiveQueue.ExtractTo(destination, wanted);
        return;
    }
    auto* target = static_cast<char*>(destination);
    TDirectRead direct{target, ReceiveQueue.Size(), wanted};
    ReceiveQueue.ExtractTo(target, direct.Have);
    Direct = &direct;
    try {
        while (direct.Have < wanted) {
            ReceiveMore(true, -1, true);
            CheckPeerClosed(true, true);
        }
    } catch (...) {
        Direct = nullptr;
        ReceiveQueue.Append(target, direct.Have); // the queue was empty: order kept
        throw;
    }
    Direct = nullptr;
}

void TIdTCPConnection::ReadToStream(TIdSimpleBuffer& stream, std::int64_t count,
                                    std::int64_t untilCloseMax) {
    const bool untilClose = count == kIdReadUntilClose;
    if (!untilClose && count <= 0)
        return;
    if (!untilClose)
        stream.SetSize(stream.Position() + static_cast<std::size_t>(count));
    // Whatever ends the read, the stream ends where the last received byte went.
    struct CutAtPosition {
        TIdSimpleBuffer& Stream;
        ~CutAtPosition() {
            if (Stream.Size() > Stream.Position())
                Stream.SetSize(Stream.Position());
        }
    } cut{stream};

    std::int64_t work = untilClose ? std::min(kIdUntilCloseWork, untilCloseMax) : count;
    if (const std::size_t queued = ReceiveQueue.Size(); queued > 0) {
        const auto n = static_cast<std::size_t>(std::min(static_cast<std::int64_t>(queued), work));
        stream.Write(ReceiveQueue.Data(), n);
        ReceiveQueue.Remove(n);
        work -= static_cast<std::int64_t>(n);
    }
    const std::int64_t chunk = std::min<std::int64_t>(work, std::max(RecvBufferSize, 1));
    if (!untilClose && work > 0 && IsConnected()) {
        ReadCountedInPlace(stream, static_cast<std::size_t>(work), static_cast<std::size_t>(chunk));
        return;
    }
    while (work > 0 && IsConnected()) {
        std::int64_t i = std::min(work, chunk);
        // Each chunk is read in place behind the position; it counts only once
        // the position moves past it, so a failed chunk is cut away.
        const std::size_t at = stream.Position();
        try {
            ReadExact(stream.Reserve(at, static_cast<std::size_t>(i)), i);
        } catch (const EIdConnClosedGracefully&) {
            if (!untilClose)
                throw;
            i = static_cast<std::int64_t>(ReceiveQueue.Size());
            ReceiveQueue.ExtractTo(stream.Reserve(at, static_cast<std::size_t>(i)),
                                   static_cast<std::size_t>(i));
        }
        if (i > 0) {
            stream.Seek(at + static_cast<std::size_t>(i));
            work -= i;
        }
    }
}

void TIdTCPConnection::ReadCountedInPlace(TIdSimpleBuffer& stream, std::size_t count,
                                          std::size_t chunk) {
    // The whole rest is received in place, in as few receipts as the kernel
    // allows. A failure keeps what chunk-by-chunk exact reads would have
    // kept: every completed chunk in the stream, the unfinished one queued.
    const std::size_t at = stream.Position();
    char* target = stream.Reserve(at, count);
    TDirectRead direct{target, 0, count};
    Direct = &direct;
    try {
        while (direct.Have < count) {
            ReceiveMore(true, -1, true);
            CheckPeerClosed(true, true);
        }
    } catch (...) {
        Direct = nullptr;
        const std::size_t kept = direct.Have / chunk * chunk;
        stream.Seek(at + kept);
        ReceiveQueue.Append(target + kept, direct.Have - kept);
        throw;
    }
    Direct = nullptr;
    stream.Seek(at + count);
}

void TIdTCPConnection::SendBytes(const void* bytes, std::int64_t count, bool sendNow) {
    if (count <= 0 || bytes == nullptr)
        return;
    CheckPeerClosed(true, true);
    if (!IsConnected())
        throw EIdNotConnected();
    if (sendNow || !SendBatch) {
        const auto* data = static_cast<const char*>(bytes);
        std::int64_t p = 0;
        do {
            const long sent = Handler->Send(data + p, static_cast<std::size_t>(count - p));
            const int code = sent == -1 ? TIdStack::LastError() : 0;
            PeerClosed = sent == 0;
            CheckPeerClosed(true, false);
            if (sent == -1) {
                if (code == Id_WSAESHUTDOWN || code == Id_WSAECONNABORTED ||
                    code == Id_WSAECONNRESET)
                    DropSocket();
                TIdStack::RaiseSocketError(code);
            }
            p += sent;
        } while (p < count);
        return;
    }
    SendBatch->Write(bytes, static_cast<std::size_t>(count));
    if (SendBatchThreshold > 0 && SendBatch->Size() >= static_cast<std::size_t>(SendBatchThreshold))
        FlushSendBatch(SendBatchThreshold);
}

void TIdTCPConnection::SendText(std::string_view text) {
    SendBytes(text.data(), static_cast<std::int64_t>(text.size()), false);
}

void TIdTCPConnection::SendLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    SendText(line);
}

void TIdTCPConnection::SendStream(TIdSimpleBuffer& stream) {
    stream.Seek(0);
    const std::size_t end = stream.Size();
    std::vector<char> buffer(static_cast<std::size_t>(std::max(SendBufferSize, 1)));
    while (end - stream.Position() != 0) {
        const std::size_t n =
            stream.Read(buffer.data(), std::min(end - stream.Position(), buffer.size()));
        if (n == 0)
            throw EIdNoDataToRead();
        SendBytes(buffer.data(), static_cast<std::int64_t>(n), false);
    }
}

void TIdTCPConnection::OpenSendBatch(std::int32_t threshold) {
    SendBatch = std::make_unique<TIdSimpleBuffer>();
    SendBatchThreshold = threshold;
}

void TIdTCPConnection::FlushSendBatch(std::int64_t count) {
    if (!SendBatch || SendBatch->Size() == 0)
        return;
    if (count != -1 && SendBatch->Size() >= static_cast<std::size_t>(count)) {
        SendBytes(SendBatch->Data(), count, true);
        SendBatch->Remove(static_cast<std::size_t>(count));
    } else {
        SendBytes(SendBatch->Data(), static_cast<std::int64_t>(SendBatch->Size()), true);
        SendBatch->Clear();
    }
}

void TIdTCPConnection::CloseSendBatch() {
    struct Discard {
        std::unique_ptr<TIdSimpleBuffer>& Batch;
        ~Discard() { Batch.reset(); }
    } discard{SendBatch};
    FlushSendBatch(-1);
}

void TIdTCPConnection::DropSocket() {
    if (Handler) {
        PeerClosed = true;
        Handler->Close();
    }
}

void TIdTCPConnection::CloseConnection() {
    DropSocket();
    if (OwnedHandler) {
        OwnedHandler.reset();
        Handler = nullptr;
    }
    DoDisconnected();
}

void TIdTCPConnection::DoDisconnected() {
    if (OnDisconnected)
        OnDisconnected();
}

} // namespace korvane::http
