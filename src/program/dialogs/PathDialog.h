#pragma once
// The Path to Save Files dialog: sets savePath to an existing folder.
#include "app/App.h"

namespace wl {

// ID_PATH_TO_SAVE_FILES (133). Returns the dialog's result (0).
int PathToSaveFilesCommand(App& app);

}  // namespace wl
