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
    // Redirects are followed only on the same host and never from https to http; a refused
    // one is the answer (an HttpError with its 3xx code). Off: any http(s) address is followed.
    bool sameHostRedirects = false;
};

// One GET as it went: how it ended, the server's status code (0 when no answer came), the
// body read (at most maxBytes), the seconds a Retry-After header asked for (-1 without one).
struct HttpResult {
    enum Outcome { Answered, TooLarge, NoAnswer, Stopped } outcome = NoAnswer;
    long status = 0;
    std::string body;
    long retryAfter = -1;
};
// The answer as the program sees it: Ok only for a whole 200 answer.
WebAnswer webAnswerOf(HttpResult result);
// True when a redirect from `from` to `to` may be followed under sameHostRedirects.
bool redirectAllowed(const std::string& from, const std::string& to);
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
