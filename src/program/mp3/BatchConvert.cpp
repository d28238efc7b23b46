#include "mp3/BatchConvert.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>
#include <thread>
#include <vector>

#include "app/Commands.h"
#include "app/Display.h"
#include "app/FileNames.h"
#include "app/Paths.h"
#include "mp3/ConversionPool.h"
#include "mp3/Convert.h"
#include "resources/Templates.h"

namespace wl {

namespace fs = std::filesystem;

namespace {

bool isWavName(const std::string& name) {
    if (name.size() < 4) return false;
    return AsciiLower(name.substr(name.size() - 4)) == ".wav";
}

// /proc/self/mounts escapes blanks and the like as octal (\040).
std::string unescapeMountPath(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && std::isdigit(static_cast<unsigned char>(field[i + 1]))) {
            out += char(std::stoi(field.substr(i + 1, 3), nullptr, 8));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

std::vector<std::string> mountedVolumes(const std::string& mountsFile) {
    std::vector<std::string> out{"/"};
    std::ifstream in(mountsFile);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, where;
        if (!(fields >> device >> where)) continue;
        where = unescapeMountPath(where);
        for (const char* root : {"/media/", "/mnt/", "/run/media/"}) {
            if (where.rfind(root, 0) == 0 && std::find(out.begin(), out.end(), where) == out.end()) {
                std::error_code ec;
                if (fs::is_directory(where, ec)) out.push_back(where);
            }
        }
    }
    return out;
}

class WavConvertProc : public DialogProc {
public:
    explicit WavConvertProc(App& app) : app_(app), s_(app.s) {}

    bool onInit(Dialog& dlg) override {
        const int n = listFolder(dlg);
        dlg.enable(kRemoveFilesButton, false);
        dlg.enable(kStartButton, false);
        dlg.enable(kAddFilesButton, n > 0);
        return true;
    }

    bool onCommand(Dialog& dlg, int id, int code) override {
        if (id == kAvailableFilesList && code == LBN_DBLCLK) return openAvailable(dlg);
        if (id == kChosenFilesList && code == LBN_DBLCLK) {
            const int at = dlg.listCurSel(kChosenFilesList);
            if (at >= 0) dlg.listDelete(kChosenFilesList, at);
            if (dlg.listCount(kChosenFilesList) == 0) enableStart(dlg, false);
            return true;
        }
        if (code != BN_CLICKED) return false;
        switch (id) {
            case kAddFilesButton: return addSelected(dlg);
            case kRemoveFilesButton: return removeSelected(dlg);
            case kStartButton: {
                const int count = dlg.listCount(kChosenFilesList);
                s_.convertFiles.clear();
                for (int i = 0; i < count; ++i) s_.convertFiles.push_back(dlg.listText(kChosenFilesList, i));
                s_.convertFileCount = count;
                dlg.end(1);
                return true;
            }
            case IDCANCEL: dlg.end(1); return true;
            default: return false;
        }
    }

private:
    App& app_;
    AppState& s_;
    std::map<std::string, std::string> places_;  // folder and drive entries: where they lead
    bool tooManyShown_ = false;

    void enableStart(Dialog& dlg, bool on) {
        dlg.enable(kRemoveFilesButton, on);
        dlg.enable(kStartButton, on);
    }

    // Lists the folder's subfolders and the drives, then its WAV files; returns the files.
    int listFolder(Dialog& dlg) {
        places_.clear();
        for (const FolderEntry& e : listFolderEntries(s_.convertFolder)) {
            dlg.listAdd(kAvailableFilesList, e.text);
            places_[e.text] = e.path;
        }
        return FillAvailableList(dlg);
    }

    int FillAvailableList(Dialog& dlg) {
        std::error_code ec;
        fs::directory_iterator it(s_.convertFolder, ec), end;
        int count = 0, widest = 0;
        bool found = false;
        for (; !ec && it != end; it.increment(ec)) {
            const std::string name = it->path().filename().string();
            if (!isWavName(name)) continue;
            std::error_code fileEc;
            if (!it->is_regular_file(fileEc)) continue;
            found = true;
            // Empty files are what an interrupted recorder leaves: nothing to convert.
            if (it->file_size(fileEc) == 0 || fileEc) continue;
            // The name as it is on disk: lower-casing it would name another file here.
            dlg.listAdd(kAvailableFilesList, name);
            widest = std::max(widest, dlg.textWidth(name));
            ++count;
        }
        if (found) dlg.listSetHorizontalExtent(kAvailableFilesList, widest);
        return count;
    }

    bool AddFileToConvert(Dialog& dlg, const std::string& name) {
        std::string path = s_.convertFolder;
        if (!endsWithSeparator(path)) path += kPathSeparator;
        path += name;
        if (size_t(dlg.listCount(kChosenFilesList)) >= kMaxConvertFiles) {
            if (!tooManyShown_)
                showMessage(app_, "At most " + std::to_string(kMaxConvertFiles) + " files can be converted in one go.",
                            "Message");
            tooManyShown_ = true;
            return false;
        }
        if (path.size() > kMaxConvertPathChars) {
            showMessage(app_, "The name of this file is too long to convert: " + path, "Message");
            return false;
        }
        dlg.listAdd(kChosenFilesList, path);
        int widest = 0;
        for (int i = 0; i < dlg.listCount(kChosenFilesList); ++i)
            widest = std::max(widest, dlg.textWidth(dlg.listText(kChosenFilesList, i)));
        dlg.listSetHorizontalExtent(kChosenFilesList, widest);
        if (dlg.listCount(kChosenFilesList) > 0) enableStart(dlg, true);
        return true;
    }

    bool openAvailable(Dialog& dlg) {
        const int at = dlg.listCurSel(kAvailableFilesList);
        if (at < 0) return true;
        const std::string text = dlg.listText(kAvailableFilesList, at);
        auto place = places_.find(text);
        if (place == places_.end()) {
            AddFileToConvert(dlg, text);
            return true;
        }
        std::error_code ec;
        fs::path target = fs::weakly_canonical(fs::path(place->second), ec);
        if (ec || !fs::is_directory(target, ec)) return true;  // gone meanwhile: stay here
        s_.convertFolder = target.string();
        dlg.listClear(kAvailableFilesList);
        dlg.enable(kAddFilesButton, listFolder(dlg) > 0);
        return true;
    }

    bool addSelected(Dialog& dlg) {
        std::vector<int> chosen = dlg.listSelectedItems(kAvailableFilesList);
        if (chosen.empty()) {
            showMessage(app_, "You must first select a file with your mouse.", "Message");
            return true;
        }
        std::sort(chosen.begin(), chosen.end());
        for (int i : chosen) {
            const std::string text = dlg.listText(kAvailableFilesList, i);
            if (places_.count(text)) continue;
            if (!AddFileToConvert(dlg, text)) break;
        }
        return true;
    }

    bool removeSelected(Dialog& dlg) {
        std::vector<int> chosen = dlg.listSelectedItems(kChosenFilesList);
        if (!chosen.empty()) {
            std::sort(chosen.rbegin(), chosen.rend());
            for (int i : chosen) dlg.listDelete(kChosenFilesList, i);
            if (dlg.listCount(kChosenFilesList) == 0) {
                enableStart(dlg, false);
                return true;
            }
        }
        dlg.listSetSel(kChosenFilesList, 0, true);
        return true;
    }
};

std::string startFolder(const AppState& s) {
    if (!s.workingDir.empty()) return s.workingDir.str();
    std::error_code ec;
    fs::path here = fs::current_path(ec);
    return ec ? std::string("/") : here.string();
}

// Runs fn on the window's thread; false once the program is closing (fn may not have run).
bool onWindow(App& app, std::function<void()> fn) {
    if (conversionStopped(app.s)) return false;
    return app.p.window.runOnWindowThread(std::move(fn)) && !conversionStopped(app.s);
}

}  // namespace

std::vector<FolderEntry> listFolderEntries(const std::string& folder, const std::string& mountsFile) {
    std::vector<FolderEntry> out;
    const fs::path here(folder);
    if (here.has_relative_path()) out.push_back({"[..]", here.parent_path().string()});
    std::error_code ec;
    fs::directory_iterator it(here, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code dirEc;
        if (name.empty() || name[0] == '.' || !it->is_directory(dirEc)) continue;
        out.push_back({"[" + name + "]", it->path().string()});
    }
    for (const std::string& volume : mountedVolumes(mountsFile)) out.push_back({"[-" + volume + "-]", volume});
    return out;
}

void BatchConversionThread(App& app) {
    AppState& s = app.s;
    const bool started = onWindow(app, [&app] {
        Window& win = app.p.window;
        win.enableControl(ID_PLAY, false);
        win.enableControl(ID_PLAYBACK, false);
        win.killTimer(PollTimer);
        win.enableControl(ID_SONG_NAME_EDIT, false);
        win.updateControl(ID_SONG_NAME_EDIT);
    });
    if (!started) return;
    RunConversionPool(app, s.convertFileCount);
    if (conversionStopped(s)) return;
    onWindow(app, [&app] {
        setStatus(app, kSongNamePrompt);
        app.p.window.setTimer(PollTimer, kPollTimerMs);
        // Outside the convert mode nothing else would give the name box back.
        app.p.window.enableControl(ID_SONG_NAME_EDIT, true);
    });
}

void WavFilesToConvertCommand(App& app) {
    AppState& s = app.s;
    // The dialog rewrites the list a running worker reads.
    if (s.converting == 1 || s.workerRunning) {
        showMessage(app,
                    "A conversion is still running. Wait until it ends, or click on the display to stop it, "
                    "then choose the files again.",
                    "Convert WAV to MP3");
        return;
    }
    s.convertFileCount = 0;
    if (s.convertFolder.empty()) s.convertFolder = startFolder(s);
    WavConvertProc proc(app);
    app.p.window.runDialog(WavConvertTemplate(), proc);
    if (s.convertFileCount < 1) return;
    StartBatchConversion(app);
}

void StartBatchConversion(App& app) {
    AppState& s = app.s;
    if (s.convertFileCount < 1 || s.workerRunning) return;
    if (s.convertThread.joinable()) s.convertThread.join();
    s.workerRunning = true;
    try {
        s.convertThread = std::thread([&app] {
            BatchConversionThread(app);
            app.s.workerRunning = false;
        });
    } catch (const std::system_error&) {
        s.workerRunning = false;
        showMessage(app, "I can't perform this conversion. We ran out of memory", "Error");
    }
}

}  // namespace wl
