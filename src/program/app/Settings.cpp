#include "app/Settings.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/Commands.h"

namespace wl {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const { if (f) std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The standard decimal text-to-integer conversion: leading white space, optional sign,
// digits up to the first non-digit, 0 when there are none. Fields are at most 5 bytes, so
// the value cannot overflow.
long decimalValue(const char* text) {
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') negative = (*p++ == '-');
    long v = 0;
    while (*p >= '0' && *p <= '9') v = v * 10 + (*p++ - '0');
    return negative ? -v : v;
}

// Reads a field of `width` bytes at `offset` into a cleared scratch buffer (fewer bytes at
// the end of the file).
void readField(std::FILE* f, long offset, size_t width, char (&scratch)[10]) {
    std::memset(scratch, 0, sizeof scratch);
    if (std::fseek(f, offset, SEEK_SET) != 0) return;
    size_t got = std::fread(scratch, 1, width, f);
    (void)got;
}

size_t driveCount(App& app) {
    uint8_t list[kDriveListSize] = {};
    app.p.cdrom.GetCDList(list);
    return list[1];
}

// Decimal text cut or filled to the field's width; a shorter text is followed by zero bytes.
void putField(std::string& out, long value, size_t width) {
    char text[24] = {};
    std::snprintf(text, sizeof text, "%ld", value);
    char field[24] = {};
    std::memcpy(field, text, std::min(width, std::strlen(text)));
    out.append(field, width);
}

}  // namespace

std::string SettingsFilePath(const AppState& s) {
    std::string folder = s.workingDir.str();
    if (folder.empty()) return kSettingsFileName;
    if (folder.back() != '/') folder += '/';
    return folder + kSettingsFileName;
}

void ReadSettings(App& app) {
    AppState& s = app.s;
    File f(std::fopen(SettingsFilePath(s).c_str(), "rb"));
    if (!f) return;
    char scratch[10];
    readField(f.get(), 6, 2, scratch);
    s.bitsPerSample = static_cast<uint16_t>(decimalValue(scratch));
    readField(f.get(), 8, 5, scratch);
    s.samplesPerSec = static_cast<int32_t>(decimalValue(scratch));
    readField(f.get(), 13, 1, scratch);
    s.channels = static_cast<uint16_t>(decimalValue(scratch));
    readField(f.get(), 14, 3, scratch);
    s.mp3Kbps = static_cast<uint16_t>(decimalValue(scratch));
    readField(f.get(), 17, 1, scratch);
    s.sourceMode = static_cast<int32_t>(decimalValue(scratch));
    readField(f.get(), 18, 1, scratch);
    s.keepWav = scratch[0] == '1' ? 1 : 0;
    readField(f.get(), 19, 1, scratch);
    s.convertToMp3 = scratch[0] == '1' ? 1 : 0;
    readField(f.get(), 20, 2, scratch);
    s.ripDriveIndex = static_cast<int32_t>(decimalValue(scratch));

    Window& w = app.p.window;
    if (s.ripDriveIndex == 99) w.enableMenuItem(ID_DEFAULT_RIPPING_PLAYER, false);
    if (driveCount(app) <= 1) {
        s.ripDriveIndex = 99;
        w.enableMenuItem(ID_DEFAULT_RIPPING_PLAYER, false);
    } else {
        w.enableMenuItem(ID_DEFAULT_RIPPING_PLAYER, true);
    }

    // The save folder: up to 260 bytes, kept zero-terminated within its capacity.
    char path[kPathCapacity + 1] = {};
    if (std::fseek(f.get(), kSettingsPathOffset, SEEK_SET) == 0) {
        size_t got = std::fread(path, 1, kPathCapacity, f.get());
        (void)got;
    }
    s.savePath = std::string_view(path, ::strnlen(path, kPathCapacity));
}

void ApplyDefaultSettings(App& app) {
    AppState& s = app.s;
    s.bitsPerSample = 16;
    s.samplesPerSec = 44100;
    s.channels = 2;
    s.mp3Kbps = 128;
    s.sourceMode = 0;
    s.keepWav = 1;
    s.convertToMp3 = 1;
    if (driveCount(app) < 2)
        app.p.window.enableMenuItem(ID_DEFAULT_RIPPING_PLAYER, false);
    else
        s.ripDriveIndex = 0;
}

void SaveSettings(App& app) {
    AppState& s = app.s;
    // Existing file: update in place, leaving bytes 0-5 and 22-99 alone. Missing: create it
    // with those bytes zero.
    const std::string file = SettingsFilePath(s);
    File f(std::fopen(file.c_str(), "r+b"));
    if (!f && errno == ENOENT) {
        f.reset(std::fopen(file.c_str(), "w+b"));
        if (f) {
            std::string zeros(kSettingsPathOffset, '\0');
            std::fwrite(zeros.data(), 1, zeros.size(), f.get());
        }
    }
    std::string fields;
    putField(fields, s.bitsPerSample, 2);
    putField(fields, s.samplesPerSec, 5);
    putField(fields, s.channels, 1);
    putField(fields, s.mp3Kbps, 3);
    putField(fields, s.sourceMode, 1);
    putField(fields, s.keepWav, 1);
    putField(fields, s.convertToMp3, 1);
    putField(fields, s.ripDriveIndex, 2);
    std::string pathBytes(kSettingsPathWritten, '\0');
    std::string path = s.savePath.str();
    if (path.size() > pathBytes.size()) pathBytes.resize(path.size(), '\0');
    path.copy(pathBytes.data(), path.size());

    bool ok = f && std::fseek(f.get(), 6, SEEK_SET) == 0 &&
              std::fwrite(fields.data(), 1, fields.size(), f.get()) == fields.size() &&
              std::fseek(f.get(), kSettingsPathOffset, SEEK_SET) == 0 &&
              std::fwrite(pathBytes.data(), 1, pathBytes.size(), f.get()) == pathBytes.size();
    int err = errno;
    if (f) ok = (std::fclose(f.release()) == 0) && ok;
    if (!ok) {
        // Never report a failed save as saved: the settings stay marked as changed.
        showMessage(app, std::string("The settings could not be saved to ") + kSettingsFileName + ": " +
                             std::strerror(err ? err : EIO) + ".",
                    "Save Settings");
        app.p.window.setFocus(ID_SONG_NAME_EDIT);
        return;
    }
    showMessage(app, "New recording parameters saved.", "Save Settings");
    s.settingsDirty = 0;
    app.p.window.setFocus(ID_SONG_NAME_EDIT);
}

}  // namespace wl
