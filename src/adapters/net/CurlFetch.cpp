#include "adapters/net/CurlFetch.h"

#include <curl/curl.h>

#include <cctype>
#include <chrono>
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

namespace {

struct Origin {
    std::string scheme, host, port;
};

bool originOf(const std::string& url, Origin& out) {
    CURLU* u = curl_url();
    if (!u) return false;
    bool ok = curl_url_set(u, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
    for (auto [part, into] : {std::pair{CURLUPART_SCHEME, &out.scheme}, {CURLUPART_HOST, &out.host}, {CURLUPART_PORT, &out.port}}) {
        char* text = nullptr;
        if (ok && curl_url_get(u, part, &text, part == CURLUPART_PORT ? CURLU_DEFAULT_PORT : 0) == CURLUE_OK && text)
            *into = text;
        else
            ok = false;
        curl_free(text);
    }
    curl_url_cleanup(u);
    for (char& c : out.scheme) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (char& c : out.host) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ok;
}

// One transfer of url as it is, no redirect followed.
HttpResult getOnce(CURL* curl, const std::string& url, const CurlOptions& options, long timeoutMs,
                   const std::atomic<bool>* cancel, std::string& redirect) {
    HttpResult result;
    Sink sink{{}, options.maxBytes, cancel};
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &sink);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &result.retryAfter);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &sink);
    const CURLcode code = curl_easy_perform(curl);
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &result.status);
    char* next = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &next) == CURLE_OK && next) redirect = next;
    if (sink.tooLarge)
        result.outcome = HttpResult::TooLarge;
    else if (code == CURLE_ABORTED_BY_CALLBACK)
        result.outcome = HttpResult::Stopped;
    else if (code == CURLE_OK || ((code == CURLE_TOO_MANY_REDIRECTS || code == CURLE_UNSUPPORTED_PROTOCOL) &&
                                  result.status >= 300 && result.status < 400))
        result.outcome = HttpResult::Answered;  // a redirect curl would not follow is its answer
    else
        result.outcome = HttpResult::NoAnswer;
    if (result.outcome != HttpResult::Answered) result.status = 0;
    result.body = std::move(sink.bytes);
    return result;
}

}  // namespace

bool redirectAllowed(const std::string& from, const std::string& to) {
    Origin a, b;
    if (!originOf(from, a) || !originOf(to, b) || a.host != b.host) return false;
    if (b.scheme != "http" && b.scheme != "https") return false;
    if (a.scheme == "https" && b.scheme != "https") return false;
    // Only an upgrade to https may change the port (to its default one).
    return a.port == b.port || (a.scheme == "http" && b.scheme == "https" && b.port == "443");
}

HttpResult httpGet(const std::string& url, const CurlOptions& options, const std::atomic<bool>* cancel,
                   const std::string& accept) {
    HttpResult result;
    CURL* curl = curl_easy_init();
    if (!curl) return result;
    curl_slist* headers = nullptr;
    if (!accept.empty()) headers = curl_slist_append(headers, ("Accept: " + accept).c_str());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, options.userAgent.c_str());
    if (headers) curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, options.sameHostRedirects ? 0L : 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);  // no SIGALRM in a threaded program
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, onHeader);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    // The redirects followed by hand share the one time allowed.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(options.timeoutSeconds);
    std::string at = url;
    for (int hop = 0;; ++hop) {
        const long left = long(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
        if (left <= 0) {
            result = HttpResult{};
            break;
        }
        std::string redirect;
        result = getOnce(curl, at, options, left, cancel, redirect);
        const bool redirected = result.outcome == HttpResult::Answered && result.status >= 300 && result.status < 400;
        if (!options.sameHostRedirects || !redirected || redirect.empty() || hop >= 5 || !redirectAllowed(at, redirect))
            break;
        at = redirect;
    }
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return result;
}

WebAnswer webAnswerOf(HttpResult r) {
    WebAnswer answer;
    answer.http = r.status;
    switch (r.outcome) {
    case HttpResult::TooLarge: answer.status = WebStatus::TooLarge; break;
    case HttpResult::NoAnswer:
    case HttpResult::Stopped: answer.status = WebStatus::NetworkError; break;
    case HttpResult::Answered:
        answer.status = r.status == 200 ? WebStatus::Ok : r.status == 404 ? WebStatus::NotFound : WebStatus::HttpError;
        if (r.status == 200) answer.bytes = std::move(r.body);
        break;
    }
    return answer;
}

WebAnswer CurlFetch::get(const std::string& url, const CurlOptions& options, const std::atomic<bool>* cancel) {
    return webAnswerOf(httpGet(url, options, cancel));
}

CurlFetch::CurlFetch(WindowThread& window, CurlOptions options) : options_(std::move(options)), requests_(window) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
}

CurlFetch::~CurlFetch() {
    requests_.finish();  // before the library goes
    curl_global_cleanup();
}

void CurlFetch::fetch(const std::string& url, std::function<void(WebAnswer)> done) {
    // No worker, no request: the fetch is as if never asked for.
    requests_.start<WebAnswer>([url, options = options_](const std::atomic<bool>& cancel) { return get(url, options, &cancel); },
                               std::move(done));
}

void CurlFetch::stop() { requests_.stop(); }

}  // namespace wl
