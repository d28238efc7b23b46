#include "FakeMci.h"

#include <algorithm>
#include <cstring>

namespace wl::test {

uint32_t FakeMci::sendString(const std::string& command, char* reply, size_t replyLength, MciNotifySink*) {
    sent.push_back(command);
    MciReply answer;
    if (!(handler && handler(command, answer))) {
        auto it = script.find(command);
        if (it != script.end() && !it->second.empty()) {
            answer = it->second.front();
            if (it->second.size() > 1) it->second.pop_front();
        }
    }
    if (reply && replyLength > 0) {
        size_t n = std::min(answer.reply.size(), replyLength - 1);
        std::memcpy(reply, answer.reply.data(), n);
        reply[n] = 0;
    }
    return answer.code;
}

uint32_t FakeMci::sendCommand(uint32_t deviceId, uint32_t message, uint32_t flags, MciParams& params) {
    commands.push_back(SentCommand{deviceId, message, flags, params});
    auto it = commandCodes.find(message);
    return it == commandCodes.end() ? 0 : it->second;
}

size_t FakeMci::count(const std::string& command) const { return std::count(sent.begin(), sent.end(), command); }

int FakeMci::indexOf(const std::string& command, size_t from) const {
    for (size_t i = from; i < sent.size(); ++i)
        if (sent[i] == command) return int(i);
    return -1;
}

}  // namespace wl::test
