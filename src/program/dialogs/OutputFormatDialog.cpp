#include "dialogs/OutputFormatDialog.h"

#include <cctype>
#include <string>

#include "app/Commands.h"
#include "app/Display.h"
#include "app/OutputFormat.h"
#include "dialogs/OkCancelProc.h"
#include "resources/Templates.h"

namespace wl {

namespace {

enum : int { ID_FORMAT_MP3 = 160, ID_FORMAT_FLAC = 161, ID_FORMAT_OPUS = 162, ID_FLAC_LEVEL = 163, ID_OPUS_KBPS = 164 };

// A whole number within [low, high], spaces around it allowed.
bool parseWithin(const std::string& text, int low, int high, int& value) {
    size_t at = 0;
    while (at < text.size() && text[at] == ' ') ++at;
    const size_t digits = at;
    long v = 0;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && v <= high)
        v = v * 10 + (text[at++] - '0');
    const size_t end = at;
    while (at < text.size() && text[at] == ' ') ++at;
    if (end == digits || at != text.size() || v < low || v > high) return false;
    value = int(v);
    return true;
}

class OutputFormatProc : public OkCancelProc {
public:
    explicit OutputFormatProc(App& app) : OkCancelProc(app) {}

    bool onInit(Dialog& dlg) override {
        const AppState& s = app_.s;
        const OutputFormat f = outputFormatOf(s);
        dlg.setChecked(f == OutputFormat::Flac ? ID_FORMAT_FLAC : f == OutputFormat::Opus ? ID_FORMAT_OPUS : ID_FORMAT_MP3, true);
        dlg.setText(ID_FLAC_LEVEL, std::to_string(s.flacLevel));
        dlg.setText(ID_OPUS_KBPS, std::to_string(s.opusKbps));
        return true;
    }

private:
    bool accept(Dialog& dlg) override {
        int level = 0, kbps = 0;
        if (!parseWithin(dlg.text(ID_FLAC_LEVEL, 64), 0, 8, level)) {
            showMessage(app_, "The FLAC level is a whole number from 0 to 8.", "Output Format");
            dlg.setFocus(ID_FLAC_LEVEL);
            return false;
        }
        if (!parseWithin(dlg.text(ID_OPUS_KBPS, 64), kMinOpusKbps, kMaxOpusKbps, kbps)) {
            showMessage(app_, "The Opus bit rate is a whole number of kbit/s from 64 to 256.", "Output Format");
            dlg.setFocus(ID_OPUS_KBPS);
            return false;
        }
        const int32_t format = dlg.isChecked(ID_FORMAT_FLAC)   ? int32_t(OutputFormat::Flac)
                               : dlg.isChecked(ID_FORMAT_OPUS) ? int32_t(OutputFormat::Opus)
                                                               : int32_t(OutputFormat::Mp3);
        AppState& s = app_.s;
        if (format != s.outputFormat || level != s.flacLevel || kbps != s.opusKbps) s.settingsDirty = 1;
        s.outputFormat = format;
        s.flacLevel = level;
        s.opusKbps = kbps;
        return true;
    }
};

}  // namespace

int OutputFormatCommand(App& app) {
    OutputFormatProc proc(app);
    const int result = app.p.window.runDialog(OutputFormatTemplate(), proc);
    app.p.window.setFocus(ID_SONG_NAME_EDIT);
    return result;
}

}  // namespace wl
