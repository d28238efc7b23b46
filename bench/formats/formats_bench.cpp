// Converts a generated WAV (3 minutes unless the first argument gives seconds) through the
// convert mode's Play to FLAC level 5 and to Opus at 160 kbit/s, and with `flac -5 --verify`
// and `opusenc --bitrate 160`, alternating, best of three each; and FLAC with and without the
// ReplayGain measurement. Prints the times and their ratios.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "FormatsProgram.h"
#include "WavFiles.h"
#include "app/Commands.h"
#include "mp3/BatchConvert.h"

using namespace wl;
using namespace wl::bench;
namespace fs = std::filesystem;

namespace {

double convertWithProgram(const std::string& wav, int format, bool gain) {
    FormatsProgram f(gain);
    f.prog.s().outputFormat = format;
    f.prog.s().flacLevel = 5;
    f.prog.s().opusKbps = 160;
    f.prog.window.setControlText(ID_SONG_NAME_EDIT, wav);
    return f.timeConversion([&] { f.prog.window.click(ID_PLAY); });
}

// The batch conversion of `files` to FLAC level 5, one stream per core.
double batchWithProgram(const std::vector<std::string>& files) {
    FormatsProgram f(true);
    f.prog.s().outputFormat = 1;
    f.prog.s().flacLevel = 5;
    f.prog.s().conversionStreams = 0;
    f.prog.s().convertFiles = files;
    f.prog.s().convertFileCount = int32_t(files.size());
    return f.timeConversion([&] { StartBatchConversion(f.prog.app); });
}

double commandSeconds(const std::string& cmd) {
    const auto start = Clock::now();
    if (std::system(cmd.c_str()) != 0) return -1;
    return seconds(Clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
    const int length = wavSeconds(argc, argv);
    test::TempWorkingDir dir;
    const std::string wav = (dir.path() / "song.wav").string();
    test::writeFileBytes(wav, test::musicWav(length));
    const std::string flacCmd = "flac -s -f -5 --verify -o '" + (dir.path() / "cli.flac").string() + "' '" + wav + "'";
    const std::string opusCmd = "opusenc --quiet --bitrate 160 '" + wav + "' '" + (dir.path() / "cli.opus").string() + "'";
    double flac = 1e9, flacCli = 1e9, flacNoGain = 1e9, opus = 1e9, opusCli = 1e9;
    for (int round = 0; round < 3; ++round) {
        flacCli = std::min(flacCli, commandSeconds(flacCmd));
        flac = std::min(flac, convertWithProgram(wav, 1, true));
        flacNoGain = std::min(flacNoGain, convertWithProgram(wav, 1, false));
        opusCli = std::min(opusCli, commandSeconds(opusCmd));
        opus = std::min(opus, convertWithProgram(wav, 2, true));
    }
    std::vector<std::string> batch;
    double batchCli = 0;
    for (int i = 1; i <= 5; ++i) {
        const fs::path wavN = dir.path() / ("batch" + std::to_string(i) + ".wav");
        fs::copy_file(wav, wavN);
        batch.push_back(wavN.string());
        batchCli += commandSeconds("flac -s -f -5 --verify -o '" + (dir.path() / "cli-batch.flac").string() + "' '" +
                                   wavN.string() + "'");
    }
    const double batchProgram = batchWithProgram(batch);
    std::printf("%d-second WAV, best of 3:\n", length);
    std::printf("  FLAC level 5, program: %.3f s (%ju bytes); flac -5 --verify: %.3f s (%ju bytes); ratio %.3f (limit 1.0)\n",
                flac, uintmax_t(fs::file_size(dir.path() / "song.flac")), flacCli,
                uintmax_t(fs::file_size(dir.path() / "cli.flac")), flac / flacCli);
    std::printf("  ReplayGain's share of the FLAC encode: %.3f s without, ratio %.3f (limit 1.15)\n", flacNoGain,
                flac / flacNoGain);
    std::printf("  Opus 160 kbit/s, program: %.3f s; opusenc --bitrate 160: %.3f s; ratio %.3f (limit 1.0)\n", opus,
                opusCli, opus / opusCli);
    std::printf("  batch of 5 to FLAC, program: %.3f s; 5 sequential flac -5 --verify: %.3f s; ratio %.3f (limit 0.55)\n",
                batchProgram, batchCli, batchProgram / batchCli);
    return 0;
}
