// The settings file: exact bytes written, values read back, damaged files.
#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>

#include "CrampedFolder.h"
#include "TestProgram.h"
#include "app/Commands.h"
#include "app/Settings.h"

using namespace wl;
using namespace wl::test;

namespace {

std::string bytesAt(const std::string& file, size_t offset, size_t n) { return file.substr(offset, n); }

class SettingsFile : public ::testing::Test {
protected:
    TempWorkingDir dir;
    TestProgram prog{dir.path()};
    std::string ini() { return readFileBytes(dir.path() / kSettingsFileName); }
    void writeIni(const std::string& bytes) { writeFileBytes(dir.path() / kSettingsFileName, bytes); }
    // A file as the program would write it, with the given field bytes from offset 6.
    std::string fileWithFields(const std::string& fields, const std::string& path = "") {
        std::string f(6, '\0');
        f += fields;
        f.resize(100, '\0');
        f += path;
        f.resize(355, '\0');
        return f;
    }
    // 8 bits, 22,050 Hz, mono, 64 kbit/s, mode 2, no WAV kept, MP3 on, drive 1, a save folder.
    std::string annsFile() {
        return fileWithFields(std::string("8\0" "220501" "64\0" "201" "1\0", 16), "/home/ann/Music/");
    }
};

TEST_F(SettingsFile, StartWithoutFileUsesDefaultsAndSavingCreatesTheExactFile) {
    ASSERT_EQ(prog.start(), 0);
    EXPECT_EQ(prog.s().bitsPerSample, 16);
    EXPECT_EQ(prog.s().samplesPerSec, 44100);
    EXPECT_EQ(prog.s().channels, 2);
    EXPECT_EQ(prog.s().mp3Kbps, 128);
    EXPECT_EQ(prog.s().keepWav, 1);
    EXPECT_EQ(prog.s().convertToMp3, 1);
    // Tested before the defaults were applied, so MP3 Parameters starts grey.
    EXPECT_FALSE(prog.window.isMenuItemEnabled(ID_MP3_PARAMETERS));

    prog.window.sendCommand(ID_SAVE_SETTINGS);
    std::string f = ini();
    ASSERT_EQ(f.size(), 355u);
    EXPECT_EQ(bytesAt(f, 0, 6), std::string(6, '\0'));
    EXPECT_EQ(bytesAt(f, 6, 16), std::string("1644100212801199"));
    EXPECT_EQ(bytesAt(f, 22, 78), std::string(78, '\0'));
    EXPECT_EQ(bytesAt(f, 100, 255), std::string(255, '\0'));
    ASSERT_NE(prog.window.lastBox(), nullptr);
    EXPECT_EQ(prog.window.lastBox()->text, "New recording parameters saved.");
    EXPECT_EQ(prog.window.lastBox()->caption, "Save Settings");
}

TEST_F(SettingsFile, NumbersAreWrittenLeftAlignedWithAZeroAfterShortTexts) {
    ASSERT_EQ(prog.start(), 0);
    auto& s = prog.s();
    s.mp3Kbps = 64;
    s.ripDriveIndex = 3;
    s.bitsPerSample = 8;
    s.samplesPerSec = 11025;
    s.channels = 1;
    prog.window.sendCommand(ID_SAVE_SETTINGS);
    std::string f = ini();
    EXPECT_EQ(bytesAt(f, 6, 2), std::string("8\0", 2));
    EXPECT_EQ(bytesAt(f, 8, 5), "11025");
    EXPECT_EQ(bytesAt(f, 14, 3), std::string("64\0", 3));
    EXPECT_EQ(bytesAt(f, 20, 2), std::string("3\0", 2));

    s.mp3Kbps = 320;
    s.ripDriveIndex = 99;
    prog.window.sendCommand(ID_SAVE_SETTINGS);
    f = ini();
    EXPECT_EQ(bytesAt(f, 14, 3), "320");
    EXPECT_EQ(bytesAt(f, 20, 2), "99");
}

TEST_F(SettingsFile, ValuesReadBackAndUntouchedBytesSurviveASave) {
    std::string original = annsFile();
    original.replace(0, 6, "HEADER");
    original.replace(30, 5, "notes");
    original += "and a tail of another program's";
    writeIni(original);
    prog.cdrom.drives.push_back(FakeDrive{1, 0, 0, "SECOND"});
    ASSERT_EQ(prog.start(), 0);
    auto& s = prog.s();
    EXPECT_EQ(s.bitsPerSample, 8);
    EXPECT_EQ(s.samplesPerSec, 22050);
    EXPECT_EQ(s.channels, 1);
    EXPECT_EQ(s.mp3Kbps, 64);
    EXPECT_EQ(s.keepWav, 0);
    EXPECT_EQ(s.convertToMp3, 1);
    EXPECT_EQ(s.ripDriveIndex, 1);
    EXPECT_EQ(s.savePath, "/home/ann/Music/");
    EXPECT_TRUE(prog.window.isMenuItemEnabled(ID_DEFAULT_RIPPING_PLAYER));

    prog.window.sendCommand(ID_SAVE_SETTINGS);
    std::string first = ini();
    EXPECT_EQ(bytesAt(first, 0, 6), "HEADER");
    EXPECT_EQ(bytesAt(first, 30, 5), "notes");
    EXPECT_EQ(first.substr(355), "and a tail of another program's");
    EXPECT_EQ(bytesAt(first, 6, 16), bytesAt(original, 6, 16));
    prog.window.sendCommand(ID_SAVE_SETTINGS);
    EXPECT_EQ(ini(), first);
    EXPECT_EQ(prog.window.boxes.size(), 2u);
}

TEST_F(SettingsFile, AShorterSavePathLeavesNoTailOfTheLongerOne) {
    ASSERT_EQ(prog.start(), 0);
    prog.s().savePath = std::string(200, 'x');
    prog.window.sendCommand(ID_SAVE_SETTINGS);
    prog.s().savePath = "/music/aaaaaaaaaaaa/";  // 20 characters
    prog.window.sendCommand(ID_SAVE_SETTINGS);
    std::string f = ini();
    ASSERT_EQ(f.size(), 355u);
    EXPECT_EQ(bytesAt(f, 100, 20), "/music/aaaaaaaaaaaa/");
    EXPECT_EQ(bytesAt(f, 120, 235), std::string(235, '\0'));
}

TEST_F(SettingsFile, OneDriveTurnsAStoredIndexInto99AndGreysTheItem) {
    writeIni(fileWithFields("16441002128011" + std::string("2\0", 2)));
    ASSERT_EQ(prog.start(), 0);
    EXPECT_EQ(prog.s().ripDriveIndex, 99);
    EXPECT_FALSE(prog.window.isMenuItemEnabled(ID_DEFAULT_RIPPING_PLAYER));
}

TEST_F(SettingsFile, DamagedFilesReadAsZerosAndBringInTheDefaults) {
    struct Case {
        const char* what;
        std::string bytes;
        uint16_t bits;
        int32_t rate;
    } cases[] = {
        {"empty", "", 16, 44100},
        {"garbage", std::string(400, '\xff'), 16, 44100},
        {"text", "hello, this is not a settings file at all", 16, 44100},
        {"cut after the rate", std::string(6, '\0') + std::string("8\0" "2205", 6), 8, 2205},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempWorkingDir own;
        writeFileBytes(own.path() / kSettingsFileName, c.bytes);
        TestProgram p{own.path()};
        p.cd.removeDisc();  // the rip mode would force its own format over what was read
        ASSERT_EQ(p.start(), 0);
        EXPECT_EQ(p.s().bitsPerSample, c.bits);
        EXPECT_EQ(p.s().samplesPerSec, c.rate);
        EXPECT_LT(p.s().savePath.size(), kPathCapacity);
        if (c.bits == 8) {
            // A short file's missing fields read as zero; only a zero bit depth brings defaults.
            EXPECT_EQ(p.s().channels, 0);
            EXPECT_EQ(p.s().keepWav, 0);
        }
    }
}

TEST_F(SettingsFile, ASavePathFillingItsWholeFieldIsCutToItsCapacity) {
    std::string f = fileWithFields("1644100212801199");
    f.replace(100, 255, std::string(255, 'p'));
    writeIni(f + std::string(45, 'p'));
    ASSERT_EQ(prog.start(), 0);
    EXPECT_EQ(prog.s().savePath.size(), kPathCapacity - 1);
}

TEST_F(SettingsFile, ABitRateTheMp3DialogDoesNotOfferReadsAs128) {
    struct Case {
        std::string field;
        uint16_t kbps;
    } cases[] = {{"32", 32},   {"64", 64},   {"128", 128}, {"320", 320}, {"0", 128},
                 {"999", 128}, {"-64", 128}, {"12", 128},  {"x", 128}};
    for (auto& c : cases) {
        SCOPED_TRACE(c.field);
        std::string kbps = c.field;
        kbps.resize(3, '\0');
        TempWorkingDir own;
        writeFileBytes(own.path() / kSettingsFileName, fileWithFields("16220501" + kbps + "20199"));
        TestProgram p{own.path()};
        ASSERT_EQ(p.start(), 0);
        EXPECT_EQ(p.s().mp3Kbps, c.kbps);
        // The other fields keep their rules.
        EXPECT_EQ(p.s().samplesPerSec, 22050);
        EXPECT_EQ(p.s().keepWav, 0);
    }
    // The 10 bytes of a file cut short: the bit rate reads as 0, so as 128.
    writeIni(std::string(6, '\0') + "1644");
    ASSERT_EQ(prog.start(), 0);
    EXPECT_EQ(prog.s().bitsPerSample, 16);
    EXPECT_EQ(prog.s().mp3Kbps, 128);
}

TEST_F(SettingsFile, ASettingsPathThatIsNoRegularFileIsNeverOpenedAndNeverSaved) {
    const auto ini = dir.path() / kSettingsFileName;
    struct Case {
        const char* what;
        std::function<void()> make;
        std::filesystem::file_type type;
    } cases[] = {
        {"a folder", [&] { std::filesystem::create_directory(ini); }, std::filesystem::file_type::directory},
        // Opening a FIFO for reading waits for a writer: the start would hang.
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(ini.c_str(), 0644), 0); }, std::filesystem::file_type::fifo},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(ini);
        c.make();
        TestProgram p{dir.path()};
        ASSERT_EQ(p.start(), 0);
        EXPECT_EQ(p.s().bitsPerSample, 16);  // the defaults
        p.s().settingsDirty = 1;
        p.window.sendCommand(ID_SAVE_SETTINGS);
        ASSERT_NE(p.window.lastBox(), nullptr);
        EXPECT_EQ(p.window.lastBox()->text, "The settings could not be saved to Wavelathe.ini: Not a regular file.");
        EXPECT_EQ(p.window.lastBox()->caption, "Save Settings");
        EXPECT_EQ(p.s().settingsDirty, 1);
        EXPECT_EQ(std::filesystem::status(ini).type(), c.type);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    }
}

class SettingsOnAFullDisk : public SettingsFile, public ::testing::WithParamInterface<Cramp> {};

TEST_P(SettingsOnAFullDisk, AFailedSaveLeavesTheFileAsItWas) {
    CrampedFolder disk(GetParam(), dir.path() / "disk");
    if (!disk.usable()) GTEST_SKIP() << "no tmpfs can be mounted here";
    // The settings file is on the full disk, reached through a link that must stay one.
    const auto real = disk.path() / kSettingsFileName;
    const std::string original = annsFile();
    writeFileBytes(real, original);
    std::filesystem::create_symlink(real, dir.path() / kSettingsFileName);
    ASSERT_EQ(prog.start(), 0);
    prog.s().mp3Kbps = 320;
    prog.s().settingsDirty = 1;
    disk.fill(100);

    prog.window.sendCommand(ID_SAVE_SETTINGS);
    ASSERT_NE(prog.window.lastBox(), nullptr);
    EXPECT_EQ(prog.window.lastBox()->text.rfind("The settings could not be saved to Wavelathe.ini: ", 0), 0u);
    EXPECT_EQ(prog.s().settingsDirty, 1);
    disk.relieve();
    EXPECT_EQ(readFileBytes(real), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.path()), {}), 1);

    prog.window.sendCommand(ID_SAVE_SETTINGS);
    EXPECT_EQ(prog.window.lastBox()->text, "New recording parameters saved.");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / kSettingsFileName));
    EXPECT_EQ(bytesAt(readFileBytes(real), 14, 3), "320");
}

INSTANTIATE_TEST_SUITE_P(, SettingsOnAFullDisk, ::testing::Values(Cramp::SmallFileSystem, Cramp::FileSizeLimit),
                         crampName);

}  // namespace

namespace {

// Bytes 88 and 89: the read mode and Test & Copy, read back, toggled and saved where an older
// reader looks not (a zero byte is Burst and off, as every older file has).
TEST_F(SettingsFile, TheReadModeAndTestAndCopyLiveInBytes88And89) {
    struct Case {
        std::string bytes;  // 88, 89
        int mode, testAndCopy;
        std::string saved;  // after Test & Copy is toggled
    } cases[] = {
        {std::string("\0\0", 2), 0, 0, std::string("\0" "1", 2)},
        {"01", 0, 1, std::string("\0\0", 2)},
        {std::string("1\0", 2), 1, 0, "11"},
        {"21", 2, 1, std::string("2\0", 2)},
        {"9x", 0, 0, std::string("\0" "1", 2)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        TempWorkingDir own;
        std::string f = annsFile();
        f.replace(88, 2, c.bytes);
        writeFileBytes(own.path() / kSettingsFileName, f);
        TestProgram p{own.path()};
        ASSERT_EQ(p.start(), 0);
        EXPECT_EQ(p.s().readMode, c.mode);
        EXPECT_EQ(p.s().testAndCopy, c.testAndCopy);
        EXPECT_EQ(p.window.isMenuItemChecked(ID_TEST_AND_COPY), c.testAndCopy == 1);
        p.window.sendCommand(ID_TEST_AND_COPY);
        EXPECT_EQ(p.window.isMenuItemChecked(ID_TEST_AND_COPY), c.testAndCopy == 0);
        p.window.sendCommand(ID_SAVE_SETTINGS);
        const std::string saved = readFileBytes(own.path() / kSettingsFileName);
        EXPECT_EQ(bytesAt(saved, 88, 2), c.saved);
    }
}

}  // namespace
// Bytes 95-98: the output format, the FLAC level and the Opus bit rate (two bytes, little-endian).
// What an older file holds (zeros) or a reader cannot take reads as the defaults; MP3 with the
// default figures is saved as zeros again.
TEST_F(SettingsFile, TheOutputFormatBytesReadAndSaveAsTheyAreDefined) {
    struct Case {
        const char* name;
        std::string stored;
        int format, level, kbps;
        std::string saved;
    } cases[] = {
        {"an older file", std::string(4, '\0'), 0, 5, 160, std::string(4, '\0')},
        {"FLAC level 8", std::string("18\x40\0", 4), 1, 8, 64, std::string("18\x40\0", 4)},
        {"Opus 256 with no level", std::string("2\0\0\x01", 4), 2, 5, 256, std::string("25\0\x01", 4)},
        {"out of range", std::string("09\x10\0", 4), 0, 5, 160, std::string(4, '\0')},
        {"an unknown format", std::string("x3\xA0\0", 4), 0, 3, 160, std::string("03\xA0\0", 4)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string file = annsFile();
        file.replace(95, 4, c.stored);
        writeIni(file);
        TestProgram p{dir.path()};
        ASSERT_EQ(p.start(), 0);
        EXPECT_EQ(p.s().outputFormat, c.format);
        EXPECT_EQ(p.s().flacLevel, c.level);
        EXPECT_EQ(p.s().opusKbps, c.kbps);
        p.window.sendCommand(ID_SAVE_SETTINGS);
        const std::string saved = ini();
        EXPECT_EQ(bytesAt(saved, 95, 4), c.saved);
        EXPECT_EQ(bytesAt(saved, 22, 73), bytesAt(file, 22, 73));
        EXPECT_EQ(bytesAt(saved, 99, 256), bytesAt(file, 99, 256));
    }
}
