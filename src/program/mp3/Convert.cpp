#include "mp3/Convert.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <system_error>
#include <thread>

#include <sys/stat.h>

#include "app/Commands.h"
#include "app/Display.h"
#include "app/FileReplacement.h"
#include "app/Paths.h"
#include "mp3/ConversionPool.h"
#include "mp3/ConversionQueue.h"
#include "cover/CoverArt.h"
#include "mp3/EncodedTags.h"
#include "mp3/WavHeader.h"
#include "platform/Bytes.h"

namespace wl {

namespace {

// The loudness measurement costs about half a FLAC encode: it runs on a thread of its own
// beside the encoder, one block at a time, so a conversion takes no longer than its encode.
class MeterAlongside {
public:
    explicit MeterAlongside(LoudnessMeter* meter) : meter_(meter) {
        if (meter_) thread_ = std::thread([this] { run(); });
    }
    ~MeterAlongside() {
        if (!thread_.joinable()) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    MeterAlongside(const MeterAlongside&) = delete;
    MeterAlongside& operator=(const MeterAlongside&) = delete;
    // The block stays unchanged until wait() returns.
    void start(const uint8_t* pcm, size_t frames) {
        if (!meter_) return;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            pcm_ = pcm;
            frames_ = frames;
            busy_ = true;
        }
        changed_.notify_all();
    }
    void wait() {
        if (!meter_) return;
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
    }

private:
    void run() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return busy_ || quit_; });
            if (!busy_) return;
            lock.unlock();
            meter_->add(pcm_, frames_);
            lock.lock();
            busy_ = false;
            changed_.notify_all();
        }
    }
    LoudnessMeter* meter_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    const uint8_t* pcm_ = nullptr;
    size_t frames_ = 0;
    bool busy_ = false, quit_ = false;
};


struct EntryPoints {
    BeInitStreamFn init = nullptr;
    BeEncodeChunkFn encode = nullptr;
    BeDeinitStreamFn deinit = nullptr;
    BeCloseStreamFn close = nullptr;
    BeVersionFn version = nullptr;
    BeWriteVBRHeaderFn writeVbrHeader = nullptr;

    bool lookUp(EncoderLoader& loader, ModuleHandle module) {
        if (!module) return false;
        auto get = [&](auto& fn, const char* name) {
            fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(loader.entryPoint(module, name));
        };
        get(init, "beInitStream");
        get(encode, "beEncodeChunk");
        get(deinit, "beDeinitStream");
        get(close, "beCloseStream");
        get(version, "beVersion");
        get(writeVbrHeader, "beWriteVBRHeader");
        return init && encode && deinit && close && version;
    }
};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Which file a name stands for, and how long it is: the WAV is deleted only if it is still
// the file that was converted, with nothing added since.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = -1;
    bool operator==(const FileId&) const = default;
};
FileId fileId(const struct stat& st) { return FileId{st.st_dev, st.st_ino, st.st_size}; }
FileId fileId(std::FILE* f) {
    struct stat st {};
    return ::fstat(::fileno(f), &st) == 0 ? fileId(st) : FileId{};
}
PcmShape shapeOf(const WavHeader& header) {
    PcmShape shape;
    shape.sampleRate = header.samplesPerSec();
    shape.channels = header.channels();
    shape.bitsPerSample = header.bitsPerSample();
    const uint32_t frameBytes = shape.frameBytes();
    shape.frames = frameBytes ? header.dataSize / frameBytes : 0;
    return shape;
}

FileId fileId(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? fileId(st) : FileId{};
}

// What the routine reads of the shared state, taken once on the window's thread.
struct Job {
    ModuleHandle module = nullptr;
    std::string editText, savePath, batchEntry;
    int32_t fileCount = 0, fileIndex = 0;
    uint16_t kbps = 0;
    std::optional<Mp3Tag> tag;  // an MP3 of a CD track carries its names
    OutputFormat format = OutputFormat::Mp3;
    EncodeSettings encode;
    bool inTrackBatch = false;  // its album gain comes when the batch ends
    bool lastOfRun() const { return fileCount == 0 || fileIndex + 1 == fileCount; }
};

// A conversion encoded away from the window: what it has to show and do to the window, kept
// until the window's thread collects it.
struct DeferredReport {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::vector<std::function<void()>> calls;  // in the order the conversion made them
};

// Read on the window's thread. `index` names the batch entry when given, else convertFileIndex.
Job readJob(App& app, int index = -1) {
    AppState& s = app.s;
    Job j;
    j.module = s.encoderModule;
    j.editText = app.p.window.controlText(ID_SONG_NAME_EDIT, kSongNameChars);
    j.savePath = s.savePath.str();
    j.fileCount = s.convertFileCount;
    j.fileIndex = index >= 0 ? index : s.convertFileIndex;
    if (j.fileCount != 0 && j.fileIndex >= 0 && size_t(j.fileIndex) < s.convertFiles.size())
        j.batchEntry = s.convertFiles[size_t(j.fileIndex)];
    j.kbps = s.mp3Kbps;
    j.format = outputFormatOf(s);
    j.encode.kind = j.format == OutputFormat::Opus ? EncodeSettings::Opus : EncodeSettings::Flac;
    j.encode.flacLevel = s.flacLevel;
    j.encode.opusKbps = s.opusKbps;
    j.inTrackBatch = s.convertMode != 1 && s.batchCount != 0;
    // Taken once, and never by the convert mode: a WAV converted by hand gets no invented tag.
    if (s.convertMode != 1) j.tag = std::move(s.disc.pendingTag);
    s.disc.pendingTag.reset();
    return j;
}

void drawProgress(App& app, int percent) {
    const AppState& s = app.s;
    auto canvas = app.p.window.immediateCanvas();
    canvas->textOut(s.charWidth, 8 * s.lineHeight, "Converting: " + std::to_string(percent) + " %",
                    TextStyle{Font{}, kStatusColour, s.btnFace, true});
}

// The disc may have changed while a long conversion ran.
void refreshTrackTable(App& app) {
    AppState& s = app.s;
    mciSend(app, "status cd number of tracks", true);
    int count = std::atoi(s.mciReply.c_str());
    if (app.p.cdrom.ReadTOC(s.cdHandle, s.toc) == 1) count = s.toc[3];
    s.trackCount = std::clamp<int>(count, 0, int(kMaxTracks));
    for (int i = 1; i <= s.trackCount; ++i) {
        mciSend(app, "status cd length track " + std::to_string(i), true);
        s.trackLengths[size_t(i)] = s.mciReply.view();
    }
}

// The window after a failed conversion in the convert mode, or after the worker's run when
// the user has chosen another mode meanwhile: what the mode now on shows when idle. The
// status line still holds the drawn progress and needs repainting.
void restoreIdle(App& app) {
    const AppState& s = app.s;
    Window& win = app.p.window;
    win.setCursor(CursorKind::Arrow);
    // The CD modes start nothing without a disc; the poll enables Play when one comes.
    win.enableControl(ID_PLAY, s.convertMode == 1 || s.lineInMode == 1 || (s.discState == 2 && s.trackCount > 0));
    win.enableControl(ID_SONG_NAME_EDIT, true);
    win.enableControl(ID_EXIT, true);
    setStatus(app, kSongNamePrompt);
    win.setTimer(PollTimer, kPollTimerMs);
}

// What a conversion writes its audio through, whatever the format: the MP3 library's stream,
// whose bytes are written here, or an encoder of the port, which writes its own file. A
// failure leaves the message the routine shows.
class TrackEncoder {
public:
    virtual ~TrackEncoder() = default;
    // The PCM bytes a chunk holds; the last one may hold fewer.
    virtual size_t chunkBytes() const = 0;
    virtual bool encode(const uint8_t* pcm, size_t bytes) = 0;
    // The stream's last bytes: the file is whole but for its tags.
    virtual bool finish() = 0;
    std::string failure, failureCaption = "Error";

protected:
    bool failed(std::string text, std::string caption = "Error") {
        failure = std::move(text);
        failureCaption = std::move(caption);
        return false;
    }
};

// Steps 8, 9, 11 and 12 of the MP3 path.
class Mp3StreamEncoder : public TrackEncoder {
public:
    Mp3StreamEncoder(const EntryPoints& ep, std::FILE* out) : ep_(ep), file_(out) {}
    ~Mp3StreamEncoder() override { close(); }

    bool open(uint16_t kbps) {
        uint8_t config[kEncoderConfigSize] = {};
        putLe32(config + kEncoderConfigKind, 0);
        putLe32(config + kEncoderConfigRate, 44100);
        config[kEncoderConfigMode] = 0;
        putLe16(config + kEncoderConfigBitrate, kbps);
        if (ep_.init(config, &samplesPerChunk_, &bufferSize_, &stream_) != 0)
            return failed("Error opening encoding stream", "Message");
        open_ = true;
        // A chunk of no samples would never advance.
        if (samplesPerChunk_ == 0) return failed("Error opening encoding stream", "Message");
        out_.reset(new (std::nothrow) uint8_t[std::max<uint32_t>(bufferSize_, 1)]);
        if (!out_) return failed("I can't perform this conversion. We ran out of memory");
        return true;
    }
    size_t chunkBytes() const override { return 2 * size_t(samplesPerChunk_); }
    bool encode(const uint8_t* pcm, size_t bytes) override {
        uint32_t produced = 0;
        // A count beyond the buffer would make us write bytes the library never gave.
        if (ep_.encode(stream_, uint32_t(bytes / 2), reinterpret_cast<const int16_t*>(pcm), out_.get(),
                       &produced) != 0 ||
            produced > bufferSize_) {
            close();
            return failed("beEncodeChunk() failed.");
        }
        if (produced > 0 && std::fwrite(out_.get(), 1, produced, file_) != produced)
            return failed("Write error performing conversion.");
        return true;
    }
    bool finish() override {
        uint32_t produced = 0;
        if (ep_.deinit(stream_, out_.get(), &produced) != 0 || produced > bufferSize_) {
            close();
            return failed("beExitStream failed.");
        }
        if (produced > 0 && std::fwrite(out_.get(), 1, produced, file_) != produced)
            return failed("Write error performing MP3 conversion.");
        close();
        return true;
    }

private:
    void close() {
        if (open_) ep_.close(stream_);
        open_ = false;
    }
    const EntryPoints ep_;
    std::FILE* const file_;
    uint32_t stream_ = 0, samplesPerChunk_ = 0, bufferSize_ = 0;
    bool open_ = false;
    std::unique_ptr<uint8_t[]> out_;
};

// FLAC and Opus through the AudioEncoder port, with the MP3's messages where they apply.
class PortEncoder : public TrackEncoder {
public:
    PortEncoder(std::unique_ptr<AudioFileEncoder> encoder, const PcmShape& shape, std::string formatText)
        : encoder_(std::move(encoder)), frameBytes_(shape.frameBytes()), formatText_(std::move(formatText)) {}
    size_t chunkBytes() const override { return 16384 * size_t(frameBytes_); }
    bool encode(const uint8_t* pcm, size_t bytes) override {
        return encoder_->write(pcm, bytes / frameBytes_) || writeFailed();
    }
    bool finish() override { return encoder_->finish() || writeFailed(); }

private:
    bool writeFailed() {
        return failed("Write error performing " + formatText_ + " conversion (" + encoder_->error() + ").");
    }
    std::unique_ptr<AudioFileEncoder> encoder_;
    const uint32_t frameBytes_;
    const std::string formatText_;
};

class Conversion {
public:
    explicit Conversion(App& app) : app_(app), s_(app.s) {}
    ~Conversion() { closeAll(); }

    void run(const std::string& givenSource);

    // A file of a parallel batch: entry batchIndex, reporting in its turn.
    BatchStream* batch = nullptr;
    int batchIndex = -1;
    // Encoded away from the window: the job is read beforehand and the window calls wait here.
    std::shared_ptr<DeferredReport> deferred;
    std::optional<Job> givenJob;
    uint32_t deferredCancels = 0;  // panel clicks before it was handed over

private:
    App& app_;
    AppState& s_;
    Job job_;
    EntryPoints ep_;
    File src_;
    // The MP3 is written beside its final name and takes it only when the run ends.
    std::unique_ptr<FileReplacement> mp3_;
    WavHeader header_;
    std::string source_, mp3Name_;
    std::shared_ptr<LoudnessMeter> meter_;
    Comments gains_;  // the track's, as written into the file
    FileId sourceId_;
    std::unique_ptr<TrackEncoder> encoder_;

    // Runs fn on the window's thread and hands back its result; nothing once exit has begun
    // (fn may then not have run, or still be running). The exit can release this worker while
    // fn is inside a message box, and this object and its locals go away: fn captures values
    // and the App, never `this` or a local by reference.
    template <class F>
    auto onWindow(F fn) -> std::optional<decltype(fn())> {
        if (conversionStopped(s_)) return std::nullopt;
        auto result = callOnWindowThread(app_.p.window, std::move(fn));
        if (conversionStopped(s_)) return std::nullopt;
        return result;
    }
    // The file's last window call (a failure's message, or the finish): kept for later when
    // deferred, in the batch's order when the file is one of several streams.
    template <class F>
    bool report(F fn) {
        if (deferred) {
            std::lock_guard lock(deferred->mutex);
            deferred->calls.push_back([fn]() mutable { fn(); });
            return true;
        }
        if (batch) batch->awaitTurn();
        return onWindow(std::move(fn)).has_value();
    }
    // Several streams of one batch: `converting` stays up until the last file has reported.
    bool endsConverting() const { return !batch || job_.lastOfRun(); }

    // An MP3 not yet renamed into place is removed: a failed run leaves an earlier file of
    // that name as it was. The encoder goes first: it may still write to that file.
    void closeAll() {
        encoder_.reset();
        src_.reset();
        mp3_.reset();
    }
    // Exit: nothing more is shown, and a half-written MP3 file must not look like a finished one.
    void abandon() { closeAll(); }
    void fail(const std::string& text, const std::string& caption) {
        closeAll();
        const bool shown = report([app = &app_, text, caption, last = job_.lastOfRun(), ends = endsConverting()] {
            showMessage(*app, text, caption);
            if (ends) app->s.converting = 0;
            // The window may have closed while the box was open: nothing left to restore.
            if (!app->destroyed && app->s.convertMode == 1 && last) restoreIdle(*app);
            return true;
        });
        if (!shown) abandon();
    }
    // The encoder's own failure: taken out of it first, since failing closes it.
    void failEncoding() {
        const std::string text = std::move(encoder_->failure), caption = std::move(encoder_->failureCaption);
        fail(text, caption);
    }
    enum class After { Go, Cancelled, Abandoned };
    After afterChunk(uint64_t done, uint64_t total, int& shownPercent);
    std::unique_ptr<TrackEncoder> openEncoder(const PcmShape& shape);
    bool encode(bool& cancelled);
    bool tagMp3();
    bool tagWithPort();
    bool showStatusLine();
    void measureGain();
    bool writeTag();
    void finish(bool cancelled);
};

void Conversion::run(const std::string& givenSource) {
    auto job = givenJob ? givenJob : onWindow([app = &app_, index = batchIndex] { return readJob(*app, index); });
    if (!job) return;
    job_ = std::move(*job);

    // 1.
    const bool mp3 = job_.format == OutputFormat::Mp3;
    const std::string formatText = formatName(job_.format);
    if (mp3 && !ep_.lookUp(app_.p.encoder, job_.module)) return fail("Unable to get Lame_Enc interface", "Message");
    if (!mp3 && app_.p.audioEncoders == nullptr)
        return fail("This program has no " + formatText + " encoder. The WAV file is kept as it is.",
                    formatText + " conversion Error");

    // 2, 3.
    std::string songName = job_.editText;
    if (!givenSource.empty()) {
        songName = givenSource;
    } else if (!job_.savePath.empty()) {
        SplitPath parts = splitPath(songName);
        songName = job_.savePath + parts.base + parts.ext;
    }
    source_ = job_.fileCount != 0 ? job_.batchEntry : songName;
    src_.reset(std::fopen(source_.c_str(), "rb"));

    // 4. The recording format becomes the examined file's, even when it is refused.
    WavHeader& header = header_;
    if (src_) {
        header = readWavHeader(src_.get());
        sourceId_ = fileId(src_.get());
    }
    std::optional<bool> format;
    if (deferred) {
        // The rip that made the file shows the MP3's name by now: only the format is taken.
        format = header.samplesPerSec() == 44100 && header.bitsPerSample() == 16 && header.channels() == 2;
        if (src_)
            report([app = &app_, header] {
                app->s.bitsPerSample = header.bitsPerSample();
                app->s.samplesPerSec = int32_t(header.samplesPerSec());
                app->s.channels = header.channels();
                return true;
            });
    } else format = onWindow([app = &app_, songName, header, opened = bool(src_)] {
        AppState& s = app->s;
        s.songName = songName;
        if (opened) {
            s.bitsPerSample = header.bitsPerSample();
            s.samplesPerSec = int32_t(header.samplesPerSec());
            s.channels = header.channels();
        }
        return s.samplesPerSec == 44100 && s.bitsPerSample == 16 && s.channels == 2;
    });
    if (!format) return abandon();
    const bool cdFormat = *format;

    // 5. A file whose chunks do not hold a whole "data" chunk is refused like a wrong format.
    if (mp3 && (!cdFormat || (src_ && !header.convertible())))
        return fail("I can't convert this file. The format is wrong.", "MP3 conversion Error");
    if (!mp3 && src_) {
        const uint16_t tag = header.formatTag();
        std::string refusal;
        if (!header.riff || !header.hasFormat || !header.hasData || header.malformed ||
            (tag != kWaveFormatPcm && tag != kWaveFormatExtensible))
            refusal = "it holds no PCM audio that can be read whole";
        else
            refusal = app_.p.audioEncoders->refusal(job_.encode, shapeOf(header));
        if (!refusal.empty())
            return fail("I can't convert \"" + source_ + "\" to " + formatText + ": " + refusal +
                            ". The WAV file is kept as it is.",
                        formatText + " conversion Error");
    }
    // 6.
    if (!src_) return fail("I can't find the file \"" + source_ + "\"", "I can't open the WAV file.");
    if (fseeko(src_.get(), off_t(header.dataOffset), SEEK_SET) != 0)
        return fail("Read error performing conversion.", "Error");

    // 7. Never the source itself, under whatever name or link it is reached.
    mp3Name_ = mp3 ? mp3NameFor(source_) : EncodedNameFor(job_.format, source_);
    std::error_code ec;
    mp3_ = std::make_unique<FileReplacement>(mp3Name_);
    if (std::filesystem::equivalent(source_, mp3Name_, ec) || !mp3_->open())
        return fail("I can't create the " + formatText + " output file. It may already exist.", mp3Name_);
    // Unbuffered: a full disk shows up at the chunk that hit it, not at the end.
    std::setvbuf(mp3_->file(), nullptr, _IONBF, 0);

    bool cancelled = false;
    if (!encode(cancelled)) return;
    finish(cancelled);
}

// Step 10: a batch of streams draws its own status line, and a deferred conversion none.
bool Conversion::showStatusLine() {
    if (batch || deferred) return true;
    if (onWindow([app = &app_] {
            app->s.statusText.clear();
            drawStatusLineNow(*app);
            setStatus(*app, "Converting:");
            return true;
        }))
        return true;
    abandon();
    return false;
}

// The track's ReplayGain values, measured as it was encoded.
void Conversion::measureGain() {
    if (meter_) gains_ = GainFields(job_.format, false, meter_->loudness(), meter_->peak());
}

// Step 8 for every format. Null when the routine has ended, its failure shown.
std::unique_ptr<TrackEncoder> Conversion::openEncoder(const PcmShape& shape) {
    std::string text, caption = "Message";
    if (job_.format == OutputFormat::Mp3) {
        auto mp3 = std::make_unique<Mp3StreamEncoder>(ep_, mp3_->file());
        if (mp3->open(job_.kbps)) return mp3;
        text = mp3->failure;
        caption = mp3->failureCaption;
    } else {
        Comments comments;
        CoverPicture cover;
        if (job_.tag) {
            comments = VorbisComments(*job_.tag);
            cover.bytes = job_.tag->coverBytes;
            if (!SniffPicture(cover)) cover = CoverPicture{};
        }
        std::string why;
        std::unique_ptr<AudioFileEncoder> made =
            app_.p.audioEncoders->create(mp3_->temporary(), job_.encode, shape, comments, cover, why);
        if (made) return std::make_unique<PortEncoder>(std::move(made), shape, formatName(job_.format));
        text = "Error opening encoding stream (" + why + ")";
    }
    fail(text, caption);
    return nullptr;
}

// Steps 8 to 13, every format through its TrackEncoder. False when the routine has ended
// (failure or exit).
bool Conversion::encode(bool& cancelled) {
    const bool mp3 = job_.format == OutputFormat::Mp3;
    // The MP3 path takes CD audio only, and every byte of the data chunk.
    const PcmShape shape = mp3 ? PcmShape{} : shapeOf(header_);
    encoder_ = openEncoder(shape);
    if (!encoder_) return false;

    // 9. Whole samples, for the MP3 library's 16-bit view of the block.
    const size_t chunkBytes = encoder_->chunkBytes();
    std::unique_ptr<int16_t[]> storage(new (std::nothrow) int16_t[(chunkBytes + 1) / 2]);
    if (!storage) {
        fail("I can't perform this conversion. We ran out of memory", "Error");
        return false;
    }
    uint8_t* const block = reinterpret_cast<uint8_t*>(storage.get());

    // 10.
    if (!showStatusLine()) return false;
    if (app_.p.loudness) meter_ = app_.p.loudness->meter(shape);
    // After the block: it ends first, and so never measures a block freed.
    MeterAlongside measuring(meter_.get());

    // 11.
    const uint32_t frameBytes = shape.frameBytes();
    const uint64_t total = mp3 ? header_.dataSize : shape.frames * frameBytes;
    uint64_t done = 0;
    int shownPercent = -1;
    while (done < total) {
        const size_t n = size_t(std::min<uint64_t>(chunkBytes, total - done));
        if (std::fread(block, 1, n, src_.get()) != n) {
            fail("Read error performing conversion.", "Error");
            return false;
        }
        measuring.start(block, n / frameBytes);
        const bool encoded = encoder_->encode(block, n);
        measuring.wait();
        if (!encoded) {
            failEncoding();
            return false;
        }
        done += n;
        const After after = afterChunk(done, total, shownPercent);
        if (after == After::Abandoned) return false;
        cancelled = after == After::Cancelled;
        if (cancelled) break;
    }

    // 12, 13. A cancelled file keeps what was encoded under its final name too.
    if (!encoder_->finish()) {
        failEncoding();
        return false;
    }
    encoder_.reset();
    src_.reset();
    if (mp3 && ep_.writeVbrHeader) ep_.writeVbrHeader(mp3_->temporary().c_str());
    measureGain();
    if (!(mp3 ? tagMp3() : tagWithPort())) return false;
    if (!mp3_->commit()) {
        fail("Write error performing " + std::string(formatName(job_.format)) + " conversion.", "Error");
        return false;
    }
    return true;
}

// The track's ReplayGain values into the closed file. False when the routine has ended.
bool Conversion::tagWithPort() {
    std::string why;
    if (gains_.empty() || app_.p.audioEncoders->updateComments(mp3_->temporary(), job_.encode.kind, gains_, why))
        return true;
    gains_.clear();
    if (onWindow([app = &app_, why, name = mp3Name_] {
            showMessage(*app, "I can't write the ReplayGain values into \"" + name + "\" (" + why +
                                  "). The file is saved without them.",
                        "Tag Error");
            return true;
        }))
        return true;
    abandon();
    return false;
}

bool Conversion::tagMp3() {
    if (job_.tag) job_.tag->userTexts.insert(job_.tag->userTexts.end(), gains_.begin(), gains_.end());
    if (writeTag()) return true;
    abandon();
    return false;
}

// After each chunk: the batch's, the rip's or the window's say on going on.
Conversion::After Conversion::afterChunk(uint64_t done, uint64_t total, int& shownPercent) {
    if (batch) {
        const BatchStream::Step step = batch->progress(done, total);
        if (step == BatchStream::Step::Stop && !s_.sessionEnding) {
            abandon();
            return After::Abandoned;
        }
        // At the session's end what was encoded is kept, as a cancelled file's is.
        return step != BatchStream::Step::Go ? After::Cancelled : After::Go;
    }
    if (deferred) {
        if (conversionStopped(s_) && !s_.sessionEnding) {
            abandon();
            return After::Abandoned;
        }
        if (conversionStopped(s_)) return After::Cancelled;
        // The click is counted: `converting` falls as each earlier track reports.
        return s_.conversionCancels != deferredCancels ? After::Cancelled : After::Go;
    }
    const int percent = int(double(done) / double(total) * 100.0);
    if (conversionStopped(s_)) {
        // At the session's end what was encoded is kept, as a cancelled file's is.
        if (s_.sessionEnding) return After::Cancelled;
        abandon();
        return After::Abandoned;
    }
    // Redrawing the same figure changes nothing on screen but costs the window a wait:
    // chunks that leave it unchanged only test the flag.
    if (percent == shownPercent && s_.converting != 0) return After::Go;
    shownPercent = percent;
    // The cancel test runs on the window's thread, in order with the panel click.
    auto cancelledNow = onWindow([app = &app_, percent] {
        AppState& s = app->s;
        drawProgress(*app, percent);
        if (s.converting == 0) {
            s.statusText = kSongNamePrompt;
            app->p.window.invalidate(nullptr, true);
            return true;
        }
        if (s.convertMode == 1) s.currentTrackText = "C";
        return false;
    });
    if (!cancelledNow && !s_.sessionEnding) {
        abandon();
        return After::Abandoned;
    }
    return !cancelledNow || *cancelledNow ? After::Cancelled : After::Go;
}

// Into the temporary file, so the MP3 appears tagged or, when the tag cannot be written, as
// it would be without one. False only at exit.
bool Conversion::writeTag() {
    if (!job_.tag || app_.p.tags == nullptr) return true;
    std::string why;
    if (app_.p.tags->writeTag(mp3_->temporary(), *job_.tag, why)) return true;
    return onWindow([app = &app_, why, name = mp3Name_] {
               showMessage(*app, "I can't write the tag into \"" + name + "\" (" + why +
                                     "). The MP3 file is saved without it.",
                           "MP3 Tag Error");
               return true;
           }).has_value();
}

// Steps 14 to 19, on the window's thread in one go.
void Conversion::finish(bool cancelled) {
    report([app = &app_, cancelled, fileCount = job_.fileCount, last = job_.lastOfRun(), source = source_,
            mp3Name = mp3Name_, sourceId = sourceId_, ends = endsConverting(),
            gain = job_.inTrackBatch && !cancelled && (job_.format != OutputFormat::Mp3 || job_.tag) ? meter_ : nullptr, format = int32_t(job_.format)] {
        AppState& s = app->s;
        Window& win = app->p.window;
        if (gain) s.albumGain.push_back({mp3Name, format, gain});
        if (s.keepWav == 0) {
            // Only an MP3 made whole from all of the file's audio replaces it: not a cancelled
            // one, nor one of a file that has grown or been replaced since it was read.
            if (!cancelled && fileId(source) == sourceId) {
                std::error_code ec;
                std::filesystem::remove(source, ec);
            }
            s.playbackActive = 0;
            win.enableControl(ID_PLAYBACK, false);
        } else if (fileCount == 0) {
            win.enableControl(ID_PLAYBACK, true);
        }
        refreshTrackTable(*app);
        if (ends) s.converting = 0;
        if (s.convertMode != 1) return true;
        if (last) {
            win.setCursor(CursorKind::Arrow);
            win.enableControl(ID_SONG_NAME_EDIT, true);
            win.enableControl(ID_EXIT, true);
            setStatus(*app, kSongNamePrompt);
            win.setTimer(PollTimer, kPollTimerMs);
            win.setControlText(ID_SONG_NAME_EDIT, lowerFileName(mp3Name));
            win.enableControl(ID_PLAYBACK, false);
        }
        if (s.keepWav == 1) s.lastRecordedFile = source;
        return true;
    });
}

}  // namespace

std::string mp3NameFor(const std::string& wavName) {
    SplitPath parts = splitPath(wavName);
    parts.ext = ".mp3";
    return joinPath(parts);
}

void WriteAlbumGain(App& app) {
    std::vector<AlbumGainEntry> entries;
    entries.swap(app.s.albumGain);
    if (entries.empty() || app.p.loudness == nullptr) return;
    std::vector<LoudnessMeter*> meters;
    double peak = 0;
    for (const AlbumGainEntry& e : entries) {
        meters.push_back(e.meter.get());
        peak = std::max(peak, e.meter->peak());
    }
    const double loudness = app.p.loudness->albumLoudness(meters);
    std::string failed, why;
    for (const AlbumGainEntry& e : entries) {
        const OutputFormat format = OutputFormat(e.format);
        const Comments fields = GainFields(format, true, loudness, peak);
        if (fields.empty()) continue;
        bool ok = false;
        if (format == OutputFormat::Mp3)
            ok = app.p.tags && app.p.tags->setUserTexts(e.file, fields, why);
        else
            ok = app.p.audioEncoders &&
                 app.p.audioEncoders->updateComments(
                     e.file, format == OutputFormat::Opus ? EncodeSettings::Opus : EncodeSettings::Flac, fields, why);
        if (!ok) failed = e.file;
    }
    if (!failed.empty())
        showMessage(app, "I can't write the album's ReplayGain values into \"" + failed + "\" (" + why + ").",
                    "Tag Error");
}

void ConvertWavFile(App& app) { ConvertWavFile(app, std::string()); }

void ConvertWavFile(App& app, const std::string& source) {
    Conversion conversion(app);
    conversion.run(source);
}

void ConvertBatchEntry(App& app, int index, BatchStream& stream) {
    Conversion conversion(app);
    conversion.batch = &stream;
    conversion.batchIndex = index;
    conversion.run(std::string());
}

void drawConversionProgress(App& app, int percent) { drawProgress(app, percent); }

// A rip batch's conversions: the tracks handed to the worker's queue, and the reports the
// window's thread has yet to collect (`pending`, which it alone reads and changes).
struct RipEncoding {
    explicit RipEncoding(std::stop_token stop) : queue(std::move(stop)) {}
    ConversionQueue queue;
    std::deque<std::shared_ptr<DeferredReport>> pending;
};

namespace {

void finishReport(DeferredReport& report) {
    {
        std::lock_guard lock(report.mutex);
        report.finished = true;
    }
    report.done.notify_all();
}

// One track's conversion on a stream of the worker's queue; its report is kept for the window.
void encodeRipTrack(App& app, Job job, uint32_t cancels, const std::shared_ptr<DeferredReport>& report) {
    {
        Conversion conversion(app);
        conversion.deferred = report;
        conversion.givenJob = std::move(job);
        conversion.deferredCancels = cancels;
        conversion.run(std::string());
    }
    finishReport(*report);
}

}  // namespace

bool QueueRipConversion(App& app) {
    AppState& s = app.s;
    if (!s.ripEncoding) {
        // A batch of WAV files still converting keeps the worker: this file converts at once.
        if (s.workerRunning) return false;
        // The previous worker has made its last window call: joining it cannot wait on us.
        if (s.convertThread.joinable()) s.convertThread.join();
        auto encoding = std::make_shared<RipEncoding>(s.conversionStop.get_token());
        const int streams = conversionStreamCount(s, std::max(s.batchCount, 1));
        s.workerRunning = true;
        try {
            s.convertThread = std::thread([&app, encoding, streams] {
                // At exit the tracks not taken report nothing: no one waits for them.
                encoding->queue.run(streams);
                app.s.workerRunning = false;
            });
        } catch (const std::system_error&) {
            s.workerRunning = false;
            return false;
        }
        s.ripEncoding = encoding;
    }
    auto report = std::make_shared<DeferredReport>();
    s.ripEncoding->queue.push({[app = &app, job = readJob(app), cancels = s.conversionCancels.load(), report] {
                                   encodeRipTrack(*app, job, cancels, report);
                               },
                               [report] { finishReport(*report); }});
    s.ripEncoding->pending.push_back(report);
    return true;
}

void CollectRipConversions(App& app, size_t keep) {
    AppState& s = app.s;
    // A message box shown here runs the window's loop: hold our own reference.
    const std::shared_ptr<RipEncoding> encoding = s.ripEncoding;
    if (!encoding) return;
    while (encoding->pending.size() > keep) {
        const std::shared_ptr<DeferredReport> report = encoding->pending.front();
        encoding->pending.pop_front();
        std::vector<std::function<void()>> calls;
        {
            std::unique_lock lock(report->mutex);
            while (!report->done.wait_for(lock, std::chrono::milliseconds(10), [&] { return report->finished; })) {
                lock.unlock();
                app.p.window.processPendingEvents();
                lock.lock();
            }
            calls.swap(report->calls);
        }
        // A window closed meanwhile has nothing left to show them on.
        if (app.destroyed) continue;
        for (auto& call : calls) call();
    }
    if (keep > 0 || !encoding->pending.empty() || s.ripEncoding != encoding) return;
    encoding->queue.close();
    s.ripEncoding.reset();
    // Its conversions have all reported: the worker only winds down, never calling the window.
    if (s.convertThread.joinable()) s.convertThread.join();
}

void StartConversionThread(App& app, const std::string& source) {
    AppState& s = app.s;
    Window& win = app.p.window;
    s.converting = 1;
    win.enableControl(ID_PLAY, false);
    win.enableControl(ID_PLAYBACK, false);
    s.convertFileCount = 0;
    // The previous worker has made its last window call: joining it cannot wait on us.
    if (s.convertThread.joinable()) s.convertThread.join();
    s.workerRunning = true;
    try {
        s.convertThread = std::thread([&app, source] {
            ConvertWavFile(app, source);
            // Another mode chosen while the file converted: the window shows that mode idle,
            // not the conversion's disabled controls and last progress figure.
            app.p.window.runOnWindowThread([&app] {
                if (app.s.convertMode != 1) restoreIdle(app);
            });
            app.s.workerRunning = false;
        });
    } catch (const std::system_error&) {
        s.workerRunning = false;
        s.converting = 0;
        restoreIdle(app);
        showMessage(app, "I can't perform this conversion. We ran out of memory", "Error");
    }
}

void ConvertPlayCommand(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    // One worker at a time: Play is disabled while it runs, but a command can still arrive,
    // also after a panel click while the cancelled worker winds down.
    if (s.converting == 1 || s.workerRunning) return;

    // 1.
    SplitPath parts = splitPath(win.controlText(ID_SONG_NAME_EDIT, kSongNameChars));
    parts.ext = ".wav";
    s.songName = joinPath(parts);
    win.setControlText(ID_SONG_NAME_EDIT, s.songName.str());
    const std::string source = findExistingFile(s.songName.str());

    // 2, 3.
    File file(std::fopen(source.c_str(), "rb"));
    if (!file) {
        showMessage(app, "I can't find this WAV file. \"" + source + "\"", "File Error");
        return;
    }
    const WavHeader header = readWavHeader(file.get());
    file.reset();

    // 4, 5.
    s.bitsPerSample = header.bitsPerSample();
    s.samplesPerSec = int32_t(header.samplesPerSec());
    s.channels = header.channels();
    // FLAC and Opus take what the file holds; the conversion says what they cannot.
    const OutputFormat format = outputFormatOf(s);
    if (format == OutputFormat::Mp3 && (s.bitsPerSample != 16 || s.samplesPerSec != 44100 || s.channels != 2)) {
        // A file with no WAV format at all is told so, not sent to the WAV settings alone.
        const std::string reason =
            header.riff && header.hasFormat ? "" : " \"" + source + "\" is not a WAV file.";
        showMessage(app,
                    "To convert, the WAV file must be recorded in stereo with 16 bits per sample and 44,100 samples "
                    "per second. Click on \"Settings->WAV Parameters.\"" + reason,
                    "Error");
        s.convertMode = 0;
        sendCommand(app, ID_RECORD_FROM_CD);
        return;
    }

    // 6.
    if (s.keepWav == 0 &&
        showMessage(app, "Are you sure you want to delete the WAV file after conversion?",
                    std::string(formatName(format)) + " Convert", MB_YESNO) ==
            IDNO)
        s.keepWav = 1;

    // 7.
    win.setCursor(CursorKind::Wait);
    win.enableControl(ID_PLAYBACK, false);
    win.enableControl(ID_SONG_NAME_EDIT, false);
    win.updateControl(ID_SONG_NAME_EDIT);
    win.killTimer(PollTimer);
    StartConversionThread(app, source);
}

void CancelConversion(App& app) {
    int32_t running = 1;
    if (app.s.converting.compare_exchange_strong(running, 0)) ++app.s.conversionCancels;
}

void StopConversionWorker(App& app) {
    AppState& s = app.s;
    if (!s.convertThread.joinable()) return;
    s.conversionStop.request_stop();
    s.converting = 0;
    s.convertThread.join();
    // A stop is for good: the next worker starts with a source of its own.
    s.conversionStop = std::stop_source();
}

}  // namespace wl
