#include "adapters/net/CurlFetch.h"

#include <curl/curl.h>

#include <utility>

namespace wl {
namespace {

struct Sink {
    std::string bytes;
    size_t maxBytes;
    const std::atomic<bool>* cancel;
    bool tooLarge = false;
};

size_t onData(char* data, size_t size, size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const size_t n = size * count;
    if (sink->bytes.size() + n > sink->maxBytes) {
        sink->tooLarge = true;
        return 0;  // curl ends the transfer
    }
    sink->bytes.append(data, n);
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    auto* sink = static_cast<Sink*>(user);
    return sink->cancel && sink->cancel->load() ? 1 : 0;
}

}  // namespace

WebAnswer CurlFetch::get(const std::string& url, const CurlOptions& options, const std::atomic<bool>* cancel) {
    WebAnswer answer;
    CURL* curl = curl_easy_init();
    if (!curl) {
        answer.why = "no network library";
        return answer;
    }
    Sink sink{{}, options.maxBytes, cancel};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, options.userAgent.c_str());
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, options.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // no SIGALRM in a threaded program
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    if (sink.tooLarge) {
        answer.why = "the answer was too large";
    } else if (code == CURLE_ABORTED_BY_CALLBACK) {
        answer.why = "stopped";
    } else if (code != CURLE_OK) {
        answer.why = curl_easy_strerror(code);
    } else if (status == 404) {
        answer.why = "not in the database";
    } else if (status != 200) {
        answer.why = "the server answered " + std::to_string(status);
    } else {
        answer.found = true;
        answer.bytes = std::move(sink.bytes);
    }
    return answer;
}

CurlFetch::CurlFetch(WindowThread& window, CurlOptions options) : window_(window), options_(std::move(options)) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlFetch::~CurlFetch() {
    stop();
    // By now the window turns other threads' calls away, so none of these waits for it.
    for (std::thread& t : retired_) t.join();
    curl_global_cleanup();
}

void CurlFetch::fetch(const std::string& url, std::function<void(WebAnswer)> done) {
    stop();
    cancel_ = std::make_shared<std::atomic<bool>>(false);
    // The thread owns copies of all it uses: the caller's locals may be gone when it ends.
    thread_ = std::thread([&window = window_, url, options = options_, cancel = cancel_, done = std::move(done)] {
        WebAnswer answer = get(url, options, cancel.get());
        if (cancel->load()) return;
        window.runOnWindowThread([cancel, done, answer = std::move(answer)]() mutable {
            if (!cancel->load()) done(std::move(answer));
        });
    });
}

void CurlFetch::stop() {
    if (cancel_) cancel_->store(true);
    // Not joined here: on the window's thread that could wait for a thread that waits for
    // the window. Cancelled, it hands nothing over and ends within a second.
    if (thread_.joinable()) retired_.push_back(std::move(thread_));
}

}  // namespace wl
