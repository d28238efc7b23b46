#include "resources/Menu.h"

#include "app/Commands.h"

namespace wl {

std::vector<MenuPopup> MainMenu() {
    return {
        {"&Options",
         {{ID_TRACKS_TO_RECORD, "Tracks to Record...\tCtrl+T"},
          {ID_WAV_FILES_TO_CONVERT, "WAV Files to Convert...\tCtrl+F"},
          {ID_VOLUME_CONTROL, "Volume Control...\tCtrl+V"},
          {ID_DEFAULT_RIPPING_PLAYER, "Default Ripping Player...\tCtrl+D"},
          {0, ""},
          {ID_DISC_INFORMATION, "Disc Information...\tCtrl+N"},
          {ID_PATH_TO_SAVE_FILES, "Path to Save Files...\tCtrl+P"},
          {ID_SAVE_SETTINGS, "Save Settings\tCtrl+S"},
          {0, ""},
          {ID_EXIT, "Exit"}},
         false},
        {"So&urce",
         {{ID_RIP_FROM_CD, "Rip from CD"},
          {ID_RECORD_FROM_CD, "Record from CD"},
          {ID_RECORD_FROM_LINE_IN, "Record from Line In"},
          {ID_CONVERT_WAV_TO_MP3, "Convert WAV to MP3"},
          {0, ""},
          {ID_PARTIAL_CD_RECORDING, "Partial CD Recording"}},
         false},
        {"&Settings",
         {{ID_WAV_PARAMETERS, "WAV Parameters...\tCtrl+W"},
          {ID_MP3_PARAMETERS, "MP3 Parameters...\tCtrl+M"},
          {ID_OUTPUT_FORMAT, "Output Format..."},
          {0, ""},
          {ID_READ_OFFSET, "Read Offset..."},
          {ID_READ_MODE, "Read Mode..."},
          {ID_TEST_AND_COPY, "Test && Copy"},
          {ID_LOOK_UP_ONLINE, "Look Up Disc Names Online"}},
         false},
        {"&Help", {{ID_HELP_CONTENTS, "Contents\tF1"}, {0, ""}, {ID_ABOUT, "About"}}, true},
    };
}

std::vector<Accelerator> MainAccelerators() {
    using K = Accelerator;
    return {
        {K::Char, 6, ID_WAV_FILES_TO_CONVERT}, {K::Char, 4, ID_DEFAULT_RIPPING_PLAYER},
        {K::Char, 13, ID_MP3_PARAMETERS},      {K::Char, 16, ID_PATH_TO_SAVE_FILES},
        {K::Char, 19, ID_SAVE_SETTINGS},       {K::Char, 20, ID_TRACKS_TO_RECORD},
        {K::Char, 22, ID_VOLUME_CONTROL},      {K::Char, 23, ID_WAV_PARAMETERS},
        {K::VirtualKey, 112, ID_HELP_CONTENTS},  {K::Char, 14, ID_DISC_INFORMATION},
    };
}

}  // namespace wl
