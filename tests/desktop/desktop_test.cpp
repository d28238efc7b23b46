// The AutoRun policy over GSettings (memory backend: the user's desktop is never touched).
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "adapters/desktop/GioDesktop.h"

using wl::GioDesktop;

TEST(GioDesktop, NeverAutorunIsSetAndTheValueReadRestoresIt) {
    setenv("GSETTINGS_BACKEND", "memory", 1);
    GioDesktop desktop("");
    if (!desktop.openPolicyKey()) GTEST_SKIP() << "no media-handling schema on this machine";
    auto before = desktop.readPolicy();
    ASSERT_TRUE(before.has_value());
    EXPECT_TRUE(desktop.writePolicy(0xFF));
    EXPECT_EQ(desktop.readPolicy(), 0xFFu);
    EXPECT_TRUE(desktop.writePolicy(*before));
    EXPECT_EQ(desktop.readPolicy(), before);
    desktop.closePolicyKey();
    EXPECT_FALSE(desktop.readPolicy().has_value());
}

TEST(GioDesktop, WithoutTheSchemaTheKeyDoesNotOpen) {
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("XDG_DATA_DIRS", "/nonexistent", 1);
    setenv("GSETTINGS_SCHEMA_DIR", "/nonexistent", 1);
    GioDesktop desktop("");
    EXPECT_FALSE(desktop.openPolicyKey());
    EXPECT_FALSE(desktop.writePolicy(0xFF));
}

TEST(GioDesktop, HelpAndMixerReportWhatCouldNotBeStarted) {
    GioDesktop desktop("/nonexistent/help/index.html", {"no-such-mixer-program", "", "no-such-mixer sound"});
    EXPECT_FALSE(desktop.openHelpContents());
    EXPECT_FALSE(desktop.startVolumeControl());
}

TEST(GioDesktop, TheFirstMixerFoundStartsWithItsArguments) {
    const auto marker = std::filesystem::temp_directory_path() / ("wl-mixer-" + std::to_string(getpid()));
    std::filesystem::remove(marker);
    // "touch FILE" stands in for a mixer: it runs only if its argument arrives.
    GioDesktop desktop("", {"no-such-mixer-program", "touch " + marker.string(), "false"});
    ASSERT_TRUE(desktop.startVolumeControl());
    for (int i = 0; i < 200 && !std::filesystem::exists(marker); ++i) usleep(10000);
    EXPECT_TRUE(std::filesystem::exists(marker));
    std::filesystem::remove(marker);
}
