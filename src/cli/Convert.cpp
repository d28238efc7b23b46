// wavelathe convert: the window's WAV Files to Convert batch, on every core (the program's
// conversion pool), in the output format chosen. The program writes each file beside its WAV;
// for --out the WAVs are linked into the mirrored tree first, so each file is made there, and
// the links go after.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>

#include "app/Commands.h"
#include "app/OutputFormat.h"
#include "cli/Cli.h"
#include "cli/CliProgram.h"
#include "cli/Progress.h"
#include "cli/Subcommands.h"
#include "mp3/BatchConvert.h"
#include "mp3/Convert.h"
#include "mp3/EncodedTags.h"

namespace wl::cli {

namespace fs = std::filesystem;

namespace {

bool isWavName(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return ext == ".wav";
}

struct Entry {
    fs::path source;   // the WAV given or found
    fs::path convert;  // what the program converts: the source, or a link to it in --out's tree
    bool linked = false;
    fs::file_time_type mp3Before = fs::file_time_type::min();  // an MP3 there before the run
};

// A file that exists and was written by this run.
bool madeNow(const Entry& e, const fs::path& mp3) {
    std::error_code ec;
    const auto when = fs::last_write_time(mp3, ec);
    return !ec && (e.mp3Before == fs::file_time_type::min() || when != e.mp3Before);
}

}  // namespace

int RunConvert(const ConvertOptions& o, const std::atomic<bool>& stop) {
    if (o.format == "wav") {
        std::cerr << "wavelathe: convert makes MP3, FLAC or Opus files from WAV files; --format wav has nothing to do\n";
        return kUsage;
    }
    const OutputFormat format =
        o.format == "flac" ? OutputFormat::Flac : o.format == "opus" ? OutputFormat::Opus : OutputFormat::Mp3;
    const auto encodedName = [format](const fs::path& wav) {
        return fs::path(format == OutputFormat::Mp3 ? mp3NameFor(wav.string()) : EncodedNameFor(format, wav.string()));
    };
    std::error_code ec;
    const fs::path out = o.out.empty() ? fs::path() : fs::absolute(o.out, ec);
    std::vector<Entry> entries;
    for (const std::string& input : o.inputs) {
        const fs::path given = fs::absolute(input, ec);
        if (fs::is_regular_file(given, ec)) {
            entries.push_back({given, out.empty() ? given : out / given.filename()});
        } else if (fs::is_directory(given, ec)) {
            std::vector<fs::path> found;
            for (auto it = fs::recursive_directory_iterator(given, fs::directory_options::skip_permission_denied, ec);
                 !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
                if (it->is_regular_file(ec) && isWavName(it->path())) found.push_back(it->path());
            std::sort(found.begin(), found.end());
            for (const fs::path& f : found)
                entries.push_back({f, out.empty() ? f : out / fs::relative(f, given, ec)});
        } else {
            std::cerr << "wavelathe: \"" << input << "\": no such file or folder\n";
            return kUsage;
        }
    }
    if (entries.empty()) {
        std::cerr << "wavelathe: no WAV files found in what was given\n";
        return kFailed;
    }

    // The mirrored tree: a link to each WAV where its MP3 is to be.
    int status = kDone;
    std::vector<Entry> ready;
    for (Entry& e : entries) {
        if (const auto t = fs::last_write_time(encodedName(e.convert), ec); !ec) e.mp3Before = t;
        if (e.convert == e.source) {
            ready.push_back(e);
            continue;
        }
        fs::create_directories(e.convert.parent_path(), ec);
        if (fs::exists(fs::symlink_status(e.convert, ec))) {
            if (!fs::equivalent(e.convert, e.source, ec)) {
                std::cerr << "wavelathe: \"" << e.convert.string() << "\" exists already; \"" << e.source.string()
                          << "\" is not converted\n";
                status = kFailed;
                continue;
            }
        } else {
            fs::create_symlink(e.source, e.convert, ec);
            if (ec) {
                std::cerr << "wavelathe: cannot write into \"" << e.convert.parent_path().string() << "\": " << ec.message()
                          << "\n";
                status = kFailed;
                continue;
            }
            e.linked = true;
        }
        ready.push_back(e);
    }
    auto removeLinks = [&] {
        for (const Entry& e : ready)
            if (e.linked) fs::remove(e.convert, ec);
    };

    CliProgram prog(ProgramOptions{"", "", false, true});
    if (!prog.refused().empty()) {
        removeLinks();
        std::cerr << "wavelathe: " << prog.refused() << "\n";
        return kUsage;
    }
    Progress progress(o.quiet);
    HeadlessWindow& window = prog.window;
    window.stopRequested = &stop;
    AppState& s = prog.s();
    std::vector<ShownMessage> startMessages;
    window.onMessage = [&startMessages](const ShownMessage& m) { startMessages.push_back(m); };
    bool interrupted = false;
    try {
        // No drive is needed: what the start says of one is no business of a conversion.
        if (!prog.create()) {
            removeLinks();
            for (const ShownMessage& m : startMessages) std::cerr << "wavelathe: " << m.caption << ": " << m.text << "\n";
            std::cerr << "wavelathe: the program did not start\n";
            return kFailed;
        }
        window.sendCommand(ID_CONVERT_WAV_TO_MP3);
        window.onMessage = [&progress](const ShownMessage& m) { progress.note("wavelathe: " + m.caption + ": " + m.text); };
        if ((format == OutputFormat::Mp3 && s.encoderModule == nullptr) || s.convertMode != 1) {
            removeLinks();
            std::cerr << "wavelathe: MP3 files cannot be made: the encoder library was not found\n";
            return kFailed;
        }
        s.outputFormat = int32_t(format);  // the program's output format setting
        s.keepWav = 1;  // the WAVs given are the user's; the links are removed here
        s.conversionStreams = o.jobs;
        window.onDrawnText = [&](const std::string& text) {
            if (text.rfind("Converting: ", 0) == 0) progress.update(std::atof(text.c_str() + 12), 100, 0);
        };
        for (size_t first = 0; first < ready.size(); first += kMaxConvertFiles) {
            const size_t count = std::min(kMaxConvertFiles, ready.size() - first);
            s.convertFiles.clear();
            for (size_t i = first; i < first + count; ++i) s.convertFiles.push_back(ready[i].convert.string());
            s.convertFileCount = int32_t(count);
            s.convertFileIndex = 0;
            progress.begin("Converting " + std::to_string(count) + (count == 1 ? " file" : " files"));
            StartBatchConversion(*prog.app);
            window.serveUntil([&] { return !s.workerRunning; }, -1);
            progress.end("done");
        }
    } catch (const Interrupted&) {
        interrupted = true;
        progress.end("stopped; the unfinished files are removed");
    }
    prog.shutDown();  // stops the worker: an MP3 under way is removed
    removeLinks();

    for (const Entry& e : ready) {
        const fs::path mp3 = encodedName(e.convert);
        if (madeNow(e, mp3)) {
            std::cout << e.source.string() << " -> " << mp3.string() << "\n";
        } else {
            if (!interrupted) std::cout << e.source.string() << ": not converted\n";
            status = kFailed;
        }
    }
    return interrupted ? kInterrupted : status;
}

}  // namespace wl::cli
