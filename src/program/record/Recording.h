#pragma once
// Recording through the wave device: from the CD while it plays a track, from the line input,
// or a part of a track started by hand; naming, checking and saving the result, the MP3
// chaining after the save and the continuation of a track batch.
#include <string>

#include "app/App.h"

namespace wl {

// ID_PLAY outside the convert mode (in the rip mode it hands over after the name checks).
void StartRecording(App& app);
// The Start button of the Partial CD Recording mode: the CD already plays, the device is set.
void BeginCapture(App& app);
// ID_SAVE: stops the capture, saves it and returns to idle, or records the next batch entry.
// A save that fails keeps the recording in the device until the user saves it elsewhere.
void SaveRecording(App& app);

// Asks about an existing file in `folder` ("" = the working folder). False = Cancel.
bool ConfirmOverwrite(App& app, const std::string& folder, const std::string& candidate);
// Room for the track in trackTimeText, in the recording format, with 30 % to spare.
bool CheckDiskSpace(App& app);
// Bytes a recording of `lengthText` (mm:ss...) takes in the format, as a 32-bit product.
uint32_t RequiredRecordingBytes(const std::string& lengthText, int channels, int samplesPerSec, int bitsPerSample);
bool HasRoomFor(double availableBytes, uint32_t requiredBytes);

// At exit, before the devices are closed: a recording that has captured something is not
// thrown away without asking. Yes saves it as Save would (another name is asked for while
// the save fails), No discards it.
void KeepRecordingAtExit(App& app);

}  // namespace wl
