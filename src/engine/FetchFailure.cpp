#include "FetchFailure.h"

#include "IdException.h"
#include "IdStack.h"

#if defined(__GNUG__)
#include <cxxabi.h>
#endif

#include <cstdlib>
#include <memory>
#include <typeinfo>

namespace korvane {

namespace {

// The class's own name, without its namespaces.
std::string ClassNameOf(const std::type_info& type) {
#if defined(__GNUG__)
    int status = 0;
    const std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
    std::string name = status == 0 && demangled ? demangled.get() : type.name();
#else
    // MSVC's names are readable already ("class korvane::http::EIdReadTimeout").
    std::string name = type.name();
#endif
    if (const auto colons = name.rfind("::"); colons != std::string::npos)
        name.erase(0, colons + 2);
    return name;
}

// A failed connect carries its socket error only in its text.
int SocketErrorCodeIn(const std::string& message) {
    static constexpr std::string_view kPrefix = "Socket Error # ";
    if (message.compare(0, kPrefix.size(), kPrefix) != 0)
        return 0;
    return std::atoi(message.c_str() + kPrefix.size());
}

// By the socket error numbers the client reports (the WinSock ones).
TFetchFailureKind KindOfSocketError(int code) {
    switch (code) {
    case http::Id_WSAECONNREFUSED:
        return TFetchFailureKind::ConnectionRefused;
    case http::Id_WSAETIMEDOUT:
        return TFetchFailureKind::ConnectTimeout;
    case http::Id_WSAHOST_NOT_FOUND:
    case http::Id_WSATRY_AGAIN:
    case http::Id_WSANO_RECOVERY:
    case http::Id_WSANO_DATA:
        return TFetchFailureKind::HostNotFound;
    case http::Id_WSAENETDOWN:
    case http::Id_WSAENETUNREACH:
    case http::Id_WSAEHOSTDOWN:
    case http::Id_WSAEHOSTUNREACH:
        return TFetchFailureKind::NetworkUnreachable;
    case http::Id_WSAENETRESET:
    case http::Id_WSAECONNABORTED:
    case http::Id_WSAECONNRESET:
    case http::Id_WSAENOTCONN:
    case http::Id_WSAESHUTDOWN:
        return TFetchFailureKind::ConnectionLost;
    default:
        return TFetchFailureKind::Other;
    }
}

} // namespace

TFetchFailure TFetchFailure::Describe(const std::exception_ptr& error, int page) {
    TFetchFailure failure;
    failure.Page = page;
    if (!error)
        return failure;
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        failure.ClassName = ClassNameOf(typeid(e));
        failure.Message = e.what();
        if (const auto* status = dynamic_cast<const http::EIdProtocolReplyError*>(&e)) {
            failure.Kind = TFetchFailureKind::ServerError;
            failure.StatusCode = status->ReplyCode;
        } else if (dynamic_cast<const http::EIdIOHandlerPropInvalid*>(&e)) {
            // The crawl asks for plain http only: an https address was
            // reached through a redirect.
            failure.Kind = TFetchFailureKind::LoginRequired;
        } else if (dynamic_cast<const http::EIdReadTimeout*>(&e)) {
            failure.Kind = TFetchFailureKind::ReadTimeout;
        } else if (dynamic_cast<const http::EIdLookupTimeout*>(&e)) {
            failure.Kind = TFetchFailureKind::LookupTimeout;
        } else if (dynamic_cast<const http::EIdConnectTimeout*>(&e)) {
            failure.Kind = TFetchFailureKind::ConnectTimeout;
        } else if (const auto* socket = dynamic_cast<const http::EIdSocketError*>(&e)) {
            failure.Kind = KindOfSocketError(socket->LastError);
        } else if (dynamic_cast<const http::EIdConnectException*>(&e)) {
            failure.Kind = KindOfSocketError(SocketErrorCodeIn(failure.Message));
        } else if (dynamic_cast<const http::EIdConnClosedGracefully*>(&e) ||
                   dynamic_cast<const http::EIdClosedSocket*>(&e) ||
                   dynamic_cast<const http::EIdNotConnected*>(&e)) {
            failure.Kind = TFetchFailureKind::ConnectionLost;
        }
    } catch (...) {
        failure.ClassName = "unknown";
    }
    return failure;
}

TFetchFailure TFetchFailure::OfPage(TFetchFailureKind kind, int page) {
    TFetchFailure failure;
    failure.Page = page;
    failure.Kind = kind;
    return failure;
}

bool TFetchFailure::TimedOut() const {
    return Kind == TFetchFailureKind::ReadTimeout || Kind == TFetchFailureKind::ConnectTimeout ||
           Kind == TFetchFailureKind::LookupTimeout;
}

bool TFetchFailure::TurnsAway() const {
    return Kind == TFetchFailureKind::NotAListing || Kind == TFetchFailureKind::LoginRequired;
}

} // namespace korvane
