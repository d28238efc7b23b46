#include "CdioLog.h"

#include <cdio/logging.h>

#include <cstdio>
#include <mutex>

namespace wl::cdio {
namespace {

// The innermost capture of this thread; libcdio calls its handler on the calling thread.
thread_local LogCapture* tlsCapture = nullptr;
thread_local std::vector<std::string>* tlsSink = nullptr;

void handler(cdio_log_level_t level, const char message[]) {
    if (level < CDIO_LOG_WARN || message == nullptr) return;
    std::string text(message);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (tlsSink != nullptr) {
        tlsSink->push_back(std::move(text));
        return;
    }
    if (level >= CDIO_LOG_ERROR) std::fprintf(stderr, "libcdio: %s\n", text.c_str());
}

}  // namespace

void installLogHandler() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(handler); });
}

LogCapture::LogCapture() : outer_(tlsCapture) {
    installLogHandler();
    tlsCapture = this;
    tlsSink = &messages_;
}

LogCapture::~LogCapture() {
    tlsCapture = outer_;
    tlsSink = outer_ ? &outer_->messages_ : nullptr;
}

std::string LogCapture::joined() const {
    std::string out;
    for (const auto& m : messages_) {
        if (m.empty()) continue;
        if (!out.empty()) out += "; ";
        out += m;
    }
    return out;
}

}  // namespace wl::cdio
