#include "FakeMci.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace wl::test {

uint32_t FakeMci::sendString(const std::string& command, char* reply, size_t replyLength, MciNotifySink*) {
    std::lock_guard<std::mutex> lock(mutex_);
    sent.push_back(command);
    MciReply answer;
    if (!(handler && handler(command, answer))) {
        auto it = script.find(command);
        if (it != script.end() && !it->second.empty()) {
            answer = it->second.front();
            if (it->second.size() > 1) it->second.pop_front();
        } else {
            ADD_FAILURE() << "unscripted device command: \"" << command << "\"";
            answer = MciReply{kUnscripted, ""};
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
    std::lock_guard<std::mutex> lock(mutex_);
    commands.push_back(SentCommand{deviceId, message, flags, params});
    auto it = commandCodes.find(message);
    if (it != commandCodes.end()) return it->second;
    ADD_FAILURE() << "unscripted device command record: message " << message << " to device " << deviceId;
    return kUnscripted;
}

size_t FakeMci::count(const std::string& command) const { return std::count(sent.begin(), sent.end(), command); }

int FakeMci::indexOf(const std::string& command, size_t from) const {
    for (size_t i = from; i < sent.size(); ++i)
        if (sent[i] == command) return int(i);
    return -1;
}

}  // namespace wl::test
