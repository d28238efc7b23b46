#include "record/Recording.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/Commands.h"
#include "app/Display.h"
#include "app/FileNames.h"
#include "app/Paths.h"
#include "disc/DiscSession.h"
#include "mp3/Convert.h"
#include "rip/RipEngine.h"

namespace wl {

namespace fs = std::filesystem;

namespace {

constexpr const char* kRecordingWav = "Recording WAV file...";
constexpr const char* kRecordingIntermediate = "Recording intermediate file...";
constexpr const char* kClickStart = "Click on Start to record...";
constexpr size_t kMciErrorBytes = 128;
constexpr uint32_t kWaveSetFlags = MCI_SET_TIME_FORMAT | MCI_WAVE_SET_FORMATTAG | MCI_WAVE_SET_CHANNELS |
                                   MCI_WAVE_SET_SAMPLESPERSEC | MCI_WAVE_SET_AVGBYTESPERSEC |
                                   MCI_WAVE_SET_BLOCKALIGN | MCI_WAVE_SET_BITSPERSAMPLE;
constexpr int kBusyMenuItems[] = {ID_RIP_FROM_CD,        ID_RECORD_FROM_CD,       ID_RECORD_FROM_LINE_IN,
                                  ID_CONVERT_WAV_TO_MP3, ID_PARTIAL_CD_RECORDING, ID_TRACKS_TO_RECORD,
                                  ID_DEFAULT_RIPPING_PLAYER, ID_WAV_PARAMETERS,   ID_MP3_PARAMETERS};
constexpr int kTrackButtons[] = {ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK};

std::string mciErrorText(App& app, uint32_t code) { return app.p.mci.errorText(code, kMciErrorBytes); }

uint32_t waveCommand(App& app, uint32_t message, uint32_t flags = 0, MciParams params = {}) {
    return app.p.mci.sendCommand(app.s.waveDeviceId, message, flags, params);
}

void focusSongName(App& app) { app.p.window.setFocus(ID_SONG_NAME_EDIT); }

// The name the user typed, forced to ".wav" with its file name lower-cased (folders keep their
// case). `typedExt` receives the extension as typed.
std::string wavNameFrom(const std::string& typed, std::string* typedExt = nullptr) {
    SplitPath parts = splitPath(typed);
    if (typedExt) *typedExt = parts.ext;
    parts.ext = ".wav";
    return joinPath(parts);
}

// A name too long to be read back whole from the name box, in its own folder or in the save
// folder, loses the end of its base name, never its ".wav". False when the folder leaves no room.
bool cutToFit(std::string& name, const std::string& savePath) {
    SplitPath parts = splitPath(name);
    const size_t folder = std::max(parts.drive.size() + parts.dir.size(), savePath.size());
    if (folder + parts.base.size() + parts.ext.size() <= kSongNameChars) return true;
    if (folder + parts.ext.size() >= kSongNameChars) return false;
    // Never half a character of a UTF-8 name.
    parts.base = CutAtCharacter(parts.base, kSongNameChars - folder - parts.ext.size());
    name = joinPath(parts);
    return !parts.base.empty();
}

std::string folderOf(const std::string& path) {
    SplitPath parts = splitPath(path);
    return parts.drive + parts.dir;
}

// A start that failed after the menus were greyed gives everything back, so a missing sound
// input or a busy drive leaves nothing half-done (no device open, no timer lost, no batch
// half-run).
void abandonStart(App& app, bool closeWave) {
    AppState& s = app.s;
    Window& win = app.p.window;
    if (closeWave && app.p.mci.deviceId("wave") != 0) waveCommand(app, MCI_CLOSE);
    win.killTimer(RecordTimer);
    win.setTimer(PollTimer, kPollTimerMs);
    s.recording = 0;
    s.cdPlaying = 0;
    s.captured = 0;
    s.batchCount = 0;
    enableIdleMenus(app);
    setStatus(app, kSongNamePrompt);
    focusSongName(app);
}

// Track t of batch entry `index`, or 0 when the entry is out of the selection's bounds.
int batchTrack(const AppState& s, int index) {
    if (index < 0 || size_t(index) >= s.selectionTracks.size()) return 0;
    const int t = s.selectionTracks[size_t(index)];
    return t >= 1 && size_t(t) < s.trackNames.size() ? t : 0;
}

std::string playCommand(const AppState& s) {
    const std::string n = std::to_string(s.currentTrack);
    std::string command = "play cd from " + n + ":00:00:00";
    if (s.currentTrack < s.trackCount)
        command += " to " + std::to_string(s.currentTrack + 1) + ":00:00:00";
    else if (s.currentTrack == s.trackCount)
        command += " to " + n + ":" + s.trackTimeText.str();
    return command;
}

// Step 8 of the start: the file checks and the status of a single recording. False = Cancel.
bool checkSingleRecording(App& app, const std::string& base) {
    AppState& s = app.s;
    s.batchIndex = 0;
    // The folder the file will be saved in: a file of the typed folder is not the one replaced.
    const std::string folder = !s.savePath.empty() ? s.savePath.str() : folderOf(s.songName.str());
    if (s.keepWav == 1 && !ConfirmOverwrite(app, folder, base + ".wav")) return false;
    if (s.convertToMp3 == 1 && s.keepWav == 0) {
        if (!ConfirmOverwrite(app, folder, base + ".mp3")) return false;
        setStatus(app, s.partialMode == 1 ? kClickStart : kRecordingIntermediate);
    }
    if (s.cdMode == 1) setStatus(app, kRecordingIntermediate);
    if (s.convertToMp3 == 0) {
        if (s.partialMode == 1)
            setStatus(app, kClickStart);
        else if (s.ripMode == 0)
            setStatus(app, kRecordingWav);
    }
    return true;
}

// Step 14.1: the next entry of a batch is named after its track.
void nameBatchEntry(App& app) {
    AppState& s = app.s;
    if (s.batchIndex == 0) s.batchFolder = folderOf(s.songName.str());
    const int t = batchTrack(s, s.batchIndex);
    if (t == 0) return;
    s.currentTrackText = std::to_string(t);
    app.p.window.setControlText(ID_SONG_NAME_EDIT,
                                lowerFileName(s.batchFolder.str() + s.trackNames[size_t(t)].str() + ".wav"));
    invalidateTrackNumber(app);
    mciSend(app, "status cd length track " + s.currentTrackText.str(), true);
    s.trackTimeText = s.mciReply.view();
    invalidateTrackTime(app);
}

// Audio still held by the wave device after a failed save (milliseconds, 0 when none).
long heldMilliseconds(App& app) {
    if (mciSend(app, "status wave length", true) != 0) return 0;
    return std::strtol(app.s.mciReply.c_str(), nullptr, 10);
}

void drawSavingNow(App& app) {
    AppState& s = app.s;
    s.statusText = std::string("Saving ") + " as WAV file...                 ";
    {
        auto canvas = app.p.window.immediateCanvas();
        canvas->textOut(s.charWidth, 8 * s.lineHeight, s.statusText.str(),
                        TextStyle{Font{}, kStatusColour, s.btnFace, true});
    }
    app.p.window.invalidate(&s.statusRect, true);
}

// The recording could not be written: it stays in the device, and the window waits for
// another name and Save (or the exit question).
void keepAfterFailedSave(App& app, uint32_t code) {
    AppState& s = app.s;
    Window& win = app.p.window;
    s.saveFailed = 1;
    s.cdPlaying = 0;
    win.setCursor(CursorKind::Arrow);
    showMessage(app,
                mciErrorText(app, code) +
                    " The recording is kept: enter another name or folder and click on Save to save it there.",
                "Save Wave Error");
    win.enableControl(ID_SAVE, true);
    win.enableControl(ID_PLAY, false);
    win.enableControl(ID_SONG_NAME_EDIT, true);
    setStatus(app, "Not saved: enter another name, click on Save");
    focusSongName(app);
}

}  // namespace

uint32_t RequiredRecordingBytes(const std::string& lengthText, int channels, int samplesPerSec, int bitsPerSample) {
    auto number = [&](size_t at) {
        return at < lengthText.size() ? std::strtol(lengthText.substr(at, 2).c_str(), nullptr, 10) : 0L;
    };
    const uint32_t duration = uint32_t(number(0) * 60 + number(3));
    return uint32_t(channels) * duration * uint32_t(samplesPerSec) * uint32_t(bitsPerSample / 8);
}

bool CheckDiskSpace(App& app) {
    AppState& s = app.s;
    const uint32_t required =
        RequiredRecordingBytes(s.trackTimeText.str(), s.channels, s.samplesPerSec, s.bitsPerSample);
    // The file system the file will be written to: the save folder, else the typed folder;
    // a folder not made yet counts as the nearest one that exists.
    fs::path folder = !s.savePath.empty() ? fs::path(s.savePath.str())
                                          : fs::path(folderOf(app.p.window.controlText(ID_SONG_NAME_EDIT, 259)));
    std::error_code ec;
    if (folder.empty()) folder = workingFolder(s.workingDir.str());
    folder = fs::absolute(folder, ec);
    while (!fs::is_directory(folder, ec) && folder.has_parent_path() && folder.parent_path() != folder)
        folder = folder.parent_path();
    const fs::space_info space = fs::space(folder, ec);
    return HasRoomFor(ec ? 0.0 : double(space.available), required);
}

bool HasRoomFor(double availableBytes, uint32_t requiredBytes) { return availableBytes >= 1.3 * double(requiredBytes); }

bool ConfirmOverwrite(App& app, const std::string& folder, const std::string& candidate) {
    const std::string name = lowerFileName(candidate);
    std::error_code ec;
    // A folder that does not exist holds no file to replace; the working folder's files are
    // not the ones that would be written.
    if (!folder.empty() && !fs::is_directory(folder, ec)) return true;
    fs::path dir = folder.empty() ? fs::path(workingFolder(app.s.workingDir.str())) : fs::path(folder);
    std::vector<std::string> entries;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        entries.push_back(it->path().filename().string());
    for (const std::string& entry : entries) {
        if (entry != name) continue;
        if (app.p.window.messageBox("File name already exists. Overwrite current file?", name, MB_OKCANCEL) != IDOK)
            return false;
        fs::remove(dir / entry, ec);
    }
    return true;
}

void StartRecording(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    // A recording waiting for another name after a failed save owns the device alias.
    if (s.saveFailed == 1) return;
    const std::string caption = win.controlText(ID_PLAY, 9);

    // 1.
    if ((s.cdMode == 1 || s.ripMode == 1) && caption != "Start") {
        if (mciSend(app, "seek cd to " + s.currentTrackText.str()) > 0 && s.cdMode == 1)
            showMciError(app, s.mciError, "Seek Error");
        mciSend(app, "status cd length track " + s.currentTrackText.str(), true);
        s.trackTimeText = s.mciReply.view();
        if (s.partialMode != 1 && !CheckDiskSpace(app)) {
            showMessage(app,
                        "Either there is not enough available disk space to record this track, or this is a "
                        "removeable drive and you need to insert the disk.",
                        "Disk Space Error");
            // A batch cannot go on without this entry: it ends, and the window is usable again.
            if (s.batchCount != 0) {
                s.batchCount = 0;
                enableIdleMenus(app);
            }
            focusSongName(app);
            return;
        }
    }
    // 2.
    if (s.partialMode == 1 && caption == "Start") {
        BeginCapture(app);
        return;
    }
    // 3.
    if (s.convertToMp3 == 0 && (s.cdMode == 1 || s.ripMode == 1)) s.keepWav = 1;
    // 4.
    const std::string typed = win.controlText(ID_SONG_NAME_EDIT, kSongNameChars);
    s.songName = typed;
    if (typed.empty() && s.batchCount == 0) {
        showMessage(app, "Please enter a file name after clicking on OK.", "FileName Error");
        focusSongName(app);
        return;
    }
    // 5.
    std::string ext;
    std::string name = wavNameFrom(typed, &ext);
    if (!cutToFit(name, s.savePath.str())) {
        showMessage(app, "Please enter a file name after clicking on OK. This name is too long for its folder.",
                    "FileName Error");
        focusSongName(app);
        return;
    }
    s.songName = name;
    if (ext.size() > 1) ext = ext.substr(0, 1) + AsciiLower(ext.substr(1, 2)) + ext.substr(std::min<size_t>(ext.size(), 3));
    if (ext == ".mp3") s.convertToMp3 = 1;
    const std::string base = splitPath(s.songName.str()).base;
    // 6. Yes only empties the box: when no one can answer, nothing starts.
    if (base == "untitled" && s.batchCount == 0 &&
        win.messageBox("Don't you want to save this song using a more original name?", "Question",
                       MB_YESNO | MB_YES_IS_SAFE) ==
            IDYES) {
        win.setControlText(ID_SONG_NAME_EDIT, "");
        focusSongName(app);
        return;
    }
    // 7. Play Back opens this name, so it is the file's real (lower-cased) name.
    s.songName = lowerFileName(s.songName.str());
    s.lastRecordedFile = s.songName.view();
    win.setControlText(ID_SONG_NAME_EDIT, s.songName.str());
    // 8.
    if (s.batchCount == 0 && !checkSingleRecording(app, base)) return;
    // 9.
    for (int id : kBusyMenuItems) win.enableMenuItem(id, false);
    win.enableControl(ID_SONG_NAME_EDIT, false);
    if (s.cdMode == 1 && s.batchCount != 0)
        setStatus(app, s.convertToMp3 == 1 ? kRecordingIntermediate : kRecordingWav);
    if (s.ripMode == 1) {
        RipPlayBranch(app);
        return;
    }
    // 10.
    if (mciSend(app, "open new type waveaudio alias wave") > 0) {
        showMciError(app, s.mciError, "Open Wave Error");
        abandonStart(app, false);
        return;
    }
    s.waveDeviceId = app.p.mci.deviceId("wave");
    // 11.
    if (s.convertToMp3 == 1) {
        s.samplesPerSec = 44100;
        s.bitsPerSample = 16;
        s.channels = 2;
    }
    // 12.
    MciWaveSetParms format;
    format.timeFormat = 0;
    format.formatTag = 1;
    format.channels = s.channels;
    format.samplesPerSec = uint32_t(s.samplesPerSec);
    format.avgBytesPerSec = uint32_t(s.bitsPerSample / 8) * s.channels * uint32_t(s.samplesPerSec);
    format.blockAlign = uint16_t((s.bitsPerSample / 8) * s.channels);
    format.bitsPerSample = s.bitsPerSample;
    if (uint32_t code = waveCommand(app, MCI_SET, kWaveSetFlags, format); code != 0)
        showMciError(app, code, "Set Format Error");
    win.killTimer(PollTimer);
    if (!win.setTimer(RecordTimer, kRecordTimerMs)) {
        showMessage(app, "Unable to set a timer", "Timer Error");
        abandonStart(app, true);
        return;
    }
    s.elapsedSeconds = 0;
    s.elapsedMinutes = 0;
    // 13.
    if (s.partialMode == 0) {
        if (uint32_t code = waveCommand(app, MCI_RECORD); code != 0) {
            showMciError(app, code, "Record Wave Error");
            abandonStart(app, true);
            return;
        }
        s.captured = 1;
    }
    s.recording = 1;
    // 14.
    if (s.cdMode == 1) {
        if (s.batchCount != 0) nameBatchEntry(app);
        s.cdPlaying = 1;
        s.currentTrackText = std::to_string(s.currentTrack);
        if (mciSend(app, playCommand(s), false) > 0) {
            showMciError(app, s.mciError, "CD Play Error");
            abandonStart(app, true);
            return;
        }
        if (s.batchCount != 0) ++s.batchIndex;
    }
    // 15.
    if (s.lineInMode == 1) {
        s.trackTimeText.clear();
        invalidateTrackTime(app);
    }
    // 16.
    win.setControlText(ID_EXIT, "Exit");
    s.discState = 2;
    // 17.
    if (s.partialMode == 0) {
        win.enableControl(ID_SAVE, true);
        win.enableControl(ID_PLAY, false);
    } else {
        win.enableControl(ID_PLAY, true);
        win.enableControl(ID_SAVE, false);
        win.setControlText(ID_PLAY, "Start");
    }
    // 18.
    for (int id : {ID_PLAYBACK, ID_STOP_PLAYBACK, ID_PREV_TRACK, ID_NEXT_TRACK, ID_FIRST_TRACK, ID_LAST_TRACK, ID_EJECT})
        win.enableControl(id, false);
}

void BeginCapture(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    s.batchIndex = 0;
    if (uint32_t code = waveCommand(app, MCI_RECORD); code != 0) {
        showMciError(app, code, "Record Wave Error");
        return;
    }
    s.captured = 1;
    win.enableControl(ID_SAVE, true);
    win.enableControl(ID_PLAY, false);
    setStatus(app, "Click on Save to stop...");
}

void SaveRecording(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    // 1.
    win.setControlText(ID_EXIT, "E&xit");
    if (s.recording == 0) return;
    const bool retry = s.saveFailed == 1;
    if (retry) {
        // The user named another place for the recording that could not be written.
        const std::string typed = win.controlText(ID_SONG_NAME_EDIT, kSongNameChars);
        if (typed.empty()) {
            showMessage(app, "Please enter a file name after clicking on OK.", "FileName Error");
            focusSongName(app);
            return;
        }
        s.songName = lowerFileName(wavNameFrom(typed));
    }
    // 2, 3.
    win.setCursor(CursorKind::Wait);
    win.killTimer(RecordTimer);
    drawSavingNow(app);
    // 4.
    s.waveDeviceId = app.p.mci.deviceId("wave");
    if (uint32_t code = waveCommand(app, MCI_STOP); code != 0) showMciError(app, code, "Stop Wave Error");
    // 5.
    if (s.cdMode == 1 && !retry && mciSend(app, "stop cd") > 0) showMciError(app, s.mciError, "Stop CD Error");
    // 6.
    if (!s.savePath.empty() && !retry) {
        SplitPath parts = splitPath(s.songName.str());
        s.songName = s.savePath.str() + parts.base + parts.ext;
    }
    if (!s.savePath.empty() || retry) {
        win.setControlText(ID_SONG_NAME_EDIT, s.songName.str());
        s.lastRecordedFile = s.songName.view();
    }
    // 7. A failing code may still come with a file (one cut short); an older file of the name
    // is not this recording.
    std::error_code ec;
    const auto writtenBefore = fs::last_write_time(s.songName.str(), ec);
    const bool existedBefore = !ec;
    bool written = true;
    if (uint32_t code = waveCommand(app, MCI_SAVE, MCI_SAVE_FILE | MCI_WAIT, MciSaveParms{s.songName.str()});
        code != 0) {
        const auto writtenAfter = fs::last_write_time(s.songName.str(), ec);
        written = !ec && (!existedBefore || writtenAfter != writtenBefore);
        if (!written && heldMilliseconds(app) > 0) {
            keepAfterFailedSave(app, code);
            return;
        }
        showMciError(app, code, "Save Wave Error");
    }
    s.saveFailed = 0;
    if (uint32_t code = waveCommand(app, MCI_CLOSE); code != 0) showMciError(app, code, "Close Wave Error");
    s.captured = 0;
    // 8. Nothing saved (the track ended before Start): nothing to convert, and no success.
    if (s.convertToMp3 == 1 && written) {
        s.convertFileCount = 0;
        s.converting = 1;
        // Only a CD track has a tag to carry; the line input's recordings stay untagged.
        if (s.cdMode == 1) PrepareTrackTag(app, s.currentTrack);
        ConvertWavFile(app, s.songName.str());
    }
    // 9.
    if (s.batchIndex == 0 && written) {
        if (s.convertToMp3 == 1) {
            s.songName = mp3NameFor(s.songName.str());
            win.setControlText(ID_SONG_NAME_EDIT, s.songName.str());
            setStatus(app, "Converting: 100 %");
        }
        showMessage(app, "I have saved the song to your hard drive.", s.songName.str());
    }
    // 10.
    if (s.batchIndex == s.batchCount && s.batchCount != 0) {
        if (written) showMessage(app, "I have saved the requested songs to your hard drive.", "Saved!");
        s.batchCount = 0;
    }
    // 11.
    win.enableControl(ID_PLAYBACK, written && (s.keepWav == 1 || s.convertToMp3 == 0));
    win.enableControl(ID_PLAY, true);
    win.enableControl(ID_SAVE, false);
    if (s.cdMode == 1) {
        for (int id : kTrackButtons) win.enableControl(id, true);
        win.enableControl(ID_EJECT, true);
    } else {
        win.enableControl(ID_EJECT, false);
    }
    // 12.
    if (s.batchCount == 0) enableIdleMenus(app);
    // 13.
    win.setTimer(PollTimer, kPollTimerMs);
    s.cdPlaying = 0;
    s.recording = 0;
    // 14.
    if (s.lineInMode != 1) win.setControlText(ID_PLAY, "Play");
    // 15.
    resetElapsedDisplay(app);
    win.setCursor(CursorKind::Arrow);
    setStatus(app, kSongNamePrompt);
    // 16.
    if (s.batchCount != 0) {
        const int t = batchTrack(s, s.batchIndex);
        if (t == 0) {
            // A selection that ran past its bounds ends here rather than read beyond them.
            s.batchCount = 0;
            enableIdleMenus(app);
            return;
        }
        s.currentTrack = t;
        s.currentTrackText = std::to_string(t);
        win.setControlText(ID_SONG_NAME_EDIT, lowerFileName(s.trackNames[size_t(t)].str() + ".wav"));
        sendCommand(app, ID_PLAY);
    }
}

void KeepRecordingAtExit(App& app) {
    AppState& s = app.s;
    Window& win = app.p.window;
    if (s.recording != 1 || (s.captured == 0 && s.saveFailed == 0)) return;
    // Yes keeps the recording: the answer when no one can give one.
    if (win.messageBox("The recording has not been saved. Do you want to save it before the program ends?",
                       "Recording", MB_YESNO | MB_YES_IS_SAFE) != IDYES)
        return;
    // The batch ends with this entry: nothing new may start while the program closes.
    if (s.batchCount != 0) s.batchCount = s.batchIndex;
    SaveRecording(app);
    while (s.saveFailed == 1) {
        FileDialogParams params;
        params.title = "Save the recording as";
        params.filter = std::string("WAV files (*.wav)\0*.wav\0", 24);
        params.defaultExt = "wav";
        params.file = s.songName.str();
        if (!win.saveFileDialog(params) || params.file.empty()) return;
        win.setControlText(ID_SONG_NAME_EDIT, params.file);
        SaveRecording(app);
    }
}

}  // namespace wl
