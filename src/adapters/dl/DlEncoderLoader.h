#pragma once
// EncoderLoader over dlopen. A bare library name is looked up next to the executable (only
// there), so the program finds the encoder library installed beside it.
#include <string>

#include "platform/Encoder.h"

namespace wl {

class DlEncoderLoader : public EncoderLoader {
public:
    // folder: where bare names are looked up; empty = the running executable's folder.
    explicit DlEncoderLoader(std::string folder = {});
    ModuleHandle load(const std::string& name) override;
    void* entryPoint(ModuleHandle module, const char* name) override;
    void unload(ModuleHandle module) override;

private:
    std::string folder_;
};

}  // namespace wl
