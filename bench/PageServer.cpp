#include "PageServer.h"

#include "LoopbackServer.h"

namespace korvane::bench {

std::uint16_t PageServerPort() {
    static test::LoopbackServer* server = [] {
        // Never destroyed: it serves until the program ends.
        auto* s = new test::LoopbackServer();
        const std::string response = test::HttpResponse("200 OK", "Content-Type: text/html\r\n",
                                                        std::string(kPageBytes, 'p'));
        s->Start({[response](test::LoopbackPeer& peer) {
                     peer.ReadRequestHead();
                     peer.Send(response);
                 }},
                 true);
        return s;
    }();
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
