#include "rip/RipEngine.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "app/Commands.h"
#include "app/Display.h"
#include "app/OutputFormat.h"
#include "app/Paths.h"
#include "mp3/ConversionPool.h"
#include "disc/DiscSession.h"
#include "disc/PressedDisc.h"
#include "mp3/Convert.h"
#include "mp3/EncodedTags.h"
#include "platform/Bytes.h"
#include "verify/AccurateRip.h"
#include "verify/BatchCue.h"
#include "verify/ChecksumWorker.h"
#include "verify/Ctdb.h"
#include "verify/RipLog.h"
#include "verify/Verification.h"

namespace wl {

namespace {

constexpr size_t kTransferBufferSize = kReadBufHeaderSize + kRipChunkBytes;
constexpr int kReadAttempts = 3;
// Secure reads: paranoia's re-reads of one sector before it gives the sector up.
constexpr int kSecureRetries = 20;
// Test & Copy: passes of one track, the test pass included, before its copy is kept unproven.
constexpr int kMostPasses = 5;
// Secure where needed: how long the databases' answers are awaited after a burst read.
constexpr auto kVerdictWait = std::chrono::seconds(20);
constexpr uint32_t kProgressEveryReads = 5;
// The window is let run after each progress drawing and whenever this long has passed
// since it last ran: every chunk on a real drive, without a cost per chunk from an image.
constexpr auto kWindowRunsEvery = std::chrono::milliseconds(10);
// The RIFF length field (data length + 36) is 32 bits wide.
constexpr uint64_t kMaxTrackFrames = (std::numeric_limits<uint32_t>::max() - 36) / kCdFrameBytes;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

void drawStatusNow(App& app, const std::string& text) {
    app.s.statusText = text;
    drawStatusLineNow(app);
}

std::string reason(int error) { return std::generic_category().message(error); }

std::string outputPath(App& app) {
    const std::string typed = app.p.window.controlText(ID_SONG_NAME_EDIT, kSongNameChars);
    const std::string savePath = app.s.savePath.str();
    if (savePath.empty()) return typed;
    const SplitPath parts = splitPath(typed);
    return savePath + parts.base + parts.ext;
}

// One chunk into the buffer, up to three attempts. On success `audio` and `length` name the
// audio in the buffer; false when every attempt failed or answered out of bounds.
bool readChunk(Cdrom& cdrom, CdHandle handle, uint8_t* buffer, uint32_t start, uint32_t frames,
               const uint8_t*& audio, uint32_t& length) {
    for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
        putLe32(buffer + kReadBufStartFrame, start);
        putLe32(buffer + kReadBufFrameCount, frames);
        putLe32(buffer + kReadBufLength, 0);
        putLe32(buffer + kReadBufOffset, 0);
        if (cdrom.ReadCDAudioLBA(handle, buffer, kTransferBufferSize) != 1) continue;
        const uint64_t offset = getLe32(buffer + kReadBufOffset);
        length = getLe32(buffer + kReadBufLength);
        // Never copy bytes from outside the data area, nor more than was asked for.
        if (offset + length > kRipChunkBytes || length > uint64_t(frames) * kCdFrameBytes) continue;
        audio = buffer + kReadBufHeaderSize + offset;
        return true;
    }
    return false;
}

// Where a pass's chunks come from: the burst read above, or the secure reader's verified
// reads with their counts and the sectors they could not read exactly.
struct ChunkReader {
    App& app;
    CdHandle handle;
    uint8_t* buffer;
    bool secure = false;
    SecureReadCounts counts;
    std::vector<SectorRange> inexact;
    std::vector<uint8_t> verified;

    bool read(uint32_t start, uint32_t frames, const uint8_t*& audio, uint32_t& length) {
        if (!secure) return readChunk(app.p.cdrom, handle, buffer, start, frames, audio, length);
        verified.resize(size_t(frames) * kCdFrameBytes);
        if (frames == 0 || !app.p.secureRead->read(handle, start, frames, kSecureRetries, verified.data(), counts, inexact)) {
            if (frames > 0) noteInexact(start, start + frames - 1);
            return false;
        }
        audio = verified.data();
        length = frames * uint32_t(kCdFrameBytes);
        return true;
    }
    void noteInexact(uint32_t first, uint32_t last) {
        if (!inexact.empty() && inexact.back().last + 1 >= first) inexact.back().last = std::max(inexact.back().last, last);
        else inexact.push_back({first, last});
    }
};

// The audio of `frames` sectors from `start` as a drive with this read offset delivers it
// shifted into place: each byte comes shiftBytes later on the disc. What lies before the
// disc's first sector or from its lead-out on is silence; so is what cannot be read, counted
// in missing (sectors).
void readShifted(ChunkReader& reader, uint32_t start, uint32_t frames, int64_t shiftBytes, uint32_t leadOut,
                 std::vector<uint8_t>& out, uint32_t& missing) {
    const int64_t frameBytes = int64_t(kCdFrameBytes);
    const int64_t firstByte = int64_t(start) * frameBytes + shiftBytes;
    const int64_t first = (firstByte >= 0 ? firstByte : firstByte - frameBytes + 1) / frameBytes;
    const size_t skip = size_t(firstByte - first * frameBytes);
    const int64_t sectors = int64_t(frames) + (skip != 0 ? 1 : 0);
    out.assign(size_t(sectors) * kCdFrameBytes, 0);
    const int64_t from = std::max<int64_t>(first, 0), to = std::min<int64_t>(first + sectors, leadOut);
    for (int64_t at = from; at < to;) {
        const uint32_t n = uint32_t(std::min<int64_t>(to - at, int64_t(kRipChunkFrames)));
        const uint8_t* audio = nullptr;
        uint32_t length = 0;
        if (!reader.read(uint32_t(at), n, audio, length)) length = 0;
        std::memcpy(out.data() + size_t(at - first) * kCdFrameBytes, audio, length);
        missing += (n * uint32_t(kCdFrameBytes) - length + uint32_t(kCdFrameBytes) - 1) / uint32_t(kCdFrameBytes);
        at += n;
    }
    out.erase(out.begin(), out.begin() + ptrdiff_t(skip));
    out.resize(size_t(frames) * kCdFrameBytes);
}

class TrackWriter {
public:
    TrackWriter(App& app, std::string path) : app_(app), path_(std::move(path)) {}
    ~TrackWriter() {
        if (file_) discard();
    }

    bool create() {
        file_.reset(std::fopen(path_.c_str(), "w+b"));
        if (file_) return true;
        const int error = errno;
        showMessage(app_,
                    "I can't create the file \"" + path_ + "\" (" + reason(error) +
                        "). Check that its folder exists, that you may write there and that the disk has room.",
                    "Rip CD Error");
        return false;
    }
    // Everything written is summed, silence in place of unreadable frames included.
    void sumInto(ChecksumWorker* sums) { sums_ = sums; }
    bool write(const uint8_t* data, size_t n) {
        if (n == 0) return true;
        if (std::fwrite(data, 1, n, file_.get()) == n) {
            if (sums_) sums_->add(data, n);
            return true;
        }
        return fail(errno);
    }
    bool writeSilence(size_t n) {
        static const uint8_t zeros[kRipChunkBytes] = {};
        while (n > 0) {
            const size_t part = std::min(n, sizeof zeros);
            if (!write(zeros, part)) return false;
            n -= part;
        }
        return true;
    }
    bool header(uint32_t dataLength) { return WriteWavHeader(file_.get(), dataLength) || fail(errno); }
    // The file is whole only once it is closed: a full disk may first show here.
    bool close() {
        std::FILE* f = file_.release();
        if (std::fclose(f) == 0) return true;
        const int error = errno;
        removeFile();
        return report(error);
    }
    const std::string& path() const { return path_; }

private:
    App& app_;
    std::string path_;
    File file_;
    ChecksumWorker* sums_ = nullptr;

    bool fail(int error) {
        discard();
        return report(error);
    }
    void discard() {
        file_.reset();
        removeFile();
    }
    void removeFile() {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    bool report(int error) {
        showMessage(app_,
                    "Write error ripping to \"" + path_ + "\" (" + reason(error) +
                        "). The disk may be full. The incomplete file has been removed.",
                    "Rip CD Error");
        return false;
    }
};

}  // namespace

bool WriteWavHeader(std::FILE* file, uint32_t dataLength) {
    if (file == nullptr) return false;
    constexpr uint16_t kChannels = 2, kBits = 16;
    constexpr uint32_t kRate = 44100;
    uint8_t h[kWavHeaderSize] = {};
    std::memcpy(h, "RIFF", 4);
    putLe32(h + 4, dataLength + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putLe32(h + 16, 16);
    putLe16(h + 20, 1);
    putLe16(h + 22, kChannels);
    putLe32(h + 24, kRate);
    putLe32(h + 28, kRate * kChannels * kBits / 8);
    putLe16(h + 32, kChannels * kBits / 8);
    putLe16(h + 34, kBits);
    std::memcpy(h + 36, "data", 4);
    putLe32(h + 40, dataLength);
    if (std::fseek(file, 0, SEEK_SET) != 0) return false;
    return std::fwrite(h, 1, sizeof h, file) == sizeof h;
}

namespace {

// What one pass over a track gives: its checksums (CRC-32 of all it read) and how much of it
// could not be read at all.
struct Pass {
    RipOutcome outcome = RipOutcome::Written;
    TrackChecksums sums{0, false, false, nullptr};
    uint32_t unreadable = 0;
    uint32_t crc = 0;  // the CRC-32 of all the pass read, the passes' common measure
};

// Reads the track once into `out`, with all its checksums, or for a test pass nowhere: a
// test pass only proves the next one, so it takes the CRC-32 alone, on this thread, and
// neither copies the audio to the summing thread nor does AccurateRip's or CTDB's sums.
Pass readPass(App& app, ChunkReader& reader, uint32_t start, uint32_t count, TrackWriter* out) {
    Pass pass;
    const AudioEdges edges = AudioEdgesOf(app.s.toc, app.s.currentTrack);
    TrackChecksums startSums(uint64_t(count) * kSamplesPerFrame, edges.first, edges.last, app.p.hashing);
    const CtdbSkips ctdbSkips = CtdbSkipsFor(edges.first, edges.last, CtdbDiscSamples(app.s.toc));
    startSums.skipForCtdb(ctdbSkips.front, ctdbSkips.back);
    std::optional<ChecksumWorker> summing;
    if (out) {
        if (!out->create() || !out->header(0)) return {RipOutcome::OutputFailed, startSums, 0};
        summing.emplace(startSums);
        out->sumInto(&*summing);
    }
    uint32_t testCrc = 0;
    const auto keep = [&](const uint8_t* data, size_t n) {
        if (out) return out->write(data, n);
        if (app.p.hashing && n > 0) testCrc = app.p.hashing->crc32(testCrc, data, n);
        return true;
    };
    const auto silence = [&](size_t n) {
        if (out) return out->writeSilence(n);
        static const uint8_t zeros[kCdFrameBytes] = {};
        for (; n > 0; n -= std::min(n, sizeof zeros)) keep(zeros, std::min(n, sizeof zeros));
        return true;
    };
    const int64_t shift = int64_t(AppliedReadOffset(app.s)) * 4;
    const uint32_t leadOut = getBe32(tocEntry(app.s.toc, size_t(std::clamp<int>(app.s.toc[3] - app.s.toc[2] + 1, 0, 99))) + 4);
    std::vector<uint8_t> shifted;

    // 4.
    drawStatusNow(app, "Ripping... " + std::to_string(count) + " ... " + std::to_string(start));

    // 5.
    uint32_t chunk = kRipChunkFrames, passes = 0, total = 0, unreadable = 0;
    auto windowRan = std::chrono::steady_clock::now();
    while (count != 0) {
        const bool drawn = passes % kProgressEveryReads == 0;
        if (drawn) drawStatusNow(app, "Ripping... " + std::to_string(start) + ": " + std::to_string(count) + "       ");
        ++passes;
        if (count < chunk) chunk = count;
        const uint8_t* audio = nullptr;
        uint32_t length = 0;
        const uint32_t wanted = chunk * uint32_t(kCdFrameBytes);
        if (shift != 0) {
            readShifted(reader, start, chunk, shift, leadOut, shifted, unreadable);
            audio = shifted.data();
            length = wanted;
        } else if (!reader.read(start, chunk, audio, length)) {
            length = 0;
        }
        if (!keep(audio, length)) return {RipOutcome::OutputFailed, startSums, 0};
        // Frames the drive would not give keep their place as silence: the track keeps its
        // length and everything after them their timing.
        if (length < wanted) {
            const uint32_t missingFrames = (wanted - length + uint32_t(kCdFrameBytes) - 1) / uint32_t(kCdFrameBytes);
            unreadable += missingFrames;
            if (!silence(wanted - length)) return {RipOutcome::OutputFailed, startSums, 0};
        }
        total += wanted;
        start += chunk;
        count -= chunk;
        if (drawn || std::chrono::steady_clock::now() - windowRan >= kWindowRunsEvery) {
            app.p.window.processPendingEvents();
            windowRan = std::chrono::steady_clock::now();
        }
    }

    // 6, 7.
    if (out && (!out->header(total) || !out->close())) return {RipOutcome::OutputFailed, startSums, 0};
    if (summing) pass.sums = summing->finish();
    pass.crc = out ? pass.sums.copyCrc() : testCrc;
    pass.unreadable = unreadable;
    return pass;
}

}  // namespace

RipOutcome ExtractTrack(App& app, CdHandle handle, uint32_t start, uint32_t count) {
    return ExtractTrackAs(app, handle, start, count, app.s.readMode == 1, outputPath(app));
}

RipOutcome ExtractTrackAs(App& app, CdHandle handle, uint32_t start, uint32_t count, bool secure, const std::string& path) {
    // 1.
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kTransferBufferSize]());
    if (!buffer) return RipOutcome::NotStarted;
    putLe32(buffer.get() + kReadBufCapacity, uint32_t(kRipChunkBytes));

    ChunkReader reader{app, handle, buffer.get(), secure && app.p.secureRead != nullptr, {}, {}, {}};
    TrackRipRecord record;
    record.track = app.s.currentTrack;
    record.start = start;
    record.frames = count;
    record.secure = reader.secure;

    // Test & Copy: a test pass that only sums, then copies until one agrees with an earlier
    // pass. Without the CRC library there is nothing to compare, so one copy is made.
    const bool testAndCopy = app.s.testAndCopy != 0 && app.p.hashing != nullptr;
    Pass pass;
    for (int n = 0;; ++n) {
        const bool copy = !testAndCopy || n > 0;
        TrackWriter out(app, path);
        pass = readPass(app, reader, start, count, copy ? &out : nullptr);
        if (reader.secure) app.p.secureRead->finish();
        if (pass.outcome != RipOutcome::Written) return pass.outcome;
        if (!testAndCopy) break;
        record.passCrcs.push_back(pass.crc);
        for (size_t k = 0; k + 1 < record.passCrcs.size() && record.agreedSecond < 0; ++k)
            if (record.passCrcs[k] == pass.crc) {
                record.agreedFirst = int(k);
                record.agreedSecond = n;
            }
        if (record.agreedSecond >= 0 || n + 1 >= kMostPasses) break;
    }
    record.file = path;
    record.v1 = pass.sums.v1();
    record.v2 = pass.sums.v2();
    record.copyCrc = pass.sums.copyCrc();
    record.ctdbCrc = pass.sums.ctdbCrc();
    record.hasCopyCrc = pass.sums.hasCopyCrc();
    record.peak = pass.sums.peak();
    const uint32_t unreadable = pass.unreadable;
    record.unreadable = unreadable;
    record.counts = reader.counts;
    record.inexact = reader.inexact;
    app.s.rippedTracks[record.track] = record;
    if (unreadable > 0)
        showMessage(app,
                    "Could not read " + std::to_string(unreadable) + " of the " + std::to_string(count) +
                        " frames of this track. They are silence in \"" + path + "\".",
                    "RipCD reading error");
    return RipOutcome::Written;
}

void RipAgainWhereNeeded(App& app) {
    AppState& s = app.s;
    const auto it = s.rippedTracks.find(s.currentTrack);
    if (it == s.rippedTracks.end() || it->second.secure || app.p.secureRead == nullptr) return;
    // The verdicts come over the network: the window is served while they are awaited, as
    // during the read itself; without an answer in time the burst copy counts as unconfirmed.
    // The drive is not polled meanwhile: the rip is not over.
    app.p.window.killTimer(PollTimer);
    const auto until = std::chrono::steady_clock::now() + kVerdictWait;
    while (!(s.accurateRip.answered && s.ctdb.answered) && std::chrono::steady_clock::now() < until) {
        app.p.window.processPendingEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    struct PollAgain {
        Window& win;
        ~PollAgain() { win.setTimer(PollTimer, kPollTimerMs); }
    } pollAgain{app.p.window};
    const TrackRipRecord burst = s.rippedTracks[s.currentTrack];
    if (burst.verdict.rfind("Accurately ripped", 0) == 0 || burst.ctdbVerdict.rfind("accurately ripped", 0) == 0) return;
    // Read beside the burst copy and put in its place only once whole: a failed write keeps it.
    const std::string again = burst.file + ".secure";
    if (ExtractTrackAs(app, s.cdHandle, burst.start, burst.frames, true, again) != RipOutcome::Written) return;
    std::error_code ec;
    std::filesystem::rename(again, burst.file, ec);
    TrackRipRecord& r = s.rippedTracks[s.currentTrack];
    if (ec) {
        std::filesystem::remove(again, ec);
        r = burst;
        return;
    }
    r.file = burst.file;
    r.secureAgain = "neither AccurateRip (" + (burst.verdict.empty() ? std::string("no verdict") : burst.verdict) +
                    ") nor CTDB (" + (burst.ctdbVerdict.empty() ? std::string("no verdict") : burst.ctdbVerdict) +
                    ") confirmed the burst read";
    WriteRipLog(app);
    VerifyRippedTracks(app);
}

RipOutcome RipCurrentTrack(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    // 1.
    const int t = s.currentTrack;
    drawStatusNow(app, "Ripping" + std::string(39, ' '));
    win.setCursor(CursorKind::Wait);

    RipOutcome outcome = RipOutcome::NotStarted;
    if (s.cdHandle == 0) {
        // 2.
        showMessage(app, "Could not get handle to CD", "Message");
    } else {
        // 3.
        std::memset(s.toc, 0, sizeof s.toc);
        app.p.cdrom.ModifyCDParms(s.cdHandle, kCdParmAddressing, 0);
        const bool tocRead = app.p.cdrom.ReadTOC(s.cdHandle, s.toc) == 1;
        // 4. Entries by position: t - 1 is the track, t the next one or the lead-out.
        // Track 0 is the hidden first track: the blocks from 0 up to track 1.
        const bool hidden = t == 0 && HasHiddenTrack(s.disc);
        const bool inTable = (t >= 1 && size_t(t) < kTocMaxEntries) || hidden;
        const uint32_t start = inTable && !hidden ? getBe32(tocEntry(s.toc, size_t(t - 1)) + 4) : 0;
        const uint32_t end = inTable ? getBe32(tocEntry(s.toc, size_t(hidden ? 0 : t)) + 4) : 0;
        // A table whose next entry lies before the track would make a rip of billions of frames.
        if (!tocRead || !inTable || end < start || end - start > kMaxTrackFrames)
            win.messageBox("Error reading TOC", "RipCD reading error", MB_OK, true);
        else
            // 5.
            outcome = ExtractTrack(app, s.cdHandle, start, end - start);
    }
    // 6.
    win.setCursor(CursorKind::Arrow);
    return outcome;
}

void RipPlayBranch(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    // Counted, as a batch's next track is ripped from inside this one.
    struct Busy {
        int32_t& n;
        explicit Busy(int32_t& count) : n(count) { ++n; }
        ~Busy() { --n; }
    } busy(s.ripping);
    // The folder typed with the first name of a batch, before a conversion renames songName.
    const std::string typedFolder = splitPath(s.songName.str()).dir;

    // 1.
    for (int id : {ID_PLAY, ID_PLAYBACK, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT})
        win.enableControl(id, false);
    win.updateControl(ID_SONG_NAME_EDIT);
    win.killTimer(PollTimer);
    s.currentTrackText = std::to_string(s.currentTrack);

    // A batch's album gain is of its own tracks.
    if (s.batchIndex == 0) s.albumGain.clear();

    // 2, 3.
    const RipOutcome outcome = RipCurrentTrack(app);
    win.setTimer(PollTimer, kPollTimerMs);
    // Nothing is chained after a file that could not be written: neither its conversion nor
    // the rest of a batch, which would only fail the same way.
    const bool written = outcome != RipOutcome::OutputFailed;
    if (!written) s.batchCount = 0;
    // The disc's log says what every rip of it so far proves.
    if (outcome == RipOutcome::Written) {
        WriteRipLog(app);
        VerifyRippedTracks(app);
        if (s.readMode == 2) RipAgainWhereNeeded(app);
    }

    // 4.
    if (written && s.convertToMp3 == 1 && s.samplesPerSec == 44100 && s.bitsPerSample == 16 && s.channels == 2) {
        win.setCursor(CursorKind::Wait);
        s.convertFileCount = 0;
        // In a batch each track encodes on the worker while the next ones are read, one track
        // a stream at most, the oldest reporting first; the last is waited for at the end with
        // the window served.
        const bool queued = s.ripWhileEncoding && s.batchCount != 0;
        CollectRipConversions(app, queued ? size_t(conversionStreamCount(s, s.batchCount) - 1) : 0);
        s.converting = 1;
        PrepareTrackTag(app, s.currentTrack);
        if (!queued || !QueueRipConversion(app)) ConvertWavFile(app);
        std::string name = s.songName.str();
        if (outputFormatOf(s) != OutputFormat::Mp3) name = EncodedNameFor(outputFormatOf(s), name);
        else if (name.size() >= 3) name.replace(name.size() - 3, 3, "mp3");
        s.songName = name;
        win.setControlText(ID_SONG_NAME_EDIT, s.songName.str());
        s.currentTrackText = std::to_string(s.currentTrack);
        win.setCursor(CursorKind::Arrow);
    }

    // 5.
    std::vector<int> batchTracks;
    if (s.batchCount != 0) {
        ++s.batchIndex;
        if (s.batchIndex < s.batchCount) {
            if (s.batchIndex == 1) s.batchFolder = typedFolder;
            const size_t entry = size_t(s.batchIndex) < s.selectionTracks.size() ? size_t(s.batchIndex) : 0;
            const int t = s.selectionTracks[entry];
            s.currentTrack = t;
            s.currentTrackText = std::to_string(t);
            const size_t slot = t >= 0 && size_t(t) < s.trackNames.size() ? size_t(t) : 0;
            win.setControlText(ID_SONG_NAME_EDIT,
                               lowerFileName(s.batchFolder.str() + s.trackNames[slot].str() + ".wav"));
            if (t == 0 && HasHiddenTrack(s.disc)) {
                s.trackTimeText = HiddenTrackLengthText(s.disc);
            } else {
                mciSend(app, "status cd length track " + s.currentTrackText.str(), true);
                s.trackTimeText = s.mciReply.view();
            }
            invalidateTrackTime(app);
            invalidateTrackNumber(app);
            win.updateWindow();
            sendCommand(app, ID_PLAY);
            // The last track's rip collects every conversion; if it never came, here.
            CollectRipConversions(app, 0);
            return;
        }
        batchTracks.assign(s.selectionTracks.begin(),
                           s.selectionTracks.begin() + std::min<ptrdiff_t>(s.batchCount, ptrdiff_t(s.selectionTracks.size())));
        s.batchCount = 0;
    }

    // 6. Whatever the tracks' conversions still have to report comes before the batch's end.
    CollectRipConversions(app, 0);
    if (!batchTracks.empty()) WriteAlbumGain(app);
    app.s.albumGain.clear();
    // Then the files are all there for the batch's cue sheet.
    if (!batchTracks.empty()) {
        WriteBatchCueSheet(app, batchTracks);
        if (s.batchSingleFile) WriteSingleFileImage(app, batchTracks);
    }
    setStatus(app, kSongNamePrompt);
    // A copy whose passes never agreed is said once, where the user looks.
    for (const int track : batchTracks.empty() ? std::vector<int>{s.currentTrack} : batchTracks)
        if (auto it = s.rippedTracks.find(track); it != s.rippedTracks.end() && it->second.passesDisagree())
            setStatus(app, "Test and Copy: track " + std::to_string(track) + "'s passes differ");
    enableIdleMenus(app);
    for (int id : {ID_PLAY, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT})
        win.enableControl(id, true);

    // 7.
    if (s.convertToMp3 == 1)
        win.enableControl(ID_PLAYBACK, false);
    else if (s.keepWav == 1)
        win.enableControl(ID_PLAYBACK, true);
}

}  // namespace wl
