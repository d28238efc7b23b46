#pragma once
// WebFetch over libcurl: one thread per fetch, its answer handed to the window's thread.
#include <atomic>
#include <string>

#include "adapters/net/BackgroundRequest.h"
#include "platform/WebFetch.h"
#include "platform/WindowThread.h"

namespace wl {

struct CurlOptions {
    std::string userAgent;
    long timeoutSeconds = 10;
    size_t maxBytes = 4 << 20;  // a larger answer is no answer of this service
};

// One GET as it went: the status (0 when no answer came), the body read (at most maxBytes),
// the seconds a Retry-After header asked for (-1 without one), what went wrong.
struct HttpResult {
    long status = 0;
    std::string body;
    long retryAfter = -1;
    std::string error;
};
HttpResult httpGet(const std::string& url, const CurlOptions& options, const std::atomic<bool>* cancel,
                   const std::string& accept = {});

class CurlFetch : public WebFetch {
public:
    CurlFetch(WindowThread& window, CurlOptions options);
    ~CurlFetch() override;
    void fetch(const std::string& url, std::function<void(WebAnswer)> done) override;
    void stop() override;

    // The blocking request itself, for tests and other adapters.
    static WebAnswer get(const std::string& url, const CurlOptions& options, const std::atomic<bool>* cancel);

private:
    CurlOptions options_;
    BackgroundRequest requests_;
};

}  // namespace wl
