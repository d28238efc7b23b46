#pragma once
// Port: the multimedia device layer (command strings and command records).
//
// Contract:
// - sendString parses one command string (keywords case-insensitive), runs it and returns 0
//   on success or a positive error code. A reply, when the command has one and replyLength is
//   not 0, is written zero-terminated and cut to replyLength - 1 bytes.
// - sendCommand runs a command record on an open device id; records are typed below.
// - deviceId returns the id of an open alias, 0 when none is open by that name.
// - errorText returns the device layer's text for a code, cut to maxBytes - 1 bytes.
// - Calls may come from the window's thread and from the conversion worker; the adapter
//   serialises them. Notifications are delivered through MciNotifySink, which the adapter
//   may call from any thread.
#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace wl {

// Command messages, numbered as the multimedia system numbers them.
constexpr uint32_t MCI_OPEN = 2051;
constexpr uint32_t MCI_CLOSE = 2052;
constexpr uint32_t MCI_PLAY = 2054;
constexpr uint32_t MCI_STOP = 2056;
constexpr uint32_t MCI_SET = 2061;
constexpr uint32_t MCI_RECORD = 2063;
constexpr uint32_t MCI_SAVE = 2067;

// Flags.
constexpr uint32_t MCI_NOTIFY = 0x1;
constexpr uint32_t MCI_WAIT = 0x2;
constexpr uint32_t MCI_SAVE_FILE = 0x100;
constexpr uint32_t MCI_OPEN_TYPE = 0x2000;
constexpr uint32_t MCI_OPEN_ELEMENT = 0x200;
constexpr uint32_t MCI_OPEN_ALIAS = 0x400;
constexpr uint32_t MCI_SET_TIME_FORMAT = 0x400;
constexpr uint32_t MCI_WAVE_SET_FORMATTAG = 0x10000;
constexpr uint32_t MCI_WAVE_SET_CHANNELS = 0x20000;
constexpr uint32_t MCI_WAVE_SET_SAMPLESPERSEC = 0x40000;
constexpr uint32_t MCI_WAVE_SET_AVGBYTESPERSEC = 0x80000;
constexpr uint32_t MCI_WAVE_SET_BLOCKALIGN = 0x100000;
constexpr uint32_t MCI_WAVE_SET_BITSPERSAMPLE = 0x200000;

// Notification flag passed with an end-of-play notification.
constexpr uint32_t MCI_NOTIFY_SUCCESSFUL = 0x1;
constexpr uint32_t MCI_NOTIFY_ABORTED = 0x4;

// The device layer's code for "no device with that name or alias is open".
constexpr uint32_t MCIERR_INVALID_DEVICE_NAME = 263;

// Receives MM_MCINOTIFY; callable from any thread, must not block on the caller.
class MciNotifySink {
public:
    virtual ~MciNotifySink() = default;
    virtual void postMciNotify(uint32_t flags, uint32_t deviceId) = 0;
};

struct MciOpenParms {
    MciNotifySink* callback = nullptr;
    std::string deviceType;   // "waveaudio"
    std::string elementName;  // a file
    std::string alias;        // "newwave"
    uint32_t deviceId = 0;    // out
};
struct MciWaveSetParms {
    uint32_t timeFormat = 0;  // 0 = milliseconds
    uint16_t formatTag = 1;   // PCM
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
};
struct MciSaveParms {
    std::string fileName;
};
struct MciPlayParms {
    MciNotifySink* callback = nullptr;
};
using MciParams = std::variant<std::monostate, MciOpenParms, MciWaveSetParms, MciSaveParms, MciPlayParms>;

class Mci {
public:
    virtual ~Mci() = default;
    virtual uint32_t sendString(const std::string& command, char* reply, size_t replyLength,
                                MciNotifySink* notify = nullptr) = 0;
    virtual uint32_t sendCommand(uint32_t deviceId, uint32_t message, uint32_t flags, MciParams& params) = 0;
    virtual uint32_t deviceId(const std::string& alias) = 0;
    virtual std::string errorText(uint32_t code, size_t maxBytes) = 0;
};

}  // namespace wl
