// The program's loader against the real encoder library, a missing one and an incomplete one.
#include <gtest/gtest.h>

#include <filesystem>

#include "adapters/dl/DlEncoderLoader.h"

namespace wl {
namespace {

const char* const kEntryPoints[] = {"beInitStream", "beEncodeChunk", "beDeinitStream", "beCloseStream", "beVersion"};

TEST(DlEncoderLoader, FindsTheBuiltLibraryAndEveryEntryPoint) {
    DlEncoderLoader byFolder(WL_BIN_DIR);
    DlEncoderLoader besideExecutable;  // the tests run from the folder the library is built in
    for (EncoderLoader* loader : {static_cast<EncoderLoader*>(&byFolder), static_cast<EncoderLoader*>(&besideExecutable)}) {
        ModuleHandle module = loader->load(kEncoderLibraryName);
        ASSERT_NE(module, nullptr);
        for (const char* name : kEntryPoints) EXPECT_NE(loader->entryPoint(module, name), nullptr) << name;
        EXPECT_EQ(loader->entryPoint(module, "beNoSuchCall"), nullptr);
        EXPECT_EQ(loader->entryPoint(module, nullptr), nullptr);
        loader->unload(module);
    }
}

TEST(DlEncoderLoader, AMissingLibraryLoadsAsNull) {
    auto empty = std::filesystem::temp_directory_path() / ("wl-no-encoder-" + std::to_string(getpid()));
    std::filesystem::create_directories(empty);
    DlEncoderLoader loader(empty.string());
    EXPECT_EQ(loader.load(kEncoderLibraryName), nullptr);
    EXPECT_EQ(loader.load((empty / "LameEnc.so").string()), nullptr);
    EXPECT_EQ(loader.entryPoint(nullptr, "beInitStream"), nullptr);
    loader.unload(nullptr);
    std::filesystem::remove_all(empty);
}

TEST(DlEncoderLoader, ALibraryWithoutOneEntryPointLoadsButLacksIt) {
    DlEncoderLoader loader(WL_BROKEN_DIR);
    ModuleHandle module = loader.load(kEncoderLibraryName);
    ASSERT_NE(module, nullptr);
    for (const char* name : kEntryPoints) {
        bool expected = std::string(name) != "beDeinitStream";
        EXPECT_EQ(loader.entryPoint(module, name) != nullptr, expected) << name;
    }
    loader.unload(module);
}

}  // namespace
}  // namespace wl
