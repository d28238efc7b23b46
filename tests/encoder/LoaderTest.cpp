// The program's loader against the real encoder library, a missing one and an incomplete one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "adapters/dl/DlEncoderLoader.h"
#include "adapters/dl/InstallPaths.h"

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

// The installed program looks in its private folder first, then beside itself: the first folder
// holding the library wins, and folders without it are passed over.
TEST(DlEncoderLoader, FoldersAreTriedInOrderAndTheFirstHoldingTheLibraryWins) {
    const std::string none = "/nonexistent/wavelathe";
    DlEncoderLoader brokenFirst(std::vector<std::string>{none, "", WL_BROKEN_DIR, WL_BIN_DIR});
    ModuleHandle module = brokenFirst.load(kEncoderLibraryName);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(brokenFirst.entryPoint(module, "beDeinitStream"), nullptr) << "the broken copy comes first";
    brokenFirst.unload(module);

    DlEncoderLoader realSecond(std::vector<std::string>{none, WL_BIN_DIR, WL_BROKEN_DIR});
    module = realSecond.load(kEncoderLibraryName);
    ASSERT_NE(module, nullptr);
    EXPECT_NE(realSecond.entryPoint(module, "beDeinitStream"), nullptr);
    realSecond.unload(module);

    // A bare name never falls back to the system's library path.
    DlEncoderLoader nowhere(std::vector<std::string>{});
    EXPECT_EQ(nowhere.load(kEncoderLibraryName), nullptr);
    EXPECT_EQ(nowhere.load("libc.so.6"), nullptr);
}

class InstallPathsTest : public ::testing::Test {
protected:
    std::filesystem::path root = std::filesystem::temp_directory_path() /
                                 ("wl-install-" + std::to_string(getpid()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(root / "bin"); }
    void TearDown() override { std::filesystem::remove_all(root); }
    void touch(const std::string& relative) {
        std::filesystem::create_directories((root / relative).parent_path());
        std::ofstream(root / relative) << "x";
    }
    std::string at(const std::string& relative) { return (root / relative).lexically_normal().string(); }
    std::string bin() { return (root / "bin").string(); }
};

TEST_F(InstallPathsTest, AnInstalledTreeIsFoundFromItsBinFolder) {
    touch("share/wavelathe/help/index.html");
    touch("bin/help/index.html");  // an installed page wins over a stray one beside the program
    touch("share/icons/hicolor/48x48/apps/wavelathe.png");
    InstallPaths paths = findInstallPaths(bin());
    EXPECT_EQ(paths.encoderFolders, (std::vector<std::string>{at("lib/wavelathe"), bin()}));
    EXPECT_EQ(paths.helpPage, at("share/wavelathe/help/index.html"));
    EXPECT_EQ(paths.icon, at("share/icons/hicolor/48x48/apps/wavelathe.png"));
}

TEST_F(InstallPathsTest, TheBuildTreeKeepsTheHelpPageBesideTheProgram) {
    touch("bin/help/index.html");
    InstallPaths paths = findInstallPaths(bin());
    EXPECT_EQ(paths.helpPage, at("bin/help/index.html"));
    EXPECT_EQ(paths.icon, "") << "no icon drawn: the window goes without";
}

TEST_F(InstallPathsTest, WithoutAnyHelpPageTheInstalledOneIsNamedSoOpeningItFails) {
    InstallPaths paths = findInstallPaths(bin());
    EXPECT_EQ(paths.helpPage, at("share/wavelathe/help/index.html"));
    EXPECT_FALSE(std::filesystem::exists(paths.helpPage));
}

TEST(InstallPaths, TheTestsOwnBuildTreeHasTheEncoderBesideThem) {
    InstallPaths paths = findInstallPaths(runningExecutableFolder());
    ASSERT_EQ(paths.encoderFolders.size(), 2u);
    DlEncoderLoader loader(paths.encoderFolders);
    ModuleHandle module = loader.load(kEncoderLibraryName);
    EXPECT_NE(module, nullptr);
    loader.unload(module);
}

}  // namespace
}  // namespace wl
