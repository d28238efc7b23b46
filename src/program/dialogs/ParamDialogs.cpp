#include "dialogs/ParamDialogs.h"

#include "app/Commands.h"
#include "app/OutputFormat.h"
#include "resources/Templates.h"

namespace wl {

namespace {

enum WavControl : int {
    ID_8_BITS = 205,
    ID_16_BITS = 206,
    ID_11025 = 207,
    ID_22050 = 208,
    ID_44100 = 209,
    ID_MONO = 210,
    ID_STEREO = 211,
    ID_CONVERT_TO_MP3 = 212,
};

enum Mp3Control : int {
    ID_LOW_32 = 213,
    ID_MEDIUM_64 = 214,
    ID_GOOD_128 = 215,
    ID_BEST_320 = 216,
    ID_SAVE_WAV = 217,
};

struct Choice {
    int id;
    int value;
};
constexpr Choice kBits[] = {{ID_8_BITS, 8}, {ID_16_BITS, 16}};
constexpr Choice kRates[] = {{ID_11025, 11025}, {ID_22050, 22050}, {ID_44100, 44100}};
constexpr Choice kChannels[] = {{ID_MONO, 1}, {ID_STEREO, 2}};
constexpr Choice kKbps[] = {{ID_LOW_32, 32}, {ID_MEDIUM_64, 64}, {ID_GOOD_128, 128}, {ID_BEST_320, 320}};

// Checks the button whose value matches; a value matching none leaves the group unchecked.
template <size_t N>
void checkMatching(Dialog& dlg, const Choice (&group)[N], int value) {
    for (const Choice& c : group)
        if (c.value == value) dlg.setChecked(c.id, true);
}

template <size_t N>
const Choice* find(const Choice (&group)[N], int id) {
    for (const Choice& c : group)
        if (c.id == id) return &c;
    return nullptr;
}

// MP3 conversion takes 16-bit, 44,100 Hz stereo only.
void forceMp3Format(AppState& s) {
    s.bitsPerSample = 16;
    s.samplesPerSec = 44100;
    s.channels = 2;
}

class WavParamsProc : public DialogProc {
public:
    explicit WavParamsProc(App& app) : app_(app) {}

    bool onInit(Dialog& dlg) override {
        AppState& s = app_.s;
        // Before the snapshot, so that Cancel keeps the forced format.
        if (s.convertToMp3 != 0 || s.ripMode != 0) forceMp3Format(s);
        checkMatching(dlg, kBits, s.bitsPerSample);
        checkMatching(dlg, kRates, s.samplesPerSec);
        checkMatching(dlg, kChannels, s.channels);
        if (s.convertToMp3 == 1) dlg.setChecked(ID_CONVERT_TO_MP3, true);
        if (outputFormatOf(s) != OutputFormat::Mp3)
            dlg.setText(ID_CONVERT_TO_MP3, std::string("Convert to ") + formatName(outputFormatOf(s)) + " file?");
        s.paramsSnapshot.bitsPerSample = s.bitsPerSample;
        s.paramsSnapshot.samplesPerSec = s.samplesPerSec;
        s.paramsSnapshot.channels = s.channels;
        s.paramsSnapshot.mp3Kbps = s.mp3Kbps;
        return true;
    }

    bool onCommand(Dialog& dlg, int id, int notifyCode) override {
        if (notifyCode != BN_CLICKED) return false;
        AppState& s = app_.s;
        if (const Choice* c = find(kBits, id)) {
            s.bitsPerSample = uint16_t(c->value);
        } else if (const Choice* c = find(kRates, id)) {
            s.samplesPerSec = c->value;
        } else if (const Choice* c = find(kChannels, id)) {
            s.channels = uint16_t(c->value);
        } else if (id == ID_CONVERT_TO_MP3) {
            if (dlg.isChecked(ID_CONVERT_TO_MP3)) {
                forceMp3Format(s);
                dlg.setChecked(ID_16_BITS, true);
                dlg.setChecked(ID_8_BITS, false);
                dlg.setChecked(ID_11025, false);
                dlg.setChecked(ID_22050, false);
                dlg.setChecked(ID_44100, true);
                dlg.setChecked(ID_MONO, false);
                dlg.setChecked(ID_STEREO, true);
            }
        } else if (id == IDOK) {
            accept(dlg);
        } else if (id == IDCANCEL) {
            cancel(dlg);
        } else {
            return false;
        }
        return true;
    }

private:
    void accept(Dialog& dlg) {
        AppState& s = app_.s;
        s.settingsDirty = 1;
        s.convertToMp3 = dlg.isChecked(ID_CONVERT_TO_MP3) ? 1 : 0;
        const bool recordingMode = s.ripMode != 0 || s.cdMode != 0 || s.lineInMode != 0;
        app_.p.window.enableMenuItem(ID_MP3_PARAMETERS, !(recordingMode && s.convertToMp3 == 0));
        s.wavParamsAccepted = 1;
        dlg.end(1);
    }

    void cancel(Dialog& dlg) {
        AppState& s = app_.s;
        s.bitsPerSample = s.paramsSnapshot.bitsPerSample;
        s.samplesPerSec = s.paramsSnapshot.samplesPerSec;
        s.channels = s.paramsSnapshot.channels;
        s.mp3Kbps = s.paramsSnapshot.mp3Kbps;
        s.wavParamsAccepted = 0;
        dlg.end(1);
    }

    App& app_;
};

class Mp3ParamsProc : public DialogProc {
public:
    explicit Mp3ParamsProc(App& app) : app_(app) {}

    bool onInit(Dialog& dlg) override {
        AppState& s = app_.s;
        checkMatching(dlg, kKbps, s.mp3Kbps);
        if (s.keepWav == 1) dlg.setChecked(ID_SAVE_WAV, true);
        s.paramsSnapshot.mp3Kbps = s.mp3Kbps;
        return true;
    }

    bool onCommand(Dialog& dlg, int id, int notifyCode) override {
        if (notifyCode != BN_CLICKED) return false;
        AppState& s = app_.s;
        if (const Choice* c = find(kKbps, id)) {
            s.mp3Kbps = uint16_t(c->value);
        } else if (id == IDOK) {
            s.keepWav = dlg.isChecked(ID_SAVE_WAV) ? 1 : 0;
            s.settingsDirty = 1;
            dlg.end(1);
        } else if (id == IDCANCEL) {
            s.mp3Kbps = s.paramsSnapshot.mp3Kbps;
            dlg.end(1);
        } else {
            return false;
        }
        return true;
    }

private:
    App& app_;
};

void RunMp3Dialog(App& app) {
    Mp3ParamsProc proc(app);
    app.p.window.runDialog(RecParMp3Template(), proc);
}

}  // namespace

void WavParametersCommand(App& app) {
    // A dialog that could not be shown was not accepted either.
    app.s.wavParamsAccepted = 0;
    WavParamsProc proc(app);
    app.p.window.runDialog(RecParWavTemplate(), proc);
    if (app.s.convertToMp3 == 1 && app.s.wavParamsAccepted == 1) RunMp3Dialog(app);
    app.p.window.setFocus(ID_SONG_NAME_EDIT);
}

void Mp3ParametersCommand(App& app) {
    RunMp3Dialog(app);
    app.p.window.setFocus(ID_SONG_NAME_EDIT);
}

}  // namespace wl
