#include "FetchFailure.h"

#include "IdException.h"

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
    case 10061:
        return TFetchFailureKind::ConnectionRefused;
    case 10060:
        return TFetchFailureKind::ConnectTimeout;
    case 11001:
    case 11002:
    case 11003:
    case 11004:
        return TFetchFailureKind::HostNotFound;
    case 10050:
    case 10051:
    case 10064:
    case 10065:
        return TFetchFailureKind::NetworkUnreachable;
    case 10052:
    case 10053:
    case 10054:
    case 10057:
    case 10058:
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
    return Kind == TFetchFailureKind::ReadTimeout || Kind == TFetchFailureKind::ConnectTimeout;
}

bool TFetchFailure::TurnsAway() const {
    return Kind == TFetchFailureKind::NotAListing || Kind == TFetchFailureKind::LoginRequired;
}

} // namespace korvane
