// SplitUrl and MergeUrl on arbitrary text: the input's first line is the URL
// handed to a fetch, the rest a redirect target merged after it.
#include "IdException.h"
#include "IdURI.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace korvane::http;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::size_t end = text.find('\n');
    const std::string_view first = text.substr(0, end);
    const std::string_view second =
        end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);

    TIdURI split(text);
    TIdURI again;
    again.SplitUrl(text);
    // Splitting is a function of the text alone.
    if (split.RequestTarget() != again.RequestTarget() || split.HostPart != again.HostPart ||
        split.Fragment != again.Fragment)
        __builtin_trap();
    (void)ResolvePath(first, second);

    TIdURI current;
    current.PortPart = "80"; // as a new client starts
    std::string user, password;
    try {
        MergeUrl(current, first, user, password);
        MergeUrl(current, second, user, password);
    } catch (const EIdUnknownProtocol&) {
    }
    (void)current.RequestTarget();
    return 0;
}
