// The AutoRun value to restore, kept in a file that outlives the process.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "adapters/desktop/GioDesktop.h"

namespace fs = std::filesystem;
using wl::GioDesktop;

namespace {

struct StateFolder {
    fs::path path = fs::temp_directory_path() / ("wl-state-" + std::to_string(::getpid()));
    ~StateFolder() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

TEST(AutoRunState, KeptInItsFolderReadBackAndForgotten) {
    StateFolder dir;
    const fs::path file = dir.path / "wavelathe" / "autorun";
    GioDesktop desktop("", {}, file.string());
    EXPECT_FALSE(desktop.pendingPolicy().has_value());
    ASSERT_TRUE(desktop.keepPendingPolicy(0x91));  // the folder is created
    EXPECT_EQ(GioDesktop("", {}, file.string()).pendingPolicy(), 0x91u);  // another run sees it
    ASSERT_TRUE(desktop.keepPendingPolicy(0xFFFFFFFF));
    EXPECT_EQ(desktop.pendingPolicy(), 0xFFFFFFFFu);
    desktop.forgetPendingPolicy();
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(fs::directory_iterator(file.parent_path()), fs::directory_iterator());  // nothing left over

    for (const char* garbage : {"", "abc\n", "-1\n", "99999999999\n"}) {
        std::ofstream(file) << garbage;
        EXPECT_FALSE(desktop.pendingPolicy().has_value()) << garbage;
    }
}

TEST(AutoRunState, TheDefaultFileFollowsTheXdgStateFolder) {
    const char* state = std::getenv("XDG_STATE_HOME");
    const std::string saved = state ? state : "", home = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("XDG_STATE_HOME", "/st", 1);
    EXPECT_EQ(GioDesktop::defaultStateFile(), "/st/wavelathe/autorun");
    setenv("XDG_STATE_HOME", "relative", 1);  // ignored, as the XDG rules say
    setenv("HOME", "/home/ann", 1);
    EXPECT_EQ(GioDesktop::defaultStateFile(), "/home/ann/.local/state/wavelathe/autorun");
    setenv("HOME", home.c_str(), 1);
    if (state) setenv("XDG_STATE_HOME", saved.c_str(), 1);
    else unsetenv("XDG_STATE_HOME");
}

}  // namespace
