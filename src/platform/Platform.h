#pragma once
// The ports one program is wired to. main.cpp wires the real adapters; tests wire fakes.
#include "platform/Cdrom.h"
#include "platform/Desktop.h"
#include "platform/Encoder.h"
#include "platform/Hashing.h"
#include "platform/Mci.h"
#include "platform/WebFetch.h"
#include "platform/Window.h"

namespace wl {

struct Platform {
    Window& window;
    Mci& mci;
    Cdrom& cdrom;
    EncoderLoader& encoder;
    Desktop& desktop;
    Hashing* hashing = nullptr;  // none: rips carry no copy CRC and logs no checksum
    WebFetch* accurateRip = nullptr;  // none: rips are not verified
};

}  // namespace wl
