#include "dialogs/ReadOffsetDialog.h"

#include <cctype>
#include <string>

#include "app/Display.h"
#include "resources/Templates.h"

namespace wl {

namespace {

constexpr int ID_READ_OFFSET_EDIT = 136;

class ReadOffsetProc : public DialogProc {
public:
    explicit ReadOffsetProc(App& app) : app_(app) {}

    bool onInit(Dialog& dlg) override {
        dlg.setText(ID_READ_OFFSET_EDIT, std::to_string(app_.s.readOffset));
        return true;
    }

    bool onCommand(Dialog& dlg, int id, int notifyCode) override {
        if (notifyCode != BN_CLICKED) return false;
        if (id == IDCANCEL) {
            dlg.end(IDCANCEL);
            return true;
        }
        if (id != IDOK) return false;
        int value = 0;
        if (!parse(dlg.text(ID_READ_OFFSET_EDIT, 64), value)) {
            showMessage(app_, "The read offset is a whole number of samples from -5000 to 5000.", "Read Offset");
            dlg.setFocus(ID_READ_OFFSET_EDIT);
            return true;
        }
        if (value != app_.s.readOffset) {
            app_.s.readOffset = value;
            app_.s.settingsDirty = 1;
        }
        dlg.end(IDOK);
        return true;
    }

private:
    static bool parse(const std::string& text, int& value) {
        size_t at = 0;
        while (at < text.size() && text[at] == ' ') ++at;
        bool negative = false;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
        const size_t digits = at;
        long v = 0;
        while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at])) && v <= 5000)
            v = v * 10 + (text[at++] - '0');
        while (at < text.size() && text[at] == ' ') ++at;
        if (at == digits || at != text.size() || v > 5000) return false;
        value = int(negative ? -v : v);
        return true;
    }
    App& app_;
};

}  // namespace

int ReadOffsetCommand(App& app) {
    ReadOffsetProc proc(app);
    return app.p.window.runDialog(ReadOffsetTemplate(), proc);
}

}  // namespace wl
