#pragma once
// The ports one program is wired to. main.cpp wires the real adapters; tests wire fakes.
#include "platform/CdLayout.h"
#include "platform/AudioEncoder.h"
#include "platform/CdText.h"
#include "platform/Cdrom.h"
#include "platform/DiscId.h"
#include "platform/DiscLookup.h"
#include "platform/Desktop.h"
#include "platform/Encoder.h"
#include "platform/Hashing.h"
#include "platform/Loudness.h"
#include "platform/Mci.h"
#include "platform/SecureRead.h"
#include "platform/WebFetch.h"
#include "platform/Tags.h"
#include "platform/Window.h"

namespace wl {

struct Platform {
    Window& window;
    Mci& mci;
    Cdrom& cdrom;
    EncoderLoader& encoder;
    Desktop& desktop;
    // The disc's names and tags. Unwired (null), a disc has no CD-Text, no MusicBrainz ID
    // and its MP3s no tag: the program works as it did before it had them.
    CdTextReader* cdText = nullptr;
    DiscIdCalculator* discId = nullptr;
    TagWriter* tags = nullptr;
    Hashing* hashing = nullptr;  // none: rips carry no copy CRC and logs no checksum
    WebFetch* accurateRip = nullptr;  // none: rips are not verified
    DiscLookup* discLookup = nullptr;  // none: no names from online
    WebFetch* ctdb = nullptr;  // none: no CTDB verdict
    SecureReader* secureRead = nullptr;  // none: every rip reads in Burst
    CdLayoutReader* cdLayout = nullptr;  // none: no pregaps, codes or hidden track
    AudioEncoders* audioEncoders = nullptr;  // none: FLAC and Opus conversions are refused
    Loudness* loudness = nullptr;            // none: files carry no ReplayGain values
    WebFetch* coverArt = nullptr;            // none: files carry no front cover
};

}  // namespace wl
