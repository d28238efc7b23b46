#pragma once
// Port: one file fetched from a web database, off the window's thread. The program never
// waits for the network: the answer comes later, on the window's thread, as plain bytes.
#include <functional>
#include <string>

namespace wl {

struct WebAnswer {
    bool found = false;   // a 200 answer, read whole (bytes holds it)
    std::string bytes;
    std::string why;      // otherwise: "not in the database" (404) or what went wrong
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
