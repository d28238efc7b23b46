#pragma once
// The five source modes (Source menu), and the small commands of the Options and Help menus:
// Volume Control, Help Contents and About.
#include "app/App.h"

namespace wl {

void RecordFromCdCommand(App& app);          // 116
void RecordFromLineInCommand(App& app);      // 117
void PartialCdRecordingCommand(App& app);    // 118, a toggle
void ConvertWavToMp3Command(App& app);       // 119
void RipFromCdCommand(App& app);             // 120
void VolumeControlCommand(App& app);         // 113
void HelpContentsCommand(App& app);          // 123
void AboutCommand(App& app);                 // 124

// The About box's text.
std::string AboutText();

// What Volume Control and Help Contents say when the desktop has nothing to start them with.
inline constexpr const char* kNoVolumeControlText =
    "No volume control program was found. Install pavucontrol (PulseAudio Volume Control) to set "
    "the playback and recording levels, then choose Volume Control again.";
inline constexpr const char* kNoHelpViewerText =
    "The help page could not be opened: no web browser was found to show it. Install a web "
    "browser, for example firefox-esr, then choose Help Contents (F1) again.";

}  // namespace wl
