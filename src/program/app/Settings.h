#pragma once
// The settings file "Wavelathe.ini" in the working folder (`workingDir`, given at start):
// fixed offsets, decimal text fields.
#include "app/App.h"

namespace wl {

constexpr const char* kSettingsFileName = "Wavelathe.ini";
constexpr long kSettingsPathOffset = 100;
constexpr size_t kSettingsPathWritten = 255;
constexpr size_t kSettingsFileSize = kSettingsPathOffset + kSettingsPathWritten;  // 355

// workingDir + "/Wavelathe.ini"; the bare name when no folder was given.
std::string SettingsFilePath(const AppState& s);

// Fills the persisted fields (reads nothing when the file is missing) and sets menu item 126.
void ReadSettings(App& app);
// The defaults, applied when the file gave none (bitsPerSample read as 0).
void ApplyDefaultSettings(App& app);
// Command 115: writes the fields back, creating the file when it does not exist.
void SaveSettings(App& app);

}  // namespace wl
