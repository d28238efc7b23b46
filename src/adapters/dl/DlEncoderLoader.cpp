#include "adapters/dl/DlEncoderLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

#include "adapters/dl/InstallPaths.h"

namespace wl {

DlEncoderLoader::DlEncoderLoader(std::string folder)
    : folders_{folder.empty() ? runningExecutableFolder() : std::move(folder)} {}

DlEncoderLoader::DlEncoderLoader(std::vector<std::string> folders) : folders_(std::move(folders)) {}

ModuleHandle DlEncoderLoader::load(const std::string& name) {
    // RTLD_LOCAL keeps the encoder's symbols out of the program's namespace.
    constexpr int kMode = RTLD_NOW | RTLD_LOCAL;
    if (name.find('/') != std::string::npos) return dlopen(name.c_str(), kMode);
    for (const std::string& folder : folders_) {
        if (folder.empty()) continue;
        const std::string path = folder + "/" + name;
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) continue;
        if (ModuleHandle module = dlopen(path.c_str(), kMode)) return module;
    }
    return nullptr;
}

void* DlEncoderLoader::entryPoint(ModuleHandle module, const char* name) {
    if (!module || !name) return nullptr;
    return dlsym(module, name);
}

void DlEncoderLoader::unload(ModuleHandle module) {
    if (module) dlclose(module);
}

}  // namespace wl
