#pragma once
// A modal dialog built from a template at run time. Dialog units become pixels through the
// dialog font as the platform maps them: x * base width / 4, y * height / 8, where the base
// width is the platform's average of the 52 letters (wider than the width of "x", and what
// keeps the templates' texts inside their controls).
#include <QFont>
#include <QRect>

#include "platform/Window.h"

class QWidget;

namespace wl {

struct DialogUnits {
    int x = 0, y = 0;
};
QFont dialogFont();  // the small dialog face the templates were laid out for
DialogUnits dialogUnits(const QFont& font);
// A template rectangle in pixels: the one conversion the host uses, so the font can change.
QRect dialogRect(const Rect& r, DialogUnits units);
// Each control of a built dialog carries its template id under this property.
inline constexpr char kControlIdProperty[] = "wlControlId";

// Runs the dialog until the procedure ends it; returns the value given to Dialog::end.
int runTemplateDialog(QWidget* owner, const DialogTemplate& dialog, DialogProc& proc);

}  // namespace wl
