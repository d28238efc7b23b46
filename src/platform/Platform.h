#pragma once
// The ports one program is wired to. main.cpp wires the real adapters; tests wire fakes.
#include "platform/Cdrom.h"
#include "platform/Desktop.h"
#include "platform/Encoder.h"
#include "platform/Mci.h"
#include "platform/Window.h"

namespace wl {

struct Platform {
    Window& window;
    Mci& mci;
    Cdrom& cdrom;
    EncoderLoader& encoder;
    Desktop& desktop;
};

}  // namespace wl
