// Rips the one track of a generated image through ReadCDAudioLBA in 26-frame chunks into a WAV
// file, then has cd-paranoia -Z rip the same track, and prints both times.
// Usage: bench_cdrom [FOLDER [MINUTES]]   (scratch files, about 32 MB a minute, removed afterwards)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

#include "DiscImage.h"
#include "adapters/cdrom/LibcdioCdrom.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr uint32_t kChunk = 26;

void wavHeader(uint8_t (&h)[44], uint32_t dataLength) {
    const uint8_t fixed[44] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                               16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 0x02, 0,
                               4, 0, 16, 0, 'd', 'a', 't', 'a', 0, 0, 0, 0};
    std::copy(std::begin(fixed), std::end(fixed), h);
    wl::putLe32(h + 4, dataLength + 36);
    wl::putLe32(h + 40, dataLength);
}

// Returns seconds, or a negative number on failure.
double ripThroughLibrary(const fs::path& cue, const fs::path& out) {
    const auto t0 = Clock::now();
    wl::LibcdioCdrom cdrom(cue.string());
    uint8_t list[wl::kDriveListSize] = {};
    cdrom.GetCDList(list);
    const uint8_t* e = wl::driveEntry(list, 0);
    const uint8_t request[wl::kHandleRequestSize] = {12, 1, e[0], e[1], e[2], 0};
    const wl::CdHandle h = cdrom.GetCDHandle(request);
    uint8_t toc[wl::kTocSize];
    cdrom.ModifyCDParms(h, wl::kCdParmAddressing, 0);
    if (h == 0 || cdrom.ReadTOC(h, toc) != 1) return -1;
    uint32_t start = wl::getBe32(wl::tocEntry(toc, 0) + 4);
    uint32_t count = wl::getBe32(wl::tocEntry(toc, 1) + 4) - start;

    std::FILE* f = std::fopen(out.c_str(), "w+b");
    if (f == nullptr) return -1;
    uint8_t header[44];
    wavHeader(header, 0);
    std::fwrite(header, 1, 44, f);
    std::vector<uint8_t> buf(wl::kReadBufHeaderSize + kChunk * wl::kCdFrameBytes);
    uint32_t total = 0;
    while (count != 0) {
        const uint32_t n = std::min(count, kChunk);
        wl::putLe32(buf.data() + wl::kReadBufStartFrame, start);
        wl::putLe32(buf.data() + wl::kReadBufFrameCount, n);
        wl::putLe32(buf.data() + wl::kReadBufCapacity, kChunk * wl::kCdFrameBytes);
        if (cdrom.ReadCDAudioLBA(h, buf.data(), buf.size()) != 1) return -1;
        const uint32_t length = wl::getLe32(buf.data() + wl::kReadBufLength);
        std::fwrite(buf.data() + wl::kReadBufHeaderSize + wl::getLe32(buf.data() + wl::kReadBufOffset), 1, length, f);
        total += length;
        start += n;
        count -= n;
    }
    wavHeader(header, total);
    std::fseek(f, 0, SEEK_SET);
    std::fwrite(header, 1, 44, f);
    if (std::fclose(f) != 0) return -1;
    cdrom.CloseCDHandle(h);
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

// Compares the audio after the 44-byte headers; prints where they first differ.
bool sameAudio(const fs::path& a, const fs::path& b) {
    std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
    std::vector<char> x(1 << 20), y(1 << 20);
    fa.seekg(44);
    fb.seekg(44);
    for (uint64_t at = 0;; at += x.size()) {
        fa.read(x.data(), std::streamsize(x.size()));
        fb.read(y.data(), std::streamsize(y.size()));
        if (fa.gcount() != fb.gcount()) {
            std::printf("  audio lengths differ near byte %llu\n", static_cast<unsigned long long>(at));
            return false;
        }
        const auto n = size_t(fa.gcount());
        const auto m = std::mismatch(x.begin(), x.begin() + std::ptrdiff_t(n), y.begin());
        if (m.first != x.begin() + std::ptrdiff_t(n)) {
            std::printf("  audio differs at byte %llu\n", static_cast<unsigned long long>(at + size_t(m.first - x.begin())));
            return false;
        }
        if (n < x.size()) return true;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path folder = wl::bench::scratchFolder(argc, argv, "wl-bench-cdrom");
    const uint32_t frames = wl::bench::imageFrames(argc, argv);
    wl::bench::writeLongImage(folder, frames);  // just written, so both readers find it in the page cache

    const double ours = ripThroughLibrary(folder / "long.cue", folder / "library.wav");
    const double theirs = wl::bench::ripWithCdParanoia(folder);
    const bool same = ours >= 0 && theirs >= 0 && sameAudio(folder / "library.wav", folder / "paranoia.wav");
    std::printf("%u-minute track (%u frames, %.1f MB), 26-frame chunks into a WAV file\n", frames / 4500, frames,
                frames * double(wl::kCdFrameBytes) / 1e6);
    std::printf("  ReadCDAudioLBA loop : %8.3f s\n", ours);
    std::printf("  cd-paranoia -Z      : %8.3f s\n", theirs);
    std::printf("  same audio bytes    : %s\n", same ? "yes" : "NO");
    std::error_code ec;
    if (!same) std::printf("  files kept in %s\n", folder.c_str());
    else fs::remove_all(folder, ec);
    return ours >= 0 && theirs >= 0 && same ? 0 : 1;
}
