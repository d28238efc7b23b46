#include "adapters/dl/DlEncoderLoader.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace wl {

namespace {
std::string executableFolder() {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : self.parent_path().string();
}
}  // namespace

DlEncoderLoader::DlEncoderLoader(std::string folder)
    : folder_(folder.empty() ? executableFolder() : std::move(folder)) {}

ModuleHandle DlEncoderLoader::load(const std::string& name) {
    std::string path = name;
    if (name.find('/') == std::string::npos && !folder_.empty()) path = folder_ + "/" + name;
    // RTLD_LOCAL keeps the encoder's symbols out of the program's namespace.
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* DlEncoderLoader::entryPoint(ModuleHandle module, const char* name) {
    if (!module || !name) return nullptr;
    return dlsym(module, name);
}

void DlEncoderLoader::unload(ModuleHandle module) {
    if (module) dlclose(module);
}

}  // namespace wl
