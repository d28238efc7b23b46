#include "rip/RipEngine.h"

#include "app/Commands.h"
#include "app/Display.h"

namespace wl {

// Until the extraction exists the branch gives the window back as it found it.
void RipPlayBranch(App& app) {
    Window& win = app.p.window;
    for (int id : {ID_WAV_PARAMETERS, ID_RIP_FROM_CD, ID_RECORD_FROM_CD, ID_RECORD_FROM_LINE_IN, ID_CONVERT_WAV_TO_MP3,
                   ID_PARTIAL_CD_RECORDING, ID_TRACKS_TO_RECORD, ID_DEFAULT_RIPPING_PLAYER})
        win.enableMenuItem(id, true);
    if (app.s.convertToMp3 == 1) win.enableMenuItem(ID_MP3_PARAMETERS, true);
    win.enableControl(ID_SONG_NAME_EDIT, true);
    win.enableControl(ID_PLAY, true);
    setStatus(app, "Enter song name or click here:");
}

}  // namespace wl
