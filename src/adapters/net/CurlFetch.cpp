#include "adapters/net/CurlFetch.h"

#include <curl/curl.h>

#include <cctype>
#include <cstdlib>
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

static size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto* retryAfter = static_cast<long*>(user);
    const std::string line(data, size * count);
    static const char kName[] = "retry-after:";
    if (line.size() > sizeof kName - 1) {
        std::string name = line.substr(0, sizeof kName - 1);
        for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
        if (name == kName) {
            const std::string value = line.substr(sizeof kName - 1);
            char* end = nullptr;
            const long seconds = std::strtol(value.c_str(), &end, 10);
            if (end != value.c_str() && seconds >= 0) *retryAfter = seconds;
        }
    }
    return size * count;
}

HttpResult httpGet(const std::string& url, const CurlOptions& options, const std::atomic<bool>* cancel,
                   const std::string& accept) {
    HttpResult result;
    CURL* curl = curl_easy_init();
    if (!curl) {
        result.error = "no network library";
        return result;
    }
    Sink sink{{}, options.maxBytes, cancel};
    curl_slist* headers = nullptr;
    if (!accept.empty()) headers = curl_slist_append(headers, ("Accept: " + accept).c_str());
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, options.userAgent.c_str());
    if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, options.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, options.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // no SIGALRM in a threaded program
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &result.retryAfter);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    if (sink.tooLarge) {
        result.error = "the answer was too large";
    } else if (code == CURLE_ABORTED_BY_CALLBACK) {
        result.error = "stopped";
    } else if (code != CURLE_OK) {
        result.error = curl_easy_strerror(code);
    }
    if (!result.error.empty()) result.status = 0;
    result.body = std::move(sink.bytes);
    return result;
}

WebAnswer CurlFetch::get(const std::string& url, const CurlOptions& options, const std::atomic<bool>* cancel) {
    WebAnswer answer;
    HttpResult r = httpGet(url, options, cancel);
    if (!r.error.empty()) {
        answer.why = r.error;
    } else if (r.status == 404) {
        answer.why = "not in the database";
    } else if (r.status != 200) {
        answer.why = "the server answered " + std::to_string(r.status);
    } else {
        answer.found = true;
        answer.bytes = std::move(r.body);
    }
    return answer;
}

CurlFetch::CurlFetch(WindowThread& window, CurlOptions options) : options_(std::move(options)), requests_(window) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlFetch::~CurlFetch() {
    requests_.finish();  // before the library goes
    curl_global_cleanup();
}

void CurlFetch::fetch(const std::string& url, std::function<void(WebAnswer)> done) {
    requests_.start<WebAnswer>([url, options = options_](const std::atomic<bool>& cancel) { return get(url, options, &cancel); },
                               std::move(done));
}

void CurlFetch::stop() { requests_.stop(); }

}  // namespace wl
