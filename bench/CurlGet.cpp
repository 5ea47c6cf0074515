#include "CurlGet.h"

#include <curl/curl.h>

#include <memory>
#include <stdexcept>

namespace korvane::bench {

namespace {

struct Sink {
    CURL* Easy;
    std::string Body;
};

// Reserves the counted length at the first bytes, as the client does: a
// string grown by doubling would cost the peer page faults, not its HTTP.
std::size_t Append(char* data, std::size_t size, std::size_t count, void* target) {
    auto& sink = *static_cast<Sink*>(target);
    if (sink.Body.empty()) {
        curl_off_t length = -1;
        if (curl_easy_getinfo(sink.Easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) == CURLE_OK &&
            length > 0)
            sink.Body.reserve(static_cast<std::size_t>(length));
    }
    sink.Body.append(data, size * count);
    return size * count;
}

void InitOnce() {
    [[maybe_unused]] static const bool done = [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            throw std::runtime_error("libcurl did not start");
        return true;
    }();
}

} // namespace

std::string CurlGet(const std::string& url, const std::string& userAgent) {
    InitOnce();
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(),
                                                                   curl_easy_cleanup);
    if (!easy)
        throw std::runtime_error("no easy handle");
    Sink sink{easy.get(), {}};
    curl_easy_setopt(easy.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_USERAGENT, userAgent.c_str());
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, Append);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &sink);
    const CURLcode rc = curl_easy_perform(easy.get());
    if (rc != CURLE_OK)
        throw std::runtime_error(curl_easy_strerror(rc));
    return std::move(sink.Body);
}

} // namespace korvane::bench
