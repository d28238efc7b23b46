#pragma once
// A modal dialog built from a template at run time. Dialog units become pixels through the
// dialog font as the platform maps them: x * average char width / 4, y * height / 8.
#include "platform/Window.h"

class QWidget;

namespace wl {

// Runs the dialog until the procedure ends it; returns the value given to Dialog::end.
int runTemplateDialog(QWidget* owner, const DialogTemplate& dialog, DialogProc& proc);

}  // namespace wl
