#include "cli/Cli.h"

#include <CLI/CLI.hpp>

#include <csignal>
#include <cstring>
#include <iostream>
#include <string>

#include "cli/Subcommands.h"

namespace wl::cli {

namespace {

constexpr const char* kStatuses =
    "Exit status:\n"
    "  0    done: every track verified, or not verifiable (the output says why); offset detect: an offset proposed\n"
    "  1    failed: the disc, a file or the encoder could not be used; the output says which;\n"
    "       offset detect: no offset proposed (the output says why)\n"
    "  2    bad usage: an unknown option, a bad value, a missing disc image or settings file\n"
    "  3    done, but some tracks are not confirmed by the AccurateRip database that knows the disc\n"
    "  4    done, with read errors: some frames could not be read and are silence, or Test & Copy's passes differ\n"
    "  130  stopped by SIGINT or SIGTERM: finished files kept, the unfinished one removed, the log written\n";

// Where the signal handler finds the run to stop; one run per process.
std::atomic<std::atomic<bool>*> g_stopFlag{nullptr};

extern "C" void onStopSignal(int) {
    if (std::atomic<bool>* flag = g_stopFlag.load()) flag->store(true);
}

void addSourceOptions(CLI::App* sub, SourceOptions& o) {
    auto* disc = sub->add_option("--disc", o.disc, "a CUE/BIN or cdrdao TOC disc image as the CD drive");
    auto* drive = sub->add_option("--drive", o.drive, "the CD drive's device (e.g. /dev/sr0)");
    disc->excludes(drive);
    sub->add_flag("--no-lookup", o.noLookup, "ask no online database (no names, no verification)");
    sub->add_option("--settings", o.settings, "read the settings from this Wavelathe.ini (none is read otherwise)");
    sub->add_flag("-q,--quiet", o.quiet, "no progress on standard error");
}

}  // namespace

bool IsSubcommand(int argc, char** argv) {
    if (argc < 2) return false;
    for (const char* name : {"info", "rip", "convert", "offset"})
        if (std::strcmp(argv[1], name) == 0) return true;
    return false;
}

int Run(int argc, char** argv) {
    CLI::App app{"Wavelathe without its window: look a disc up, rip it, convert WAV files.", "wavelathe"};
    app.require_subcommand(1);
    app.footer(std::string("Without a subcommand the window opens (wavelathe [--disc IMAGE]).\n\n") + kStatuses);

    InfoOptions info;
    auto* infoCmd = app.add_subcommand("info", "the disc's table of contents, IDs, CD-Text and names found online");
    addSourceOptions(infoCmd, info.source);
    infoCmd->add_flag("--json", info.json, "one JSON object on standard output (fields: see the README)");

    RipOptions rip;
    auto* ripCmd = app.add_subcommand("rip", "rip tracks under the disc's names, tag them, write the log and cue sheet");
    addSourceOptions(ripCmd, rip.source);
    ripCmd->add_option("--tracks", rip.tracks, "the tracks to rip, as 1,3-5 (default: all)");
    ripCmd->add_option("--format", rip.format,
                       "wav, mp3, flac or opus (default: wav); FLAC level and Opus bit rate from the settings")
        ->check(CLI::IsMember({"wav", "mp3", "flac", "opus"}));
    ripCmd->add_option("--out", rip.out, "the folder for the files, the log and the cue sheet (default: here)");
    ripCmd->add_option("--offset", rip.offset, "the drive's read offset in samples, -5000..5000 (an image has none)")
        ->check(CLI::Range(-5000, 5000));
    ripCmd->add_option("--release", rip.release, "the MusicBrainz release ID whose names to use");
    ripCmd->add_option("--name-format", rip.nameFormat,
                       "file names: %n track number, %t title, %a artist, %A album, %y year, %d disc number, "
                       "%i freedb disc ID, %% a percent sign (default: \"%n %t\")");
    ripCmd->add_option("--mode", rip.mode,
                       "the read mode: burst, secure (paranoia) or auto (secure where burst is not confirmed); "
                       "default: the settings' mode, burst")
        ->check(CLI::IsMember({"burst", "secure", "auto"}));
    ripCmd->add_flag("--test-and-copy", rip.testAndCopy, "read every track twice and compare the passes");

    ConvertOptions convert;
    auto* convertCmd =
        app.add_subcommand("convert", "convert WAV files (folders searched recursively) to MP3, FLAC or Opus");
    convertCmd->add_option("files", convert.inputs, "WAV files and folders")->required();
    convertCmd->add_option("--format", convert.format, "mp3, flac or opus (default: mp3)")
        ->check(CLI::IsMember({"wav", "mp3", "flac", "opus"}));
    convertCmd->add_option("--out", convert.out, "the folder for the files made, the folders given mirrored under it");
    convertCmd->add_option("--jobs", convert.jobs, "files converted at once (default: one per processor core)")
        ->check(CLI::Range(1, 256));
    convertCmd->add_flag("-q,--quiet", convert.quiet, "no progress on standard error");

    SourceOptions offsetSource;
    auto* offsetCmd = app.add_subcommand("offset", "the drive's read offset");
    offsetCmd->require_subcommand(1);
    auto* detectCmd = offsetCmd->add_subcommand(
        "detect", "propose the drive's read offset from a disc AccurateRip knows, and name the listed one; sets nothing");
    addSourceOptions(detectCmd, offsetSource);

    for (CLI::App* sub : {infoCmd, ripCmd, convertCmd, detectCmd}) sub->footer(kStatuses);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kDone : kUsage;
    }

    rip.offsetGiven = ripCmd->count("--offset") > 0;
    std::atomic<bool> stop{false};
    g_stopFlag = &stop;
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    struct sigaction oldInt {}, oldTerm {};
    sigaction(SIGINT, &action, &oldInt);
    sigaction(SIGTERM, &action, &oldTerm);

    int status = kUsage;
    if (*infoCmd) status = RunInfo(info, stop);
    else if (*ripCmd) status = RunRip(rip, stop);
    else if (*convertCmd) status = RunConvert(convert, stop);
    else if (*detectCmd) status = RunOffsetDetect(offsetSource, stop);

    sigaction(SIGINT, &oldInt, nullptr);
    sigaction(SIGTERM, &oldTerm, nullptr);
    g_stopFlag = nullptr;
    return status;
}

}  // namespace wl::cli
