#pragma once
// Port: one file fetched from a web database, off the window's thread. The program never
// waits for the network: the answer comes later, on the window's thread, as a status and
// plain bytes. The program words the statuses itself.
#include <functional>
#include <string>

namespace wl {

// How a request to a web service ended.
enum class WebStatus {
    Ok,            // a 200 answer, read whole
    NotFound,      // 404: the service holds nothing under that address
    HttpError,     // any other answer, a redirect that is not followed included
    NetworkError,  // no answer: no network, no such host, refused, timed out
    TooLarge,      // more bytes than any answer of the service holds
    NotExpected,   // an answer, but not in the service's format (never set by a fetch)
};

struct WebAnswer {
    WebStatus status = WebStatus::NetworkError;
    long http = 0;      // the server's status code when it gave one
    std::string bytes;  // Ok: the answer
};

class WebFetch {
public:
    virtual ~WebFetch() = default;
    // Fetches url; done runs later on the window's thread, unless stop() came first. One
    // fetch at a time: a new one replaces the one under way, whose done never runs.
    virtual void fetch(const std::string& url, std::function<void(WebAnswer)> done) = 0;
    // Ends the fetch under way; no done runs after it returns.
    virtual void stop() = 0;
};

}  // namespace wl
