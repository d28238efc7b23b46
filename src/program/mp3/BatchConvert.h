#pragma once
// The WAV Files to Convert dialog and the worker that converts the chosen files, several at
// once (mp3/ConversionPool.h).
#include <string>

#include "app/App.h"

namespace wl {

constexpr int kAvailableFilesList = 128;
constexpr int kChosenFilesList = 129;
constexpr int kAddFilesButton = 130;
constexpr int kRemoveFilesButton = 131;
constexpr int kStartButton = 132;
// convertFiles entries are 264-byte fields of the original layout.
constexpr size_t kMaxConvertPathChars = 263;

// Command 114: the dialog, then the worker when files were chosen.
void WavFilesToConvertCommand(App& app);

// Starts the worker on the chosen files (convertFiles, convertFileCount); not while a worker runs.
void StartBatchConversion(App& app);

// The worker's routine; runs off the window's thread.
void BatchConversionThread(App& app);

// The entries the dialog lists for folder: "[..]" (below the root), "[sub]" for each
// visible subfolder, and "[-/mount/point-]" for the file-system root and each mounted
// volume under /media, /mnt and /run/media, as drives are listed in brackets.
struct FolderEntry {
    std::string text;  // as listed
    std::string path;  // where a double-click goes
};
std::vector<FolderEntry> listFolderEntries(const std::string& folder, const std::string& mountsFile = "/proc/self/mounts");

}  // namespace wl
