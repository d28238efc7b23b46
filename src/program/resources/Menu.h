#pragma once
// "Wavelathe_Menu" and "Wavelathe_Accel".
#include <vector>

#include "platform/Window.h"

namespace wl {

std::vector<MenuPopup> MainMenu();
std::vector<Accelerator> MainAccelerators();

}  // namespace wl
