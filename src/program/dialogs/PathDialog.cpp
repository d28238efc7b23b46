#include "dialogs/PathDialog.h"

#include <filesystem>

#include "app/Paths.h"
#include "resources/Templates.h"

namespace wl {

namespace {

constexpr int ID_PATH_EDIT = 134;
constexpr const char* kPathError = "Path Error";

class PathProc : public DialogProc {
public:
    explicit PathProc(App& app) : app_(app) {}

    bool onInit(Dialog& dlg) override {
        AppState& s = app_.s;
        // Folders keep their case: on this file system another case names another folder.
        std::string shown = s.savePath.str();
        if (shown.empty()) {
            shown = withTrailingSeparator(workingFolder(s.workingDir.str()));
            if (fits(shown)) s.savePath = shown;
        }
        dlg.setText(ID_PATH_EDIT, shown);
        return true;
    }

    bool onCommand(Dialog& dlg, int id, int notifyCode) override {
        if (notifyCode != BN_CLICKED) return false;
        if (id == IDOK) {
            accept(dlg);
            return true;
        }
        if (id == IDCANCEL) {
            dlg.end(0);
            return true;
        }
        return false;
    }

private:
    static bool fits(const std::string& folder) { return folder.size() < kPathCapacity; }

    void accept(Dialog& dlg) {
        AppState& s = app_.s;
        std::string entry = dlg.text(ID_PATH_EDIT, kEntryReadLimit);
        // An empty entry becomes the root folder.
        std::string folder = withTrailingSeparator(entry);
        // The entry takes effect only once accepted: a refused one never reaches savePath.
        if (!fits(folder)) {
            refuse(dlg, "This path is longer than " + std::to_string(kPathCapacity - 1) +
                            " characters. Better try again.");
            return;
        }
        // Checked without entering the folder: the process's working folder is shared with
        // the conversion worker, which may be opening files by relative names.
        std::error_code ec;
        std::filesystem::path where(folder);
        if (where.is_relative()) where = std::filesystem::path(workingFolder(s.workingDir.str())) / where;
        if (!std::filesystem::is_directory(where, ec)) {
            refuse(dlg, "I don't think this path exists. Better try again.");
            return;
        }
        s.savePath = folder;
        s.settingsDirty = 1;
        dlg.end(0);
    }

    void refuse(Dialog& dlg, const std::string& text) {
        showMessage(app_, text, kPathError);
        dlg.setFocus(ID_PATH_EDIT);
    }

    // Read well past the field, so that a long entry is refused rather than cut to fit.
    static constexpr size_t kEntryReadLimit = 4096;
    App& app_;
};

}  // namespace

int PathToSaveFilesCommand(App& app) {
    PathProc proc(app);
    return app.p.window.runDialog(PathTemplate(), proc);
}

}  // namespace wl
