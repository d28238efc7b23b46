// A stand-in encoder library that lacks "beDeinitStream", for the loader's tests.
#include "platform/Encoder.h"

using namespace wl;

extern "C" {
__attribute__((visibility("default"))) uint32_t beInitStream(const uint8_t*, uint32_t*, uint32_t*, uint32_t*) {
    return BE_ERR_INVALID_FORMAT;
}
__attribute__((visibility("default"))) uint32_t beEncodeChunk(uint32_t, uint32_t, const int16_t*, uint8_t*,
                                                              uint32_t*) {
    return BE_ERR_INVALID_HANDLE;
}
__attribute__((visibility("default"))) uint32_t beCloseStream(uint32_t) { return BE_ERR_INVALID_HANDLE; }
__attribute__((visibility("default"))) void beVersion(BeVersionInfo*) {}
}
