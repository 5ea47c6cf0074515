#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// The HTTP client's error classes. Each one that has a fixed message gets it
// from its default constructor, so a raise site cannot misspell it.
namespace korvane::http {

// Not of the EId family: a text that should have read as an integer.
class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EIdException : public std::runtime_error {
public:
    explicit EIdException(const std::string& message = {}) : std::runtime_error(message) {}
};

// --- socket layer -----------------------------------------------------------

class EIdSocketError : public EIdException {
public:
    EIdSocketError(int lastError, const std::string& message)
        : EIdException(message), LastError(lastError) {}
    int LastError;
};

class EIdInvalidSocket : public EIdException {
public:
    EIdInvalidSocket() : EIdException("Cannot allocate socket.") {}
};

class EIdConnectTimeout : public EIdException {
public:
    EIdConnectTimeout() : EIdException("Connect timed out.") {}

protected:
    explicit EIdConnectTimeout(const std::string& message) : EIdException(message) {}
};

// The connect's limit passed while its host name was still being looked up.
class EIdLookupTimeout : public EIdConnectTimeout {
public:
    EIdLookupTimeout() : EIdConnectTimeout("Host lookup timed out.") {}
};

class EIdConnectException : public EIdException {
public:
    using EIdException::EIdException;
};

class EIdClosedSocket : public EIdException {
public:
    EIdClosedSocket() : EIdException("Disconnected.") {}
};

class EIdSilentException : public EIdException {
public:
    using EIdException::EIdException;
};

class EIdConnClosedGracefully : public EIdSilentException {
public:
    EIdConnClosedGracefully() : EIdSilentException("Connection Closed Gracefully.") {}
};

class EIdStackError : public EIdException {
public:
    using EIdException::EIdException;
};

// Winsock could not be started (the Windows build); never raised on POSIX.
class EIdStackInitializationFailed : public EIdStackError {
public:
    EIdStackInitializationFailed() : EIdStackError("Winsock Initialization Error.") {}
};

// Raised nowhere: the Windows build links Winsock rather than loading it.
class EIdWS2StubError : public EIdException {
public:
    EIdWS2StubError(std::uint32_t error, const std::string& title, const std::string& text)
        : EIdException(error == 0 ? title : title + ": " + text), Win32Error(error),
          Win32ErrorText(text), Title(title) {}
    std::uint32_t Win32Error;
    std::string Win32ErrorText;
    std::string Title;
};

class EIdSocketHandleError : public EIdException {
public:
    using EIdException::EIdException;
};

class EIdCouldNotBindSocket : public EIdSocketHandleError {
public:
    EIdCouldNotBindSocket()
        : EIdSocketHandleError("Could not bind socket. Address and port are already in use.") {}
};

// --- connection ---------------------------------------------------------------

class EIdAlreadyConnected : public EIdException {
public:
    EIdAlreadyConnected() : EIdException("Already connected.") {}
};

class EIdReadTimeout : public EIdException {
public:
    EIdReadTimeout() : EIdException("Read Timeout") {}
};

class EIdReadLnMaxLineLengthExceeded : public EIdException {
public:
    EIdReadLnMaxLineLengthExceeded() : EIdException("Max line length exceeded.") {}
};

class EIdTCPConnectionError : public EIdException {
public:
    using EIdException::EIdException;
};

class EIdNotConnected : public EIdTCPConnectionError {
public:
    EIdNotConnected() : EIdTCPConnectionError("Not Connected") {}
};

class EIdNotEnoughDataInBuffer : public EIdTCPConnectionError {
public:
    EIdNotEnoughDataInBuffer() : EIdTCPConnectionError("Not enough data in buffer.") {}
};

class EIdNoDataToRead : public EIdTCPConnectionError {
public:
    EIdNoDataToRead() : EIdTCPConnectionError("No data to read.") {}
};

// --- URLs and HTTP ----------------------------------------------------------------

class EIdUnknownProtocol : public EIdException {
public:
    EIdUnknownProtocol() : EIdException() {}
};

class EIdIOHandlerPropInvalid : public EIdException {
public:
    EIdIOHandlerPropInvalid() : EIdException("IOHandler value is not valid") {}
};

class EIdProtocolReplyError : public EIdException {
public:
    EIdProtocolReplyError(int replyCode, const std::string& message)
        : EIdException(message), ReplyCode(replyCode) {}
    int ReplyCode;
};

class EIdHTTPProtocolException : public EIdProtocolReplyError {
public:
    EIdHTTPProtocolException(int replyCode, const std::string& message, std::string errorBody)
        : EIdProtocolReplyError(replyCode, message), ErrorBody(std::move(errorBody)) {}
    std::string ErrorBody;
};

} // namespace korvane::http
