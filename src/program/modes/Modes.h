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

}  // namespace wl
