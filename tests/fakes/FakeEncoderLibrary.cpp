#include "FakeEncoderLibrary.h"

#include <array>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace wl::test {
namespace {

constexpr int kSlots = 4;
std::array<FakeEncoderLibrary*, kSlots> slots{};
std::mutex slotMutex;

template <int N>
struct SlotFunctions {
    static uint32_t init(const uint8_t* c, uint32_t* spc, uint32_t* size, uint32_t* stream) {
        return slots[N]->init(c, spc, size, stream);
    }
    static uint32_t encode(uint32_t s, uint32_t n, const int16_t* pcm, uint8_t* out, uint32_t* produced) {
        return slots[N]->encode(s, n, pcm, out, produced);
    }
    static uint32_t deinit(uint32_t s, uint8_t* out, uint32_t* produced) { return slots[N]->deinit(s, out, produced); }
    static uint32_t close(uint32_t s) { return slots[N]->close(s); }
    static void version(BeVersionInfo* info) {
        if (info) *info = BeVersionInfo{};
    }
    static uint32_t vbr(const char* file) { return slots[N]->writeVbrHeader(file); }
};

struct SlotTable {
    void* init;
    void* encode;
    void* deinit;
    void* close;
    void* version;
    void* vbr;
};

template <int N>
SlotTable tableFor() {
    using F = SlotFunctions<N>;
    return SlotTable{reinterpret_cast<void*>(&F::init),   reinterpret_cast<void*>(&F::encode),
                     reinterpret_cast<void*>(&F::deinit), reinterpret_cast<void*>(&F::close),
                     reinterpret_cast<void*>(&F::version), reinterpret_cast<void*>(&F::vbr)};
}

const std::array<SlotTable, kSlots> tables{tableFor<0>(), tableFor<1>(), tableFor<2>(), tableFor<3>()};

uint32_t put(const std::string& bytes, uint8_t* out, uint32_t* produced) {
    std::memcpy(out, bytes.data(), bytes.size());
    *produced = uint32_t(bytes.size());
    return 0;
}

}  // namespace

FakeEncoderLibrary::FakeEncoderLibrary() : slot_(-1) {
    std::lock_guard<std::mutex> lock(slotMutex);
    for (int i = 0; i < kSlots; ++i)
        if (!slots[size_t(i)]) {
            slots[size_t(i)] = this;
            slot_ = i;
            break;
        }
    if (slot_ < 0) throw std::runtime_error("too many fake encoder libraries at once");
}

FakeEncoderLibrary::~FakeEncoderLibrary() {
    std::lock_guard<std::mutex> lock(slotMutex);
    slots[size_t(slot_)] = nullptr;
}

void FakeEncoderLibrary::install(FakeEncoderLoader& loader, const std::string& missing, bool withVbrHeader) {
    const SlotTable& t = tables[size_t(slot_)];
    loader.entryPoints = {{"beInitStream", t.init},     {"beEncodeChunk", t.encode}, {"beDeinitStream", t.deinit},
                          {"beCloseStream", t.close},   {"beVersion", t.version}};
    if (withVbrHeader) loader.entryPoints["beWriteVBRHeader"] = t.vbr;
    loader.entryPoints.erase(missing);
}

uint32_t FakeEncoderLibrary::init(const uint8_t* cfg, uint32_t* spc, uint32_t* size, uint32_t* stream) {
    config.assign(cfg, cfg + kEncoderConfigSize);
    if (initResult != 0) return initResult;
    *spc = samplesPerChunk;
    *size = bufferSize;
    *stream = handle();
    streamOpen = true;
    return 0;
}

uint32_t FakeEncoderLibrary::encode(uint32_t stream, uint32_t count, const int16_t* pcm, uint8_t* out,
                                    uint32_t* produced) {
    *produced = 0;
    if (stream != handle() || !streamOpen || count > samplesPerChunk) return BE_ERR_INVALID_HANDLE;
    const int index = chunks++;
    if (onEncode) onEncode(index);
    if (index == failEncodeAt) return BE_ERR_INVALID_FORMAT;
    samples.insert(samples.end(), pcm, pcm + count);
    return put(chunkOutput, out, produced);
}

uint32_t FakeEncoderLibrary::deinit(uint32_t stream, uint8_t* out, uint32_t* produced) {
    *produced = 0;
    ++deinits;
    if (stream != handle() || !streamOpen) return BE_ERR_INVALID_HANDLE;
    if (deinitResult != 0) return deinitResult;
    return put(finalOutput, out, produced);
}

uint32_t FakeEncoderLibrary::close(uint32_t stream) {
    ++closes;
    if (stream != handle() || !streamOpen) return BE_ERR_INVALID_HANDLE;
    streamOpen = false;
    return 0;
}

uint32_t FakeEncoderLibrary::writeVbrHeader(const char* file) {
    vbrHeaderFiles.emplace_back(file);
    return 0;
}

}  // namespace wl::test
