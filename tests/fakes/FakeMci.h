#pragma once
// A scripted device layer: a reply and a code per command string, a log of what was sent.
//
// As the real one, it serialises calls (one lock around each, the handler run under it, so a
// handler must not call back in) and says nothing by default: a command string that neither
// the script nor the handler answers fails the test that sent it, naming the command, and
// gets the device layer's "unknown command" code; so does a command record whose message has
// no code in commandCodes.
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Mci.h"

namespace wl::test {

struct MciReply {
    uint32_t code = 0;
    std::string reply;
};

struct SentCommand {
    uint32_t deviceId, message, flags;
    MciParams params;
};

class FakeMci : public Mci {
public:
    // Exact command string -> answers; a queue answers once per call, the last one stays.
    std::map<std::string, std::deque<MciReply>> script;
    // Consulted before the script when set; return true when it answered.
    std::function<bool(const std::string&, MciReply&)> handler;
    std::vector<std::string> sent;
    std::vector<SentCommand> commands;
    // The wave device's command records all succeed, unless a test sets a code of its own.
    void acceptWaveRecords() {
        for (uint32_t m : {MCI_OPEN, MCI_CLOSE, MCI_PLAY, MCI_STOP, MCI_RECORD, MCI_SAVE, MCI_SET}) commandCodes.emplace(m, 0);
    }
    std::map<uint32_t, uint32_t> commandCodes;  // message -> code
    std::map<std::string, uint32_t> aliases;

    void on(const std::string& command, uint32_t code, const std::string& reply = {}) {
        script[command] = {MciReply{code, reply}};
    }
    void onSequence(const std::string& command, std::deque<MciReply> replies) { script[command] = std::move(replies); }

    uint32_t sendString(const std::string& command, char* reply, size_t replyLength, MciNotifySink*) override;
    uint32_t sendCommand(uint32_t deviceId, uint32_t message, uint32_t flags, MciParams& params) override;
    uint32_t deviceId(const std::string& alias) override {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = aliases.find(alias);
        return it == aliases.end() ? 0 : it->second;
    }
    std::string errorText(uint32_t code, size_t maxBytes) override {
        return ("MCI error " + std::to_string(code) + ".").substr(0, maxBytes ? maxBytes - 1 : 0);
    }
    static constexpr uint32_t kUnscripted = 261;  // the device layer's "unknown command"
    size_t count(const std::string& command) const;
    // Index of the first occurrence at or after `from`, or -1.
    int indexOf(const std::string& command, size_t from = 0) const;

private:
    std::mutex mutex_;
};

}  // namespace wl::test
