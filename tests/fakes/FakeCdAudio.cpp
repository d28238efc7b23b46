#include "FakeCdAudio.h"

#include <cstdio>
#include <cstdlib>

namespace wl::test {

namespace {
constexpr uint32_t kNotReady = 266;  // any positive code: the drive has no answer
}

FakeCdAudio::FakeCdAudio(FakeMci& mci, FakeCdrom& cdrom) : mci_(mci), cdrom_(cdrom) {
    mci_.handler = [this](const std::string& command, MciReply& out) {
        if (mci_.script.count(command)) return false;  // a scripted answer wins
        return answer(command, out);
    };
}

void FakeCdAudio::insertDisc(std::vector<int> seconds) {
    trackSeconds = std::move(seconds);
    hasDisc = true;
    trayOpen = false;
    syncRipDrive();
}

void FakeCdAudio::removeDisc() {
    trackSeconds.clear();
    hasDisc = false;
    syncRipDrive();
}

void FakeCdAudio::syncRipDrive() {
    // The ripping drive is the same drive: with the tray out it has no table of contents.
    cdrom_.tracks.clear();
    if (hasDisc && !trayOpen)
        for (int s : trackSeconds) cdrom_.tracks.push_back(FakeTrack{uint32_t(s) * 75, false});
}

std::string FakeCdAudio::lengthText(int n) const {
    if (n < 1 || size_t(n) > trackSeconds.size()) return {};
    char text[40];
    int s = trackSeconds[size_t(n - 1)];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", s / 60, s % 60, 0);
    return text;
}

bool FakeCdAudio::answer(const std::string& command, MciReply& out) {
    const bool discIn = hasDisc && !trayOpen;
    auto query = [&](const std::string& reply) {
        if (ready()) out = MciReply{0, reply};
        else out = MciReply{failCode ? failCode : kNotReady, ""};
        return true;
    };
    if (command == "status cd ready") {
        out = MciReply{0, ready() ? "true" : "false"};
        // A drive that was just closed reports ready from the next question on.
        warmingUp_ = false;
        return true;
    }
    if (command == "status cd media present") {
        out = MciReply{0, discIn && !warmingUp_ ? "true" : "false"};
        return true;
    }
    if (command == "set cd door closed") {
        if (!trayCloses) {
            out = MciReply{kNotReady, ""};
            return true;
        }
        if (trayOpen && hasDisc && !readyAfterClosing) warmingUp_ = true;
        trayOpen = false;
        syncRipDrive();
        out = {};
        return true;
    }
    if (command == "set cd door open") {
        trayOpen = true;
        syncRipDrive();
        mode = "open";
        out = {};
        return true;
    }
    if (command == "set cd time format tmsf" || command == "set cd audio all on") {
        out = ready() ? MciReply{} : MciReply{kNotReady, ""};
        return true;
    }
    if (command == "status cd number of tracks") return query(std::to_string(trackSeconds.size()));
    if (command == "status cd start position") return query("01:00:00:00");
    const std::string lengthPrefix = "status cd length track ";
    if (command.rfind(lengthPrefix, 0) == 0) {
        int n = std::atoi(command.c_str() + lengthPrefix.size());
        if (!ready() || n < 1 || size_t(n) > trackSeconds.size()) {
            out = MciReply{kNotReady, ""};
            return true;
        }
        out = MciReply{0, lengthText(n)};
        return true;
    }
    if (command == "status cd mode") {
        out = MciReply{0, trayOpen ? "open" : mode};
        return true;
    }
    const std::string seekPrefix = "seek cd to ";
    if (command.rfind(seekPrefix, 0) == 0) {
        int n = std::atoi(command.c_str() + seekPrefix.size());
        out = ready() && n >= 1 && size_t(n) <= trackSeconds.size() ? MciReply{} : MciReply{kNotReady, ""};
        return true;
    }
    if (command.rfind("play cd from ", 0) == 0) {
        if (!ready()) {
            out = MciReply{kNotReady, ""};
            return true;
        }
        mode = "playing";
        out = {};
        return true;
    }
    if (command == "stop cd") {
        if (mode == "playing") mode = "stopped";
        out = {};
        return true;
    }
    // The device itself: opened under the alias "cd", so its type name addresses nothing.
    if (command == "open cdaudio shareable alias cd") {
        out = {};
        return true;
    }
    if (command == "stop cdaudio" || command == "close cdaudio") {
        out = MciReply{MCIERR_INVALID_DEVICE_NAME, ""};
        return true;
    }
    if (command == "stop all" || command == "close all") {
        if (command == "close all") waveOpen = false;
        out = {};
        return true;
    }
    // The wave device (its closing comes as a command record, which tests script).
    if (command == "open new type waveaudio alias wave") {
        out = {};
        waveOpen = true;
        return true;
    }
    if (command == "status wave length") {
        out = waveOpen ? MciReply{0, "0"} : MciReply{MCIERR_INVALID_DEVICE_NAME, ""};
        return true;
    }
    if (command == "status wave mode") {
        out = waveOpen ? MciReply{0, "stopped"} : MciReply{MCIERR_INVALID_DEVICE_NAME, ""};
        return true;
    }
    if (command == "stop wave") {
        out = waveOpen ? MciReply{} : MciReply{MCIERR_INVALID_DEVICE_NAME, ""};
        return true;
    }
    if (command == "close wave") {
        out = waveOpen ? MciReply{} : MciReply{MCIERR_INVALID_DEVICE_NAME, ""};
        waveOpen = false;
        return true;
    }
    return false;
}

}  // namespace wl::test
