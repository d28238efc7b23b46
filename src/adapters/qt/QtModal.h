#pragma once
// The modal parts that need no window state: message boxes and the two file dialogs.
#include <QStringList>
#include <string>

#include "platform/Window.h"

class QWidget;

namespace wl {

// MB_OK / MB_OKCANCEL / MB_YESNO; returns IDOK, IDCANCEL, IDYES or IDNO. Esc and the close
// box give Cancel or No (OK for a lone OK button).
int showMessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned type);

// "Description\0pattern;pattern\0..." to Qt name filters ("Description (pattern pattern)").
QStringList nameFiltersFrom(const std::string& filter);

bool runFileDialog(QWidget* owner, FileDialogParams& params, bool save);

}  // namespace wl
