#pragma once
// libcdio reports through one process-wide log handler and offers no other hook. We
// install ours once; while a LogCapture is alive on a thread, warnings raised by libcdio
// calls on that thread are collected so the caller can fold them into its own message.
// Outside a capture only errors reach standard error; chatter is dropped.
#include <string>
#include <vector>

namespace wl::cdio {

void installLogHandler();  // idempotent, thread-safe

class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const std::vector<std::string>& messages() const { return messages_; }
    // The collected messages on one line, "" when there are none.
    std::string joined() const;
    void clear() { messages_.clear(); }

private:
    std::vector<std::string> messages_;
    LogCapture* outer_;
};

}  // namespace wl::cdio
