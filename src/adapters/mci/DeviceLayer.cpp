#include "DeviceLayer.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "CdAudioDevice.h"
#include "MciErrors.h"
#include "WaveAudioDevice.h"

namespace wl::mci {

std::string lowerCase(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool Args::startsWith(size_t at, const std::string& keywords, size_t& next) const {
    size_t i = at, pos = 0;
    while (pos < keywords.size()) {
        size_t space = keywords.find(' ', pos);
        std::string word = keywords.substr(pos, space == std::string::npos ? std::string::npos : space - pos);
        if (i >= lower.size() || lower[i] != word) return false;
        ++i;
        if (space == std::string::npos) break;
        pos = space + 1;
    }
    next = i;
    return true;
}

bool Args::is(size_t at, const std::string& keywords) const {
    size_t next = 0;
    return startsWith(at, keywords, next) && next == lower.size();
}

namespace {

// Words separated by blanks; a double-quoted word may hold blanks.
uint32_t tokenize(const std::string& text, std::vector<std::string>& words) {
    size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isspace(c)) {
            ++i;
            continue;
        }
        if (c == '"') {
            size_t close = text.find('"', i + 1);
            if (close == std::string::npos) return kNoClosingQuote;
            words.push_back(text.substr(i + 1, close - i - 1));
            i = close + 1;
            continue;
        }
        size_t end = i;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        words.push_back(text.substr(i, end - i));
        i = end;
    }
    return kOk;
}

bool knownVerb(const std::string& v) {
    static const char* const verbs[] = {"open", "close", "stop", "play", "seek", "status", "set",
                                        "record", "save", "pause", "resume"};
    return std::any_of(std::begin(verbs), std::end(verbs), [&](const char* k) { return v == k; });
}

void writeReply(const std::string& text, char* reply, size_t length) {
    if (!reply || length == 0) return;
    size_t n = std::min(text.size(), length - 1);
    std::memcpy(reply, text.data(), n);
    reply[n] = '\0';
}

}  // namespace

DeviceLayer::DeviceLayer(Cdrom& cdrom, DriveControl& drive, audio::AudioEngine& engine, audio::Clock& clock,
                         DeviceLayerOptions options)
    : cdrom_(cdrom), drive_(drive), engine_(engine), clock_(clock), options_(std::move(options)) {
    cd_ = std::make_unique<CdPlayer>(cdrom_, drive_, engine_, clock_, mutex_, notices_, options_.cd);
}

DeviceLayer::~DeviceLayer() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<uint32_t> ids;
        for (auto& [id, device] : devices_) ids.push_back(id);
        for (uint32_t id : ids) closeDevice(id);
        cd_->close();
    }
    cd_->waitIdle();
    reap();
}

uint32_t DeviceLayer::sendString(const std::string& command, char* reply, size_t replyLength,
                                 MciNotifySink* notify) {
    std::string text;
    uint32_t code;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        code = run(command, text, notify);
    }
    reap();
    notices_.flush(mutex_);
    writeReply(code == kOk ? text : std::string(), reply, replyLength);
    return code;
}

uint32_t DeviceLayer::run(const std::string& command, std::string& reply, MciNotifySink* notify) {
    std::vector<std::string> words;
    if (uint32_t e = tokenize(command, words)) return e;
    if (words.empty()) return kMissingCommandString;
    std::string verb = lowerCase(words[0]);
    if (!knownVerb(verb)) return kUnrecognizedCommand;
    if (verb == "open") return open(words, reply, notify);
    if (words.size() < 2) return kMissingDeviceName;
    std::string name = lowerCase(words[1]);
    Args args;
    bool wantNotify = false;
    for (size_t i = 2; i < words.size(); ++i) {
        std::string low = lowerCase(words[i]);
        if (low == "wait") continue;
        if (low == "notify") {
            wantNotify = true;
            continue;
        }
        args.words.push_back(words[i]);
        args.lower.push_back(low);
    }
    if (name == "all") {
        if (verb != "stop" && verb != "close") return kCannotUseAll;
        if (args.size()) return kUnrecognizedKeyword;
        std::vector<uint32_t> ids;
        for (auto& [id, device] : devices_) ids.push_back(id);
        for (uint32_t id : ids) {
            if (verb == "stop") devices_[id]->stop();
            else closeDevice(id);
        }
        return kOk;
    }
    Device* device = find(name);
    if (!device) return kInvalidDeviceName;
    if (verb == "close") {
        if (args.size()) return kUnrecognizedKeyword;
        closeDevice(device->id);
        return kOk;
    }
    return device->command(verb, args, reply, wantNotify ? notify : nullptr);
}

uint32_t DeviceLayer::open(const std::vector<std::string>& words, std::string& reply, MciNotifySink* notify) {
    if (words.size() < 2) return kMissingDeviceName;
    std::string element = words[1], type, alias;
    bool shareable = false, wantNotify = false;
    for (size_t i = 2; i < words.size(); ++i) {
        std::string low = lowerCase(words[i]);
        if ((low == "type" || low == "alias") && i + 1 < words.size()) {
            (low == "type" ? type : alias) = words[++i];
        } else if (low == "shareable") {
            shareable = true;
        } else if (low == "wait") {
        } else if (low == "notify") {
            wantNotify = true;
        } else {
            return low == "type" || low == "alias" ? kMissingParameter : kUnrecognizedKeyword;
        }
    }
    type = lowerCase(type);
    if (type.empty()) {
        // "open cdaudio": the name is the device type itself.
        type = lowerCase(element);
        if (type != "cdaudio" && type != "waveaudio") {
            std::string low = lowerCase(element);
            if (low.size() > 4 && low.compare(low.size() - 4, 4, ".wav") == 0) type = "waveaudio";
            else return kCannotLoadDriver;
        } else {
            element.clear();
        }
    }
    uint32_t id = 0;
    uint32_t code = openDevice(type, element, alias, shareable, nullptr, id);
    if (code == kOk) {
        reply = std::to_string(id);
        if (wantNotify) notices_.add(notify, MCI_NOTIFY_SUCCESSFUL, id);
    }
    return code;
}

uint32_t DeviceLayer::openDevice(const std::string& type, const std::string& element, std::string alias,
                                 bool shareable, MciNotifySink* callback, uint32_t& id) {
    alias = lowerCase(alias.empty() ? (element.empty() ? type : element) : alias);
    if (type == "waveaudio" && lowerCase(element) == "new" && alias == "new") return kNewRequiresAlias;
    if (alias == "all") return kDuplicateAlias;
    if (find(alias)) {
        if (type == "cdaudio" && alias == "cdaudio") return kMustUseShareable;
        return kDuplicateAlias;
    }
    std::unique_ptr<Device> device;
    if (type == "cdaudio") {
        if (!element.empty()) return kUnrecognizedKeyword;
        for (auto& [other, d] : devices_) {
            auto* cd = dynamic_cast<CdAudioDevice*>(d.get());
            if (cd && (!shareable || !cd->shareable())) return kMustUseShareable;
        }
        if (uint32_t e = cd_->open()) return e;
        device = std::make_unique<CdAudioDevice>(*cd_, shareable);
    } else if (type == "waveaudio") {
        auto wave = std::make_unique<WaveAudioDevice>(engine_, clock_, mutex_, notices_, options_.tempFolder,
                                                      options_.waveTickMicros);
        if (uint32_t e = wave->open(element, callback)) return e;
        device = std::move(wave);
    } else {
        return kCannotLoadDriver;
    }
    device->id = nextId_++;
    device->alias = alias;
    id = device->id;
    devices_.emplace(id, std::move(device));
    return kOk;
}

Device* DeviceLayer::find(const std::string& name) {
    std::string low = lowerCase(name);
    for (auto& [id, device] : devices_)
        if (device->alias == low) return device.get();
    return nullptr;
}

Device* DeviceLayer::findId(uint32_t id) {
    auto it = devices_.find(id);
    return it == devices_.end() ? nullptr : it->second.get();
}

void DeviceLayer::closeDevice(uint32_t id) {
    auto it = devices_.find(id);
    if (it == devices_.end()) return;
    it->second->close();
    bool cd = dynamic_cast<CdAudioDevice*>(it->second.get()) != nullptr;
    closed_.push_back(std::move(it->second));
    devices_.erase(it);
    if (cd && std::none_of(devices_.begin(), devices_.end(), [](auto& d) {
            return dynamic_cast<CdAudioDevice*>(d.second.get()) != nullptr;
        }))
        cd_->close();
}

void DeviceLayer::reap() {
    std::vector<std::unique_ptr<Device>> closed;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        closed.swap(closed_);
    }
    for (auto& device : closed) device->waitIdle();
}

uint32_t DeviceLayer::sendCommand(uint32_t deviceId, uint32_t message, uint32_t flags, MciParams& params) {
    uint32_t code;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (message == MCI_OPEN) {
            auto* p = std::get_if<MciOpenParms>(&params);
            if (!p) {
                code = kNullParameterBlock;
            } else if (!(flags & MCI_OPEN_TYPE)) {
                code = kMissingParameter;
            } else {
                uint32_t id = 0;
                code = openDevice(lowerCase(p->deviceType), (flags & MCI_OPEN_ELEMENT) ? p->elementName : "",
                                  (flags & MCI_OPEN_ALIAS) ? p->alias : "", false, p->callback, id);
                if (code == kOk) p->deviceId = id;
            }
        } else if (Device* device = findId(deviceId)) {
            if (message == MCI_CLOSE) {
                closeDevice(deviceId);
                code = kOk;
            } else {
                code = device->record(message, flags, params);
            }
        } else {
            code = kInvalidDeviceId;
        }
    }
    reap();
    notices_.flush(mutex_);
    return code;
}

uint32_t DeviceLayer::deviceId(const std::string& alias) {
    std::lock_guard<std::mutex> lock(mutex_);
    Device* device = find(alias);
    return device ? device->id : 0;
}

std::string DeviceLayer::errorText(uint32_t code, size_t maxBytes) {
    if (maxBytes == 0) return {};
    std::string text = errorMessage(code);
    if (text.size() > maxBytes - 1) text.resize(maxBytes - 1);
    return text;
}

}  // namespace wl::mci
