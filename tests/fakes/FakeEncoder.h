#pragma once
// An encoder loader whose library and entry points the test decides: present or missing,
// each entry point a function the test supplies (or missing).
#include <map>
#include <string>
#include <vector>

#include "platform/Encoder.h"

namespace wl::test {

class FakeEncoderLoader : public EncoderLoader {
public:
    bool present = true;
    std::map<std::string, void*> entryPoints;
    std::vector<std::string> loads;
    int unloads = 0;
    bool loaded = false;

    ModuleHandle load(const std::string& name) override {
        loads.push_back(name);
        if (!present) return nullptr;
        loaded = true;
        return this;
    }
    void* entryPoint(ModuleHandle module, const char* name) override {
        if (module != this) return nullptr;
        auto it = entryPoints.find(name);
        return it == entryPoints.end() ? nullptr : it->second;
    }
    void unload(ModuleHandle module) override {
        if (module == this) { ++unloads; loaded = false; }
    }
};

}  // namespace wl::test
