// Feeds arbitrary bytes to the WAV header reader, in memory and as a file, and converts the
// file with a scripted encoder on the window's thread.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>

#include "FakeEncoderLibrary.h"
#include "TestProgram.h"
#include "app/Commands.h"
#include "mp3/Convert.h"
#include "mp3/WavHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static wl::test::TempWorkingDir dir;  // one folder for the whole run

    const wl::WavHeader mem = wl::readWavHeader(data, size);
    if (mem.convertible() && (mem.dataOffset > size || mem.dataSize > size - mem.dataOffset)) __builtin_trap();

    {
        std::ofstream out("in.wav", std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    std::FILE* f = std::fopen("in.wav", "rb");
    if (!f) return 0;
    const wl::WavHeader file = wl::readWavHeader(f);
    std::fclose(f);
    if (file.convertible() != mem.convertible() || file.dataOffset != mem.dataOffset ||
        file.dataSize != mem.dataSize)
        __builtin_trap();

    wl::test::TestProgram prog;
    wl::test::FakeEncoderLibrary lib;
    lib.samplesPerChunk = 64;
    lib.install(prog.encoder);
    prog.s().encoderModule = prog.encoder.load(wl::kEncoderLibraryName);
    prog.s().keepWav = 1;
    prog.s().samplesPerSec = 44100;
    prog.s().bitsPerSample = 16;
    prog.s().channels = 2;
    prog.window.setControlText(wl::ID_SONG_NAME_EDIT, "in.wav");
    prog.s().converting = 1;
    wl::ConvertWavFile(prog.app);
    if (prog.s().converting != 0) __builtin_trap();
    // Exactly the audio's samples reach the encoder, or nothing when the file is refused.
    const size_t expected = file.convertible() ? size_t(file.dataSize / 2) : 0;
    if (lib.samples.size() != expected) __builtin_trap();
    return 0;
}
