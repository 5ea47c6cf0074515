#pragma once

#include "IdIOHandlerSocket.h"
#include "IdManagedBuffer.h"
#include "IdSimpleBuffer.h"
#include "IdStack.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace korvane::http {

enum class TIdMaxLineAction { maException, maSplit };

// ReadToStream's count for a body that ends when the peer closes.
inline constexpr std::int64_t kIdReadUntilClose = -1;
// The most an until-close read takes unless told otherwise.
inline constexpr std::int64_t kIdUntilCloseWork = 2147483647;

// The reading and writing half of a blocking TCP connection: a receive queue
// that turns receipts into lines and counted or until-close bodies, batched
// sending, and noticing the peer's close. One thread uses it at a time.
class TIdTCPConnection {
public:
    static constexpr std::int32_t kDefaultBufferSize = 32768;
    static constexpr std::int32_t kDefaultMaxLineLength = 16384;

    TIdTCPConnection();
    virtual ~TIdTCPConnection();
    TIdTCPConnection(const TIdTCPConnection&) = delete;
    TIdTCPConnection& operator=(const TIdTCPConnection&) = delete;

    std::int32_t ReadTimeout = 0; // ms for one wait; 0 waits without limit
    // When set, every wait for data and every connect with a limit, its name
    // lookup included, ends by then, however short each wait: a peer that
    // trickles a byte now and then keeps every single wait short and would
    // hold the reader forever.
    std::optional<std::chrono::steady_clock::time_point> AnswerDeadline;
    std::int32_t RecvBufferSize = kDefaultBufferSize;
    std::int32_t SendBufferSize = kDefaultBufferSize;
    std::int32_t MaxLineLength = kDefaultMaxLineLength; // 0: no limit
    TIdMaxLineAction MaxLineAction = TIdMaxLineAction::maException;
    std::function<void()> OnConnected;
    std::function<void()> OnDisconnected;

    // The endpoint in use; absent before the first open and after a close of
    // an owned one.
    TIdIOHandlerSocket* IOHandler() const { return Handler; }
    // Uses an endpoint the connection does not own (it is never destroyed here).
    void SetIOHandler(TIdIOHandlerSocket* handler);

    bool IsConnected();
    // Whether the connection is found closed; raises EIdConnClosedGracefully
    // when raiseIfClosed and nothing (or ignoreQueued) is left to read.
    bool CheckPeerClosed(bool raiseIfClosed, bool ignoreQueued);
    // Waits (limit ms, -1 = ReadTimeout) and receives once; the count added,
    // 0 when the peer closed, -1 for a time-out not raised.
    int ReceiveMore(bool raiseIfClosed, int limit = -1, bool raiseOnTimeout = true);
    // A connect's limit in ms: ReadTimeout, shortened to what is left before
    // AnswerDeadline (0 or -1: none). Raises EIdConnectTimeout when nothing is left.
    int ConnectLimit() const;
    // Pulls in what is already waiting and learns whether the peer closed.
    void ProbeForClose(bool raiseIfClosed);

    std::string ReadLine();
    void ReadExact(void* destination, std::int64_t count);
    // count bytes, or kIdReadUntilClose, written at the stream's position.
    // An until-close read also ends, without an error, after untilCloseMax bytes.
    void ReadToStream(TIdSimpleBuffer& stream, std::int64_t count,
                      std::int64_t untilCloseMax = kIdUntilCloseWork);

    void SendBytes(const void* bytes, std::int64_t count, bool sendNow);
    void SendText(std::string_view text);
    void SendLine(std::string_view text);
    void SendStream(TIdSimpleBuffer& stream);
    void OpenSendBatch(std::int32_t threshold);
    void FlushSendBatch(std::int64_t count = -1);
    void CloseSendBatch();

    void DropSocket();
    void CloseConnection();

    TIdManagedBuffer ReceiveQueue;
    bool PeerClosed = false;
    bool LastLineTimedOut = false;
    bool LastLineSplit = false;

protected:
    // The disconnected notification.
    virtual void DoDisconnected();
    // An endpoint for opening: the present one, or a new owned one.
    TIdIOHandlerSocket& PrepareIOHandler();
    const TIdStack::TUser& StackUser() const { return Stack; }

private:
    // A read receiving straight into its destination (an exact read, or a
    // counted body in place). Bytes there count as queued until it
    // completes; on failure what chunk-by-chunk reads would not have kept
    // goes back to the queue, so no step can tell the difference.
    struct TDirectRead {
        char* Target;
        std::size_t Have;
        std::size_t Wanted;
    };

    std::string TakeLine(std::size_t found, bool split);
    void ReadCountedInPlace(TIdSimpleBuffer& stream, std::size_t count, std::size_t chunk);
    std::size_t QueuedSize() const { return ReceiveQueue.Size() + (Direct ? Direct->Have : 0); }

    TIdStack::TUser Stack;
    TIdIOHandlerSocket* Handler = nullptr;
    std::unique_ptr<TIdIOHandlerSocket> OwnedHandler;
    std::unique_ptr<TIdSimpleBuffer> SendBatch;
    std::int32_t SendBatchThreshold = 0;
    TDirectRead* Direct = nullptr;
};

} // namespace korvane::http
