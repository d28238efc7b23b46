#include "resources/Templates.h"

namespace wl {

namespace {
Rect du(int x, int y, int w, int h) { return Rect{x, y, x + w, y + h}; }

DialogControl control(ControlKind kind, int id, const char* text, Rect rect, bool group = false,
                      bool tabStop = false) {
    DialogControl c;
    c.kind = kind;
    c.id = id;
    c.text = text;
    c.rect = rect;
    c.group = group;
    c.tabStop = tabStop;
    return c;
}
}  // namespace

DialogTemplate DefaultCdTemplate() {
    DialogTemplate t;
    t.name = "DefaultCD";
    t.caption = "Default CD Player";
    t.width = 135;
    t.height = 97;
    t.controls = {
        {ControlKind::Static, -1, "Select CD Player for ripping:", du(2, 1, 100, 10)},
        {ControlKind::ListBox, 127, "", du(2, 11, 130, 70), false, true},
        {ControlKind::DefPushButton, 1, "&OK", du(12, 81, 30, 13), false, true},
        {ControlKind::Button, 2, "&Cancel", du(90, 81, 30, 13), false, true},
    };
    return t;
}

DialogTemplate RecParWavTemplate() {
    using K = ControlKind;
    DialogTemplate t;
    t.name = "RecParWav";
    t.caption = "WAV Recording Parameters";
    t.width = 170;
    t.height = 59;
    t.controls = {
        control(K::GroupBox, 201, "Bits per Sample", du(2, 2, 56, 32)),
        control(K::AutoRadio, 205, "8 bits", du(6, 12, 30, 8), true),
        control(K::AutoRadio, 206, "16 bits", du(6, 22, 40, 8)),
        control(K::GroupBox, 202, "Samples per Sec", du(62, 2, 60, 42)),
        control(K::AutoRadio, 207, "11,025", du(66, 12, 40, 8), true),
        control(K::AutoRadio, 208, "22,050", du(66, 22, 40, 8)),
        control(K::AutoRadio, 209, "44,100", du(66, 32, 40, 8)),
        control(K::GroupBox, 203, "Channels", du(126, 2, 42, 32)),
        control(K::AutoRadio, 210, "Mono", du(130, 12, 30, 8), true),
        control(K::AutoRadio, 211, "Stereo", du(130, 22, 34, 8)),
        control(K::AutoCheckBox, 212, "Convert to MP3 file?", du(58, 48, 68, 8), false, true),
        control(K::Button, 1, "&OK", du(8, 43, 30, 12), false, true),
        control(K::Button, 2, "&Cancel", du(132, 43, 30, 12), false, true),
    };
    return t;
}

DialogTemplate RecParMp3Template() {
    using K = ControlKind;
    DialogTemplate t;
    t.name = "RecParMP3";
    t.caption = "MP3 Recording Parameters";
    t.width = 90;
    t.height = 85;
    t.controls = {
        control(K::GroupBox, 204, "MP3 Quality", du(10, 2, 68, 52)),
        control(K::AutoRadio, 213, "Low (32 kbps)", du(18, 12, 50, 8), true),
        control(K::AutoRadio, 214, "Medium (64)", du(18, 22, 50, 8)),
        control(K::AutoRadio, 215, "Good (128)", du(18, 32, 50, 8)),
        control(K::AutoRadio, 216, "Best (320)", du(18, 42, 50, 8)),
        control(K::AutoCheckBox, 217, "Save WAV file", du(18, 58, 60, 8), false, true),
        control(K::Button, 1, "&OK", du(8, 70, 30, 12), false, true),
        control(K::Button, 2, "&Cancel", du(51, 70, 30, 12), false, true),
    };
    return t;
}

DialogTemplate PathTemplate() {
    using K = ControlKind;
    DialogTemplate t;
    t.name = "Path";
    t.caption = "Path to save files";
    t.width = 193;
    t.height = 42;
    t.controls = {
        control(K::Static, -1, "Enter path for saving recorded, ripped, or converted sound files:", du(2, 1, 189, 10)),
        control(K::Button, 1, "&OK", du(50, 26, 30, 13), false, true),
        control(K::Button, 2, "&Cancel", du(113, 26, 30, 13), false, true),
        control(K::Edit, 134, "", du(2, 12, 189, 10), false, true),
    };
    return t;
}

DialogTemplate ReadOffsetTemplate() {
    using K = ControlKind;
    DialogTemplate t;
    t.name = "ReadOffset";
    t.caption = "Read Offset";
    t.width = 193;
    t.height = 86;
    t.controls = {
        control(K::Static, -1, "The drive's read offset in samples, as the drive offset lists give it", du(2, 1, 189, 10)),
        control(K::Static, -1, "(-5000 to 5000; disc images have none):", du(2, 11, 189, 10)),
        control(K::Edit, 136, "", du(2, 22, 60, 10), false, true),
        control(K::Button, 170, "&Detect", du(70, 21, 40, 12), false, true),
        control(K::Static, 171, "", du(2, 36, 189, 20)),
        control(K::Button, 172, "Use d&etected", du(2, 56, 60, 12), false, true),
        control(K::Button, 173, "Use &listed", du(70, 56, 60, 12), false, true),
        control(K::Button, 1, "&OK", du(50, 70, 30, 13), false, true),
        control(K::Button, 2, "&Cancel", du(113, 70, 30, 13), false, true),
    };
    return t;
}

DialogTemplate ReadModeTemplate() {
    using K = ControlKind;
    DialogTemplate t;
    t.name = "ReadMode";
    t.caption = "Read Mode";
    t.width = 193;
    t.height = 62;
    t.controls = {
        control(K::AutoRadio, 160, "&Burst: one fast read", du(6, 4, 180, 10), true, true),
        control(K::AutoRadio, 161, "&Secure: verified reads, re-reading what differs", du(6, 16, 180, 10)),
        control(K::AutoRadio, 162, "Secure &where needed: Burst, then Secure for a track no database confirms",
                du(6, 28, 185, 10)),
        control(K::Button, 1, "&OK", du(50, 45, 30, 13), true, true),
        control(K::Button, 2, "&Cancel", du(113, 45, 30, 13), false, true),
    };
    return t;
}

DialogTemplate TracksTemplate() {
    DialogTemplate t;
    t.name = "Tracks";
    t.caption = "Select Tracks to Record";
    t.width = 136;
    t.height = 122;
    t.controls = {
        {ControlKind::Static, -1, "Select tracks:", du(2, 1, 40, 10)},
        {ControlKind::Static, -1, "Tracks to record:", du(58, 2, 60, 10)},
        {ControlKind::Static, -1, "Rename:", du(2, 91, 28, 10)},
        {ControlKind::ListBox, 302, "", du(2, 11, 50, 80)},
        {ControlKind::ListBox, 303, "", du(58, 11, 75, 80)},
        {ControlKind::Edit, 304, "", du(32, 90, 101, 10), false, true},
        {ControlKind::Button, 1, "&Save", du(12, 105, 30, 13), false, true},
        {ControlKind::Button, 305, "C&lear", du(54, 105, 30, 13), false, true},
        {ControlKind::Button, 2, "&Cancel", du(95, 105, 30, 13), false, true},
    };
    return t;
}

DialogTemplate WavConvertTemplate() {
    DialogTemplate t;
    t.name = "WAVConvert";
    t.caption = "Convert WAV to MP3";
    t.width = 132;
    t.height = 96;
    t.controls = {
        {ControlKind::Static, -1, "Files available:", du(2, 1, 60, 10)},
        {ControlKind::Static, -1, "Files to convert:", du(70, 2, 60, 10)},
        {ControlKind::ListBox, 128, "", du(2, 10, 60, 70), false, false, true, true},
        {ControlKind::ListBox, 129, "", du(70, 10, 60, 70), false, false, true, false},
        {ControlKind::Button, 132, "&Start", du(2, 80, 30, 13)},
        {ControlKind::Button, 130, ">>", du(42, 80, 20, 13)},
        {ControlKind::Button, 131, "<<", du(70, 80, 20, 13)},
        {ControlKind::Button, 2, "&Cancel", du(100, 80, 30, 13)},
    };
    return t;
}

DialogTemplate DiscInfoTemplate() {
    using K = ControlKind;
    DialogTemplate t;
    t.name = "DiscInfo";
    t.caption = "Disc Information";
    t.width = 220;
    t.height = 242;
    t.controls = {
        control(K::Static, -1, "Album artist:", du(2, 3, 44, 10)),
        control(K::Edit, 402, "", du(48, 2, 124, 10), false, true),
        control(K::Static, -1, "Album:", du(2, 15, 44, 10)),
        control(K::Edit, 403, "", du(48, 14, 124, 10), false, true),
        control(K::Static, -1, "Year:", du(2, 27, 44, 10)),
        control(K::Edit, 404, "", du(48, 26, 30, 10), false, true),
        control(K::Static, 405, "Names: none", du(90, 27, 82, 10)),
        // The release's front cover, once there is one.
        control(K::Image, 413, "", du(176, 2, 42, 46)),
        control(K::Static, -1, "Tracks:", du(2, 40, 60, 10)),
        control(K::ListBox, 406, "", du(2, 50, 216, 70), false, true),
        control(K::Static, -1, "Title:", du(2, 125, 44, 10)),
        control(K::Edit, 407, "", du(48, 124, 170, 10), false, true),
        control(K::Static, -1, "Artist:", du(2, 137, 44, 10)),
        control(K::Edit, 408, "", du(48, 136, 170, 10), false, true),
        // Three lines: a status is one whole sentence, wrapped.
        control(K::Static, 409, "MusicBrainz has not been asked about this disc.", du(2, 150, 154, 26)),
        control(K::Button, 411, "&Look Up", du(160, 149, 58, 13), false, true),
        control(K::ListBox, 410, "", du(2, 180, 216, 38), false, true),
        control(K::Button, 412, "&Submit Disc...", du(2, 224, 58, 13), false, true),
        control(K::Button, 1, "&OK", du(100, 224, 30, 13), false, true),
        control(K::Button, 2, "&Cancel", du(160, 224, 58, 13), false, true),
    };
    return t;
}

DialogTemplate OutputFormatTemplate() {
    using K = ControlKind;
    DialogTemplate t;
    t.name = "OutputFormat";
    t.caption = "Output Format";
    t.width = 150;
    t.height = 82;
    t.controls = {
        control(K::GroupBox, -1, "Conversions write", du(2, 2, 146, 48)),
        control(K::AutoRadio, 160, "MP3", du(8, 12, 40, 8), true, true),
        control(K::AutoRadio, 161, "FLAC, level (0-8):", du(8, 24, 70, 8)),
        control(K::AutoRadio, 162, "Opus, kbit/s (64-256):", du(8, 36, 84, 8)),
        control(K::Edit, 163, "", du(96, 23, 30, 10), false, true),
        control(K::Edit, 164, "", du(96, 35, 30, 10), false, true),
        control(K::Button, 1, "&OK", du(20, 62, 30, 13), false, true),
        control(K::Button, 2, "&Cancel", du(100, 62, 30, 13), false, true),
    };
    return t;
}

}  // namespace wl
