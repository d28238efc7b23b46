#pragma once
// One open device of the layer (an alias). Calls come with the layer's lock held.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Mci.h"

namespace wl::mci {

// A command string after the verb and the device name, with "wait" and "notify" taken out.
struct Args {
    std::vector<std::string> words;  // as written
    std::vector<std::string> lower;  // lower-cased, for keywords
    size_t size() const { return words.size(); }
    // True when the words from `at` are exactly `keywords` (space separated).
    bool is(size_t at, const std::string& keywords) const;
    bool startsWith(size_t at, const std::string& keywords, size_t& next) const;
};

class Device {
public:
    virtual ~Device() = default;
    uint32_t id = 0;
    std::string alias;  // lower-cased
    virtual std::string type() const = 0;
    // Runs a command string on this device; `reply` receives its answer, if it has one.
    virtual uint32_t command(const std::string& verb, const Args& args, std::string& reply,
                             MciNotifySink* notify) = 0;
    virtual uint32_t record(uint32_t message, uint32_t flags, MciParams& params) = 0;
    virtual void stop() = 0;
    virtual void close() = 0;  // stops and frees; the device is deleted after waitIdle()
    virtual void waitIdle() {}  // without the lock: no callback runs after it returns
};

std::string lowerCase(std::string s);

}  // namespace wl::mci
