#pragma once
// Play back of the last recording through the wave device, ended by Stop Play Back or by the
// device's end-of-play notification.
#include <string>

#include "app/App.h"

namespace wl {

void StartPlayback(App& app);  // ID_PLAYBACK
void StopPlayback(App& app);   // ID_STOP_PLAYBACK

}  // namespace wl
