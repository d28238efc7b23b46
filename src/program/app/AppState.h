#pragma once
// The one program-wide record. Every handler reads and writes it; nothing else is shared
// between the subsystems except commands sent to the window.
#include <array>
#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "app/DiscRecord.h"
#include "app/FixedText.h"
#include "app/RipRecord.h"
#include "platform/Canvas.h"
#include "platform/Cdrom.h"
#include "platform/Encoder.h"
#include "platform/Loudness.h"
#include "platform/Window.h"

namespace wl {

struct RipEncoding;

// A track of a batch whose album gain is written when the batch ends (window's thread only).
struct AlbumGainEntry {
    std::string file;
    int32_t format = 0;  // OutputFormat
    std::shared_ptr<LoudnessMeter> meter;
};

constexpr size_t kMaxTracks = 99;
constexpr size_t kMaxConvertFiles = 1000;
constexpr size_t kPathCapacity = 260;

struct AppState {
    // Persisted settings.
    uint16_t bitsPerSample = 0;
    int32_t samplesPerSec = 0;
    uint16_t channels = 0;
    uint16_t mp3Kbps = 0;
    int32_t sourceMode = 0;
    int32_t keepWav = 0;
    int32_t convertToMp3 = 0;
    int32_t ripDriveIndex = 99;
    // The drive's read offset in stereo samples, -5000..5000; stored where older readers look not.
    int32_t readOffset = 0;
    // Settings > Look Up Disc Names Online, unchecked: no request leaves the program.
    int32_t lookupsOff = 0;
    // Settings > Read Mode: 0 Burst, 1 Secure, 2 Secure where needed; Test & Copy on or off.
    int32_t readMode = 0;
    int32_t testAndCopy = 0;
    // Settings > Output Format: what a conversion writes. Stored where older readers look not.
    int32_t outputFormat = 0;  // OutputFormat
    int32_t flacLevel = 5;     // 0-8
    int32_t opusKbps = 160;    // 64-256
    FixedText<kPathCapacity> savePath;

    int32_t settingsDirty = 0;

    // Source mode flags.
    int32_t ripMode = 0, convertMode = 0, cdMode = 0, lineInMode = 0, partialMode = 0;

    // Track and display texts.
    int32_t currentTrack = 1;
    FixedText<4> currentTrackText{"1"};
    int32_t trackCount = 0;
    std::array<FixedText<12>, kMaxTracks + 1> trackLengths{};  // 1-based; slot 0 unused
    FixedText<12> trackTimeText;
    FixedText<12> lastTrackTimeText;
    FixedText<256> songName{"untitled"};
    FixedText<64> statusText{"Enter song name or click here:"};
    int32_t elapsedSeconds = 0, elapsedMinutes = 0;
    FixedText<4> minutesText{"00"}, secondsText{"00"};

    // Activities. `converting` is shared with the conversion worker.
    int32_t recording = 0;
    int32_t cdPlaying = 0;
    int32_t playbackActive = 0;
    // A rip (or a batch of them) from its start until its last step: names wait for its end.
    int32_t ripping = 0;
    std::atomic<int32_t> converting{0};
    // Requested only at exit: the worker abandons its file after the current chunk, and
    // every wait of the conversion queue ends at once.
    std::stop_source conversionStop;
    // The session is ending (a signal): a stopped file is kept as a cancelled one is. Set
    // before the window turns the worker's calls away.
    std::atomic<bool> sessionEnding{false};
    // From the worker's start until its last window call has returned; `converting` drops
    // to 0 earlier, at a panel click.
    std::atomic<bool> workerRunning{false};
    // Panel clicks that cancelled a conversion: a batch's streams each see the click, even
    // when another stream has raised `converting` again for its next file.
    std::atomic<uint32_t> conversionCancels{0};
    // Encoder streams a batch conversion runs at once; 0 = one per processor core. For tests.
    int32_t conversionStreams = 0;
    // A track batch's rip to MP3: the tracks' conversions encoding on the worker while the
    // next tracks are read, and what they have to report (mp3/Convert.h). Window's thread only.
    std::shared_ptr<RipEncoding> ripEncoding;
    std::vector<AlbumGainEntry> albumGain;
    // False rips and converts track after track, as a single rip does. For benchmarks.
    bool ripWhileEncoding = true;
    // The wave device has captured since the recording started: exit asks before dropping it.
    int32_t captured = 0;
    // The last save failed and the recording waits in the device for another name.
    int32_t saveFailed = 0;

    // Disc monitoring.
    int32_t discCheckDone = 0;
    int32_t discState = 2;
    int32_t discSeen = 0;
    int32_t startupTicks = 0;

    // Track batch.
    int32_t batchCount = 0;
    int32_t batchIndex = 0;
    FixedText<kPathCapacity> lastRecordedFile;
    std::array<FixedText<50>, 100> trackNames{};
    std::array<int32_t, 100> selectionTracks{};
    FixedText<kPathCapacity> batchFolder;
    int32_t ripTrackCount = 0;
    // The Tracks to Record dialog's memory between openings.
    int32_t tracksSelectedIndex = 0;
    int32_t tracksRenameSlot = 0;
    // A batch of the whole disc also leaves the disc as one file: a BIN of raw sectors and its sheet.
    bool batchSingleFile = false;

    // CD-ROM access library.
    uint8_t toc[kTocSize] = {};
    // What the rips of the disc in the drive proved, by track number.
    std::map<int, TrackRipRecord> rippedTracks;
    AccurateRipLookup accurateRip;
    VerifyConfig verify;
    CtdbLookup ctdb;
    CtdbConfig ctdbConfig;
    uint8_t driveList[kDriveListSize] = {};
    CdHandle cdHandle = 0;
    // The disc's identity and names.
    DiscRecord disc;

    // Devices, files, threads.
    uint32_t waveDeviceId = 0;
    FixedText<kPathCapacity> workingDir;
    ModuleHandle encoderModule = nullptr;
    std::thread convertThread;
    int32_t convertFileCount = 0;
    int32_t convertFileIndex = 0;
    std::vector<std::string> convertFiles;  // at most kMaxConvertFiles, each under 264 bytes
    // The folder the WAV Files to Convert dialog lists; kept between openings. Browsing
    // there never moves the program's own working folder (its settings file lives there).
    std::string convertFolder;

    // MCI buffers.
    FixedText<256> mciCommand;
    FixedText<256> mciReply;
    uint32_t mciError = 0;

    uint32_t savedAutoRunPolicy = 0x95;

    // Layout units and the rectangles the display keeps.
    int32_t charWidth = 0, lineHeight = 0, windowWidth = 0, windowHeight = 0;
    Rect panelRect, statusRect, trackNumberRect, trackTimeRect;
    bool firstPaintDone = false;
    int32_t screenWidth = 0, screenHeight = 0;

    // Drawing resources read at creation.
    Rgb btnFace{}, btnShadow{}, btnHighlight{};

    // Settings dialogs. The parameter dialogs restore this snapshot on Cancel; its mp3Kbps
    // copy is one for both dialogs.
    struct ParamsSnapshot {
        uint16_t bitsPerSample = 0;
        int32_t samplesPerSec = 0;
        uint16_t channels = 0;
        uint16_t mp3Kbps = 0;
    } paramsSnapshot;
    int32_t wavParamsAccepted = 0;
    // One record for the Save As and Open dialogs, filled at window creation.
    FileDialogParams fileDialogParams;
    FixedText<kPathCapacity> chosenFile;
    FixedText<512> chosenFileTitle;
};

// Exit has begun: conversions end after their current chunk and show nothing more.
inline bool conversionStopped(const AppState& s) { return s.conversionStop.stop_requested(); }

}  // namespace wl
