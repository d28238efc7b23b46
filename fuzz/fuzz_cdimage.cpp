// Fuzzes the disc image path: the input is a CUE sheet (after one byte choosing how long
// its data file is), opened as a drive and read through every call of the library.
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "adapters/cdrom/LibcdioCdrom.h"

namespace {

// One private folder for the whole run, removed when the run ends.
struct WorkFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("wl-fuzz-cdimage-" + std::to_string(::getpid()));
    WorkFolder() { std::filesystem::create_directories(path); }
    ~WorkFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
};

void readThrough(wl::LibcdioCdrom& cdrom) {
    uint8_t list[wl::kDriveListSize] = {};
    cdrom.GetCDList(list);
    if (list[1] == 0) return;
    const uint8_t* e = wl::driveEntry(list, 0);
    const uint8_t request[wl::kHandleRequestSize] = {12, 1, e[0], e[1], e[2], 0};
    const wl::CdHandle h = cdrom.GetCDHandle(request);
    if (h == 0) return;
    uint8_t toc[wl::kTocSize];
    cdrom.ModifyCDParms(h, wl::kCdParmAddressing, 1);
    cdrom.ReadTOC(h, toc);
    cdrom.ModifyCDParms(h, wl::kCdParmAddressing, 0);
    if (cdrom.ReadTOC(h, toc) != 1) return;
    std::vector<uint8_t> buf(wl::kReadBufHeaderSize + 4 * wl::kCdFrameBytes);
    for (size_t k = 0; k <= toc[3] && k < wl::kTocMaxEntries; ++k) {
        const uint32_t at = wl::getBe32(wl::tocEntry(toc, k) + 4);
        for (uint32_t start : {at, at - 1, at + 1}) {
            wl::putLe32(buf.data() + wl::kReadBufStartFrame, start);
            wl::putLe32(buf.data() + wl::kReadBufFrameCount, 3);
            wl::putLe32(buf.data() + wl::kReadBufCapacity, 4 * wl::kCdFrameBytes);
            cdrom.ReadCDAudioLBA(h, buf.data(), buf.size());
        }
    }
    cdrom.CloseCDHandle(h);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const WorkFolder folder;
    const auto cue = folder.path / "f.cue";
    const auto bin = folder.path / "f.bin";
    {
        std::ofstream out(bin, std::ios::binary | std::ios::trunc);
        const std::vector<char> frames(size_t(data[0] % 40) * 1176 + (data[0] & 1), '\x55');
        out.write(frames.data(), std::streamsize(frames.size()));
    }
    std::ofstream(cue, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), std::streamsize(size - 1));
    wl::LibcdioCdrom cdrom(cue.string(), [](const std::string&) {});
    readThrough(cdrom);
    return 0;
}
