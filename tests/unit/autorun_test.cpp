// The user's AutoRun setting survives a run that ended without restoring it.
#include <gtest/gtest.h>

#include "TestProgram.h"
#include "app/Commands.h"

using namespace wl;
using namespace wl::test;

namespace {

TEST(AutoRun, TheValueToRestoreIsKeptForTheRunAndForgottenAfterTheRestore) {
    TestProgram prog;
    prog.desktop.value = 0x91;
    ASSERT_EQ(prog.start(), 0);
    EXPECT_EQ(prog.desktop.pending, 0x91u);  // kept before "never" was written
    EXPECT_EQ(prog.desktop.writes, std::vector<uint32_t>{0xFF});
    prog.window.click(ID_EXIT);
    EXPECT_EQ(prog.desktop.writes, (std::vector<uint32_t>{0xFF, 0x91}));
    EXPECT_FALSE(prog.desktop.pending.has_value());
}

TEST(AutoRun, ARunThatNeverRestoredIsMendedAtTheNextStart) {
    // The last run was killed: the desktop still says "never", the kept value is the user's.
    TestProgram prog;
    prog.desktop.value = 0xFF;
    prog.desktop.pending = 0x91;
    ASSERT_EQ(prog.start(), 0);
    EXPECT_EQ(prog.desktop.writes, (std::vector<uint32_t>{0x91, 0xFF}));
    EXPECT_EQ(prog.s().savedAutoRunPolicy, 0x91u);  // not the "never" left behind
    EXPECT_EQ(prog.desktop.pending, 0x91u);
    prog.window.click(ID_EXIT);
    EXPECT_EQ(prog.desktop.value, 0x91u);
    EXPECT_FALSE(prog.desktop.pending.has_value());
}

TEST(AutoRun, WithoutTheSettingNothingIsKeptOrWritten) {
    TestProgram prog;
    prog.desktop.keyExists = false;
    prog.desktop.pending = 0x91;
    ASSERT_EQ(prog.start(), 0);
    prog.window.click(ID_EXIT);
    EXPECT_TRUE(prog.desktop.writes.empty());
    EXPECT_EQ(prog.desktop.pending, 0x91u);  // left for a run that can restore it
}

}  // namespace
