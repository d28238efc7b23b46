// Feeds arbitrary bytes to the WAV header reader, from memory and as a stream, and converts
// them as a file of a private folder with a scripted encoder on the window's thread.
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
    static const wl::test::TempWorkingDir dir;  // one private folder for the whole run

    const wl::WavHeader mem = wl::readWavHeader(data, size);
    if (mem.convertible() && (mem.dataOffset > size || mem.dataSize > size - mem.dataOffset)) __builtin_trap();

    // The stream reader must agree with the memory reader, read from the same bytes.
    std::FILE* stream = size ? ::fmemopen(const_cast<uint8_t*>(data), size, "rb") : std::tmpfile();
    if (!stream) return 0;
    const wl::WavHeader file = wl::readWavHeader(stream);
    std::fclose(stream);
    if (file.convertible() != mem.convertible() || file.dataOffset != mem.dataOffset ||
        file.dataSize != mem.dataSize)
        __builtin_trap();

    const std::string wav = (dir.path() / "in.wav").string();
    {
        std::ofstream out(wav, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    wl::test::TestProgram prog{dir.path()};
    wl::test::FakeEncoderLibrary lib;
    lib.samplesPerChunk = 64;
    lib.install(prog.encoder);
    prog.s().encoderModule = prog.encoder.load(wl::kEncoderLibraryName);
    prog.s().keepWav = 1;
    prog.s().samplesPerSec = 44100;
    prog.s().bitsPerSample = 16;
    prog.s().channels = 2;
    prog.window.createEdit(wl::ID_SONG_NAME_EDIT, wl::Rect{});  // a window's controls exist only once made
    prog.window.setControlText(wl::ID_SONG_NAME_EDIT, wav);
    prog.s().converting = 1;
    wl::ConvertWavFile(prog.app);
    if (prog.s().converting != 0) __builtin_trap();
    // Exactly the audio's samples reach the encoder, or nothing when the file is refused.
    const size_t expected = file.convertible() ? size_t(file.dataSize / 2) : 0;
    if (lib.samples.size() != expected) __builtin_trap();
    return 0;
}
