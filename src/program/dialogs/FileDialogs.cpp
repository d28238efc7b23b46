#include "dialogs/FileDialogs.h"

#include "app/Paths.h"

namespace wl {

namespace {

bool chooseFile(App& app, FixedText<kPathCapacity>& file, FixedText<512>& title, bool save) {
    AppState& s = app.s;
    FileDialogParams& params = s.fileDialogParams;
    params.initialDir = s.workingDir.str();
    params.file = file.str();
    params.allowMultiple = false;
    params.files.clear();
    Window& win = app.p.window;
    if (!(save ? win.saveFileDialog(params) : win.openFileDialog(params))) return false;
    if (params.file.size() > kMaxChosenPath) {
        showMessage(app,
                    "The path of the chosen file is longer than " + std::to_string(kMaxChosenPath) +
                        " characters. Please choose a shorter one.",
                    "Path Error");
        return false;
    }
    file = params.file;
    SplitPath parts = splitPath(params.file);
    title = parts.base + parts.ext;
    return true;
}

}  // namespace

void setupFileDialogs(App& app) {
    FileDialogParams& params = app.s.fileDialogParams;
    params = FileDialogParams{};
    static constexpr char kFilter[] = "waveaudio files (*.wav)\0*.wav\0";  // the array adds the last zero
    params.filter.assign(kFilter, sizeof kFilter);
    params.initialDir = app.s.workingDir.str();
    params.defaultExt = "wav";
}

bool chooseSaveFile(App& app, FixedText<kPathCapacity>& file, FixedText<512>& title) {
    return chooseFile(app, file, title, true);
}

bool chooseOpenFile(App& app, FixedText<kPathCapacity>& file, FixedText<512>& title) {
    return chooseFile(app, file, title, false);
}

}  // namespace wl
