#include "dialogs/ReadModeDialog.h"

#include "app/Commands.h"
#include "dialogs/OkCancelProc.h"
#include "resources/Templates.h"

namespace wl {

namespace {

constexpr int ID_MODE_BURST = 160;  // then Secure, then Secure where needed

class ReadModeProc : public OkCancelProc {
public:
    explicit ReadModeProc(App& app) : OkCancelProc(app) {}

    bool onInit(Dialog& dlg) override {
        const int mode = app_.s.readMode >= 0 && app_.s.readMode <= 2 ? app_.s.readMode : 0;
        dlg.setChecked(ID_MODE_BURST + mode, true);
        return true;
    }

private:
    bool accept(Dialog& dlg) override {
        int mode = 0;
        for (int m = 0; m < 3; ++m)
            if (dlg.isChecked(ID_MODE_BURST + m)) mode = m;
        if (mode != app_.s.readMode) {
            app_.s.readMode = mode;
            app_.s.settingsDirty = 1;
        }
        return true;
    }
};

}  // namespace

int ReadModeCommand(App& app) {
    ReadModeProc proc(app);
    return app.p.window.runDialog(ReadModeTemplate(), proc);
}

void TestAndCopyCommand(App& app) {
    app.s.testAndCopy = app.s.testAndCopy ? 0 : 1;
    app.p.window.checkMenuItem(ID_TEST_AND_COPY, app.s.testAndCopy != 0);
    app.s.settingsDirty = 1;
}

}  // namespace wl
