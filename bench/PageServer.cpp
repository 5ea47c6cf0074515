#include "PageServer.h"

#include "LoopbackServer.h"

#include <map>
#include <memory>
#include <mutex>

namespace korvane::bench {

std::uint16_t PageServerPort(std::size_t bodyBytes) {
    static std::mutex lock;
    // Never destroyed: they serve until the program ends.
    static std::map<std::size_t, test::LoopbackServer*> servers;
    const std::lock_guard guard(lock);
    test::LoopbackServer*& server = servers[bodyBytes];
    if (!server) {
        server = new test::LoopbackServer();
        // Shared, not captured by value: the server copies its step for
        // every connection, and a copy of 5 MB would be timed with the fetch.
        const auto response = std::make_shared<const std::string>(test::HttpResponse(
            "200 OK", "Content-Type: text/html\r\n", std::string(bodyBytes, 'p')));
        server->Start({[response](test::LoopbackPeer& peer) {
                          peer.ReadRequestHead();
                          peer.Send(*response);
                      }},
                      true);
    }
    return server->Port();
}

const std::string& ListingRequestHead() {
    static const std::string head =
        "GET /search_auction.htm?cat=0&sort=coefp&nick=shop&viewIndex=7&yp4p_page=3&commend=all "
        "HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1\r\nAccept: text/html, */*\r\n"
        "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.2; SV1; Maxthon; .NET CLR "
        "1.1.4322; .NET CLR 2.0.50727)\r\n\r\n";
    return head;
}

} // namespace korvane::bench
