#pragma once
// A dialog whose entries count only once OK takes them all: Cancel closes it (IDCANCEL) and
// changes nothing; OK closes it (IDOK) unless accept() refused an entry, having said why.
#include "app/App.h"
#include "platform/WindowModal.h"

namespace wl {

class OkCancelProc : public DialogProc {
public:
    bool onCommand(Dialog& dlg, int id, int notifyCode) final {
        if (notifyCode != BN_CLICKED) return false;
        if (id == IDCANCEL) {
            dlg.end(IDCANCEL);
            return true;
        }
        if (id != IDOK) return false;
        if (accept(dlg)) dlg.end(IDOK);
        return true;
    }

protected:
    explicit OkCancelProc(App& app) : app_(app) {}
    // Takes the entries into the settings; false leaves the dialog open.
    virtual bool accept(Dialog& dlg) = 0;

    App& app_;
};

}  // namespace wl
