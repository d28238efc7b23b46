#pragma once
// EncoderLoader over dlopen. A bare library name is looked up in the given folders only, in
// order (never on the system's library path), so the program loads its own encoder library.
#include <string>
#include <vector>

#include "platform/Encoder.h"

namespace wl {

class DlEncoderLoader : public EncoderLoader {
public:
    // folder: where bare names are looked up; empty = the running executable's folder.
    explicit DlEncoderLoader(std::string folder = {});
    // folders: tried in order; the first that holds a loadable library wins.
    explicit DlEncoderLoader(std::vector<std::string> folders);
    ModuleHandle load(const std::string& name) override;
    void* entryPoint(ModuleHandle module, const char* name) override;
    void unload(ModuleHandle module) override;

private:
    std::vector<std::string> folders_;
};

}  // namespace wl
