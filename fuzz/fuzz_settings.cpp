// Feeds arbitrary bytes to the settings reader as the "Wavelathe.ini" of a private folder.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "TestProgram.h"
#include "app/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const wl::test::TempWorkingDir dir;  // one private folder for the whole run
    {
        std::ofstream out(dir.path() / wl::kSettingsFileName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    wl::test::TestProgram prog{dir.path()};
    prog.cdrom.drives.resize(size % 4);
    wl::ReadSettings(prog.app);
    if (prog.s().bitsPerSample == 0) wl::ApplyDefaultSettings(prog.app);
    if (prog.s().savePath.size() >= wl::kPathCapacity) __builtin_trap();
    return 0;
}
