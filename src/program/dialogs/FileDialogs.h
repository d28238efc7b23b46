#pragma once
// The Save As and Open dialogs, sharing one record (fileDialogParams).
#include "app/App.h"

namespace wl {

// A chosen path goes into the song name box, which its readers take back at most 254
// characters; a longer one is refused rather than cut.
constexpr size_t kMaxChosenPath = 254;

// Fills fileDialogParams once, at window creation.
void setupFileDialogs(App& app);

// Offer `file` as the initial name and start in workingDir. True when the user chose a
// file that fits: `file` then holds its full path and `title` its file name.
bool chooseSaveFile(App& app, FixedText<kPathCapacity>& file, FixedText<512>& title);
bool chooseOpenFile(App& app, FixedText<kPathCapacity>& file, FixedText<512>& title);

}  // namespace wl
