#include "app/Settings.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/Commands.h"
#include "app/FileReplacement.h"
#include "app/OutputFormat.h"

namespace wl {

namespace {

// Where the settings file is: by its bare name, in the working folder.
std::string settingsPath(const App& app) { return SettingsFilePath(app.s); }

// The bit rates the MP3 dialog offers; the encoder refuses others, so a stored one would
// make every conversion fail.
constexpr uint16_t kBitRates[] = {32, 64, 128, 320};
constexpr uint16_t kDefaultBitRate = 128;
// Bytes an older reader skips (and an older writer carries over): the read offset as
// signed decimal text, zero bytes for none.
constexpr long kReadOffsetField = 90;
constexpr size_t kReadOffsetWidth = 5;
constexpr int kMaxReadOffset = 5000;
// "0" when online lookups are off; a zero byte (as every older file has) leaves them on.
constexpr long kLookupsField = 99;
// The rip's read mode ('1' Secure, '2' Secure where needed; '0' or a zero byte Burst) and
// Test & Copy ('1' on, a zero byte off).
constexpr long kReadModeField = 88;
constexpr long kTestAndCopyField = 89;
// The output format ('0' or zero: MP3, '1' FLAC, '2' Opus), the FLAC level ('0'-'8', zero:
// 5) and the Opus bit rate in kbit/s, two bytes little-endian (zero: 160).
constexpr long kFormatField = 95;
constexpr long kFlacLevelField = 96;
constexpr long kOpusRateField = 97;

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
    // Only a regular file is opened: a FIFO of that name would hang the start.
    const std::string file = settingsPath(app);
    if (!isRegularFile(file)) return;
    File f(std::fopen(file.c_str(), "rb"));
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
    if (std::find(std::begin(kBitRates), std::end(kBitRates), s.mp3Kbps) == std::end(kBitRates))
        s.mp3Kbps = kDefaultBitRate;
    readField(f.get(), 17, 1, scratch);
    s.sourceMode = static_cast<int32_t>(decimalValue(scratch));
    readField(f.get(), 18, 1, scratch);
    s.keepWav = scratch[0] == '1' ? 1 : 0;
    readField(f.get(), 19, 1, scratch);
    s.convertToMp3 = scratch[0] == '1' ? 1 : 0;
    readField(f.get(), 20, 2, scratch);
    s.ripDriveIndex = static_cast<int32_t>(decimalValue(scratch));
    readField(f.get(), kReadOffsetField, kReadOffsetWidth, scratch);
    const long offset = decimalValue(scratch);
    s.readOffset = offset >= -kMaxReadOffset && offset <= kMaxReadOffset ? int32_t(offset) : 0;
    readField(f.get(), kLookupsField, 1, scratch);
    s.lookupsOff = scratch[0] == '0' ? 1 : 0;
    readField(f.get(), kReadModeField, 1, scratch);
    s.readMode = scratch[0] == '1' ? 1 : scratch[0] == '2' ? 2 : 0;
    readField(f.get(), kTestAndCopyField, 1, scratch);
    s.testAndCopy = scratch[0] == '1' ? 1 : 0;
    readField(f.get(), kFormatField, 4, scratch);
    s.outputFormat = scratch[0] == '1' ? int32_t(OutputFormat::Flac) : scratch[0] == '2' ? int32_t(OutputFormat::Opus) : 0;
    s.flacLevel = scratch[1] >= '0' && scratch[1] <= '8' ? scratch[1] - '0' : kDefaultFlacLevel;
    const int kbps = uint8_t(scratch[2]) | uint8_t(scratch[3]) << 8;
    s.opusKbps = kbps >= kMinOpusKbps && kbps <= kMaxOpusKbps ? kbps : kDefaultOpusKbps;

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
    std::string savePath = s.savePath.str();
    if (savePath.size() > pathBytes.size()) pathBytes.resize(savePath.size(), '\0');
    savePath.copy(pathBytes.data(), savePath.size());

    // The new file is written beside the old one and replaces it whole, so a full disk leaves
    // the old one as it was. It copies the old file's bytes 0-5, 22-99 and any after the save
    // folder; a new file has them zero.
    FileReplacement out(settingsPath(app));
    std::string error;
    if (out.open()) {
        File old;
        if (isRegularFile(out.target())) {
            old.reset(std::fopen(out.target().c_str(), "rb"));
            if (!old) error = std::strerror(errno);
        }
        std::string head(kSettingsPathOffset + pathBytes.size(), '\0');
        if (old) {
            const size_t got = std::fread(head.data(), 1, head.size(), old.get());
            (void)got;  // a short old file leaves zeros, as writing into it would have
        }
        head.replace(6, fields.size(), fields);
        head.replace(kSettingsPathOffset, pathBytes.size(), pathBytes);
        std::string offset;
        if (s.readOffset != 0) putField(offset, s.readOffset, kReadOffsetWidth);
        else offset.assign(kReadOffsetWidth, '\0');
        head.replace(size_t(kReadOffsetField), kReadOffsetWidth, offset);
        head[size_t(kLookupsField)] = s.lookupsOff ? '0' : '\0';
        head[size_t(kReadModeField)] = s.readMode == 1 || s.readMode == 2 ? char('0' + s.readMode) : '\0';
        head[size_t(kTestAndCopyField)] = s.testAndCopy ? '1' : '\0';
        // MP3 with the default figures leaves the bytes zero, as an older file has them.
        const bool defaults = s.outputFormat == 0 && s.flacLevel == kDefaultFlacLevel && s.opusKbps == kDefaultOpusKbps;
        head[size_t(kFormatField)] = defaults ? '\0' : char('0' + std::clamp(s.outputFormat, 0, 2));
        head[size_t(kFlacLevelField)] = defaults ? '\0' : char('0' + std::clamp(s.flacLevel, 0, 8));
        const int kbps = defaults ? 0 : std::clamp(s.opusKbps, kMinOpusKbps, kMaxOpusKbps);
        head[size_t(kOpusRateField)] = char(kbps & 0xff);
        head[size_t(kOpusRateField) + 1] = char(kbps >> 8);
        bool ok = error.empty() && std::fwrite(head.data(), 1, head.size(), out.file()) == head.size();
        char block[4096];
        for (size_t n; ok && old && (n = std::fread(block, 1, sizeof block, old.get())) > 0;)
            ok = std::fwrite(block, 1, n, out.file()) == n;
        if (ok && old && std::ferror(old.get())) {
            ok = false;
            error = std::strerror(EIO);
        }
        if (!ok && error.empty()) error = std::strerror(errno ? errno : EIO);
        if (ok && !out.commit()) error = out.error();
    } else {
        error = out.error();
    }
    if (!error.empty()) {
        // Never report a failed save as saved: the settings stay marked as changed.
        showMessage(app, std::string("The settings could not be saved to ") + kSettingsFileName + ": " + error + ".",
                    "Save Settings");
        app.p.window.setFocus(ID_SONG_NAME_EDIT);
        return;
    }
    showMessage(app, "New recording parameters saved.", "Save Settings");
    s.settingsDirty = 0;
    app.p.window.setFocus(ID_SONG_NAME_EDIT);
}

}  // namespace wl
