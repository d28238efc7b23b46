// wavelathe offset detect: Settings > Read Offset... with its Detect button pressed, as a user
// would press it; the dialog is then cancelled, so the setting stays as it was. What the dialog
// says is what is printed.
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>

#include "app/Commands.h"
#include "cli/Cli.h"
#include "cli/CliProgram.h"
#include "cli/Subcommands.h"

namespace wl::cli {

namespace {

// The Read Offset dialog's controls.
constexpr int kDetectButton = 170, kDetectedText = 171;

// The samples after a heading in the dialog's text ("Detected: +667 samples"), if a number follows.
std::optional<int> samplesAfter(const std::string& text, const std::string& heading) {
    const size_t at = text.find(heading);
    if (at == std::string::npos) return std::nullopt;
    const char* from = text.c_str() + at + heading.size();
    if (*from != '+' && *from != '-' && (*from < '0' || *from > '9')) return std::nullopt;
    char* end = nullptr;
    const long v = std::strtol(from, &end, 10);
    if (end == from) return std::nullopt;
    return int(v);
}

}  // namespace

int RunOffsetDetect(const SourceOptions& o, const std::atomic<bool>& stop) {
    CliProgram prog(ProgramOptions{o.disc, o.settings, !o.noLookup});
    if (!prog.refused().empty()) {
        std::cerr << "wavelathe: " << prog.refused() << "\n";
        return kUsage;
    }
    int driveIndex = o.disc.empty() ? -1 : 0;
    if (!o.drive.empty() && (driveIndex = prog.cdrom->listIndexOf(o.drive)) < 0) {
        std::cerr << "wavelathe: there is no CD drive \"" << o.drive << "\"\n";
        return kUsage;
    }
    HeadlessWindow& window = prog.window;
    window.stopRequested = &stop;
    window.onMessage = [](const ShownMessage& m) { std::cerr << "wavelathe: " << m.caption << ": " << m.text << "\n"; };
    std::string said;
    bool opened = false;
    try {
        if (!prog.create()) {
            std::cerr << "wavelathe: the program did not start\n";
            return kFailed;
        }
        if (o.noLookup) prog.s().lookupsOff = 1;
        std::string why;
        if (!prog.readDisc(driveIndex, why)) {
            std::cerr << "wavelathe: " << why << "\n";
            return kFailed;
        }
        if (!o.quiet) std::cerr << "Looking the disc up in AccurateRip and reading around frame 450...\n";
        window.dialogScript = [&](const DialogTemplate& dialog, DialogProc& proc, Dialog& dlg) {
            if (dialog.name != "ReadOffset") return IDCANCEL;
            opened = true;
            proc.onInit(dlg);
            proc.onCommand(dlg, kDetectButton, BN_CLICKED);
            // The dialog says "..." while it waits for an answer.
            const auto waiting = [&] {
                said = dlg.text(kDetectedText, 1024);
                return said.size() >= 3 && said.compare(said.size() - 3, 3, "...") == 0;
            };
            window.serveUntil([&] { return !waiting(); }, 120000);
            proc.onCommand(dlg, IDCANCEL, BN_CLICKED);
            return IDCANCEL;
        };
        window.sendCommand(ID_READ_OFFSET);
        window.dialogScript = nullptr;
    } catch (const Interrupted&) {
        return kInterrupted;
    }
    prog.shutDown();
    if (!opened || said.empty()) {
        std::cerr << "wavelathe: the read offset could not be detected\n";
        return kFailed;
    }
    // One line for what was detected, one for what the drive offset list says.
    for (const char* listed : {" Listed for this drive:", " This drive is not"})
        if (const size_t at = said.find(listed); at != std::string::npos) said.replace(at, 1, "\n");
    std::cout << said << "\n";
    const std::optional<int> detected = samplesAfter(said, "Detected: ");
    if (detected) std::cout << "The read offset setting is unchanged; rip with --offset " << *detected << " to use it.\n";
    return detected ? kDone : kFailed;
}

}  // namespace wl::cli
