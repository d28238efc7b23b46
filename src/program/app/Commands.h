#pragma once
// Command identifiers of the main window, and the window's fixed timers.
#include <cstddef>

namespace wl {

enum CommandId : int {
    ID_PLAY = 102,
    ID_SAVE = 103,
    ID_PLAYBACK = 104,
    ID_STOP_PLAYBACK = 105,
    ID_EJECT = 106,
    ID_EXIT = 107,
    ID_PREV_TRACK = 108,
    ID_NEXT_TRACK = 109,
    ID_FIRST_TRACK = 110,
    ID_LAST_TRACK = 111,
    ID_TRACKS_TO_RECORD = 112,
    ID_VOLUME_CONTROL = 113,
    ID_WAV_FILES_TO_CONVERT = 114,
    ID_SAVE_SETTINGS = 115,
    ID_RECORD_FROM_CD = 116,
    ID_RECORD_FROM_LINE_IN = 117,
    ID_PARTIAL_CD_RECORDING = 118,
    ID_CONVERT_WAV_TO_MP3 = 119,
    ID_RIP_FROM_CD = 120,
    ID_WAV_PARAMETERS = 121,
    ID_MP3_PARAMETERS = 122,
    ID_HELP_CONTENTS = 123,
    ID_ABOUT = 124,
    ID_DEFAULT_RIPPING_PLAYER = 126,
    ID_PATH_TO_SAVE_FILES = 133,
    ID_READ_OFFSET = 137,
    ID_LOOK_UP_ONLINE = 138,
    ID_DISC_INFORMATION = 150,
    ID_READ_MODE = 152,
    ID_TEST_AND_COPY = 153,
    ID_OUTPUT_FORMAT = 151,
};

constexpr int ID_SONG_NAME_EDIT = -1;      // its notifications arrive as 65535 and are ignored
constexpr size_t kSongNameChars = 254;     // the most its text is read with
constexpr int ID_SELECTION_LIST_BOX = 140;

enum TimerId : int { RecordTimer = 1, PollTimer = 2, ClockTimer = 3 };
constexpr int kRecordTimerMs = 990;
constexpr int kPollTimerMs = 1000;
constexpr int kClockTimerMs = 1000;

enum SourceMode : int {
    RipFromCd = 0,
    RecordFromCd = 1,
    RecordFromLineIn = 2,
    ConvertWavToMp3 = 3,
    PartialCdRecording = 4,
};

}  // namespace wl
