#pragma once
// The WAV and MP3 Recording Parameters dialogs. The radio buttons write their fields at
// once; Cancel restores the snapshot taken at opening, OK marks the settings as changed.
#include "app/App.h"

namespace wl {

// ID_WAV_PARAMETERS (121): the WAV dialog, then the MP3 dialog when it ended with OK and
// conversion is on.
void WavParametersCommand(App& app);
// ID_MP3_PARAMETERS (122).
void Mp3ParametersCommand(App& app);

}  // namespace wl
