#pragma once
// Dialog templates of the program's resources (dialog units, "MS Sans Serif" 10 point).
#include "platform/Window.h"

namespace wl {

DialogTemplate DefaultCdTemplate();
DialogTemplate RecParWavTemplate();
DialogTemplate RecParMp3Template();
DialogTemplate PathTemplate();
DialogTemplate ReadOffsetTemplate();
DialogTemplate ReadModeTemplate();
DialogTemplate TracksTemplate();
DialogTemplate WavConvertTemplate();
DialogTemplate DiscInfoTemplate();
DialogTemplate OutputFormatTemplate();

}  // namespace wl
