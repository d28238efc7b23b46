// FLAC and Opus beside MP3, on the program's real adapters and the reference tools as readers:
// a ripped track's FLAC is its exact PCM with MD5, seek table, padding, comments and cover; the
// MP3 and the FLAC of one track say the same; Opus passes opusinfo; any WAV FLAC can hold
// converts losslessly; ReplayGain of a known tone and of a batch's album.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "CommandOutput.h"
#include "FakeDiscPorts.h"
#include "LocalMusicBrainz.h"
#include "NamedRig.h"
#include "Rig.h"
#include "adapters/codecs/CodecEncoders.h"
#include "adapters/loudness/Ebur128Loudness.h"
#include "mp3/BatchConvert.h"

using namespace wl;
using namespace wl::e2e;

namespace {

bool have(const char* tool) {
    if (std::string(tool) == "mutagen")
        return std::system("/usr/bin/python3 -c 'import mutagen' > /dev/null 2>&1") == 0;
    return std::system(("command -v " + std::string(tool) + " > /dev/null 2>&1").c_str()) == 0;
}
std::string q(const std::string& path) { return "'" + path + "'"; }

// The file's tags as mutagen reads them: "key=value" lines, keys lower-cased.
std::map<std::string, std::string> mutagenFields(const std::string& path) {
    const std::string script =
        "import sys, mutagen\n"
        "f = mutagen.File(sys.argv[1])\n"
        "for k, v in (f.tags.items() if f.tags else []):\n"
        "    if k.startswith(\"APIC\") or k.lower() == \"metadata_block_picture\": v = [\"picture\"]\n"
        "    elif hasattr(v, \"text\"): v = v.text\n"
        "    elif hasattr(v, \"data\"): v = [v.data.decode()]\n"
        "    print(\"%s=%s\" % (k.lower(), \"/\".join(str(x) for x in (v if isinstance(v, list) else [v]))))\n"
        "for p in getattr(f, \"pictures\", []): print(\"picture-type=%d\" % p.type)\n";
    std::map<std::string, std::string> fields;
    std::istringstream lines(commandOutput("/usr/bin/python3 -c " + q(script) + " " + q(path) + " 2>&1"));
    for (std::string line; std::getline(lines, line);)
        if (const size_t eq = line.find('='); eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    return fields;
}

// A 1x1 PNG, as the cover archive would answer.
const char* kPngBase64 = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==";
bool writePng(const fs::path& file) {
    return std::system(("python3 -c 'import base64,sys; open(sys.argv[1],\"wb\").write(base64.b64decode(sys.argv[2]))' " +
                        q(file.string()) + " " + kPngBase64)
                           .c_str()) == 0;
}

struct FormatRig : NamedRig {
    CodecEncoders codecs;
    Ebur128Loudness loudness;
    CurlFetch coverArt{window, {"Wavelathe-test"}};

    explicit FormatRig(int mode = RipFromCd) : NamedRig(nullptr, true, "", mode) {
        app->p.audioEncoders = &codecs;
        app->p.loudness = &loudness;
        app->p.coverArt = &coverArt;
        s().disc.coverArtBase = "http://127.0.0.1:9";
        s().disc.coverCacheFolder = folder() + "covers";
    }
    // Before the encoders and the cover fetch go.
    ~FormatRig() {
        if (app && !app->destroyed) window.destroy();
    }
    void lookUpAt(const std::string& url) { NamedRig::lookUpAt(url, folder() + "mb"); }
    void useFormat(int format) { s().outputFormat = format; }
    // Convert mode: the WAV named, on the worker, until it has ended.
    bool convert(const std::string& wav) {
        type(wav);
        window.sendCommand(ID_PLAY);
        return QTest::qWaitFor([&] { return s().converting == 0 && !s().workerRunning; }, 60000);
    }
};

// The track's PCM as the image holds it.
std::string trackPcm(Rig& prog, int t) {
    uint8_t toc[kTocSize] = {};
    prog.cdrom.ModifyCDParms(prog.s().cdHandle, kCdParmAddressing, 0);
    if (prog.cdrom.ReadTOC(prog.s().cdHandle, toc) != 1) return {};
    const uint32_t from = getBe32(tocEntry(toc, size_t(t - 1)) + 4), to = getBe32(tocEntry(toc, size_t(t)) + 4);
    return imageBytes(from, to);
}

std::string flacPcm(const std::string& flac) {
    return commandOutput("flac -d -s -c --force-raw-format --endian=little --sign=signed " + q(flac) + " 2>/dev/null");
}
std::string md5Of(const std::string& bytes, const fs::path& scratch) {
    test::writeFileBytes(scratch, bytes);
    return commandOutput("md5sum " + q(scratch.string()) + " | cut -c1-32");
}

TEST(FormatsEndToEnd, ARippedTrackInFlacMp3AndOpusCarriesTheSameNamesIdsGainAndCover) {
    for (const char* tool : {"flac", "metaflac", "opusinfo", "md5sum", "mutagen"})
        if (!have(tool)) GTEST_SKIP() << tool << " is not installed";
    test::LocalService service;
    ASSERT_FALSE(service.url.empty());
    const fs::path coverRoot = service.dir / "covers";
    fs::create_directories(coverRoot / "release/rel-online-album");
    ASSERT_TRUE(writePng(coverRoot / "release/rel-online-album/front-500"));
    test::LocalFileServer covers(coverRoot);
    ASSERT_FALSE(covers.url.empty());

    BoxAnswerer boxes;
    FormatRig prog;
    prog.lookUpAt(service.url);
    prog.s().disc.coverArtBase = covers.url;
    ASSERT_TRUE(prog.start());
    ASSERT_TRUE(QTest::qWaitFor([&] { return prog.box() == "01 online track 1.wav"; }, 10000)) << prog.box();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prog.s().disc.coverBytes.empty(); }, 10000));
    EXPECT_TRUE(fs::exists(prog.folder() + "covers/rel-online-album"));

    const std::string base = prog.folder() + "01 online track 1";
    for (int format : {1, 0, 2}) {
        prog.useFormat(format);
        fs::remove(base + ".wav");  // each rip makes the WAV anew, with no question asked
        prog.type("01 online track 1");
        prog.ripShownName();
    }
    EXPECT_TRUE(noBoxes(boxes));
    const std::string pcm = trackPcm(prog, 1);
    ASSERT_FALSE(pcm.empty());

    const std::string flac = base + ".flac";
    ASSERT_TRUE(fs::exists(flac));
    EXPECT_TRUE(flacPcm(flac) == pcm) << "flac -d does not give the track's PCM";
    int status = -1;
    commandOutput("flac -t -s " + q(flac) + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(commandOutput("metaflac --show-md5sum " + q(flac)), md5Of(pcm, prog.dir.path() / "pcm.raw"));
    const std::string list = commandOutput("metaflac --list " + q(flac));
    for (const char* block : {"type: 3 (SEEKTABLE)", "type: 1 (PADDING)", "type: 4 (VORBIS_COMMENT)",
                              "type: 6 (PICTURE)", "type: 3 (Cover (front))", "MIME type: image/png"})
        EXPECT_NE(list.find(block), std::string::npos) << block << "\n" << list;

    // The MP3 and the FLAC say the same, each under its own format's names.
    auto f = mutagenFields(flac);
    auto m = mutagenFields(base + ".mp3");
    const std::pair<const char*, const char*> same[] = {
        {"title", "tit2"},
        {"artist", "tpe1"},
        {"album", "talb"},
        {"musicbrainz_discid", "txxx:musicbrainz disc id"},
        {"musicbrainz_albumid", "txxx:musicbrainz album id"},
        {"musicbrainz_trackid", "ufid:http://musicbrainz.org"},
        {"musicbrainz_releasetrackid", "txxx:musicbrainz release track id"},
        {"musicbrainz_artistid", "txxx:musicbrainz artist id"},
        {"musicbrainz_albumartistid", "txxx:musicbrainz album artist id"},
        {"replaygain_track_gain", "txxx:replaygain_track_gain"},
        {"replaygain_track_peak", "txxx:replaygain_track_peak"},
    };
    for (const auto& [vorbis, id3] : same) {
        SCOPED_TRACE(vorbis);
        EXPECT_FALSE(f[vorbis].empty());
        EXPECT_EQ(f[vorbis], m[id3]);
    }
    EXPECT_EQ(f["title"], "Online Track 1");
    EXPECT_EQ(f["musicbrainz_trackid"], "rec-1");
    EXPECT_EQ(f["musicbrainz_releasetrackid"], "trk-1");
    EXPECT_EQ(f["tracknumber"], "1");
    EXPECT_EQ(f["tracktotal"], "4");
    EXPECT_EQ(f["picture-type"], "3");
    EXPECT_EQ(m["apic:"], "picture");

    const std::string opus = base + ".opus";
    ASSERT_TRUE(fs::exists(opus));
    commandOutput("opusinfo " + q(opus) + " 2>&1", &status);
    EXPECT_EQ(status, 0);
    auto o = mutagenFields(opus);
    EXPECT_EQ(o["title"], "Online Track 1");
    EXPECT_EQ(o["musicbrainz_trackid"], "rec-1");
    EXPECT_EQ(o["metadata_block_picture"], "picture");
    EXPECT_FALSE(o["r128_track_gain"].empty());
    EXPECT_TRUE(o["replaygain_track_gain"].empty()) << "Opus carries R128 gains only";
}

// 404, a page instead of a picture, and lookups off: no picture, and nothing said.
TEST(FormatsEndToEnd, NoCoverAnswerMeansNoPictureAndNoBox) {
    if (!have("metaflac")) GTEST_SKIP() << "metaflac is not installed";
    test::LocalService service;
    const fs::path htmlRoot = service.dir / "html", emptyRoot = service.dir / "none";
    fs::create_directories(htmlRoot / "release/rel-online-album");
    fs::create_directories(emptyRoot);
    test::writeFileBytes(htmlRoot / "release/rel-online-album/front-500", "<html><body>Not here</body></html>");
    test::LocalFileServer html(htmlRoot), none(emptyRoot);
    for (const test::LocalFileServer* server : {&html, &none}) {
        BoxAnswerer boxes;
        FormatRig prog;
        prog.lookUpAt(service.url);
        prog.s().disc.coverArtBase = server->url;
        ASSERT_TRUE(prog.start());
        ASSERT_TRUE(QTest::qWaitFor([&] { return prog.box() == "01 online track 1.wav"; }, 10000)) << prog.box();
        QTest::qWait(500);
        prog.useFormat(1);
        prog.ripShownName();
        const std::string flac = prog.folder() + "01 online track 1.flac";
        ASSERT_TRUE(fs::exists(flac));
        EXPECT_EQ(commandOutput("metaflac --list " + q(flac)).find("PICTURE"), std::string::npos);
        EXPECT_FALSE(fs::exists(prog.folder() + "covers/rel-online-album"));
        EXPECT_TRUE(noBoxes(boxes));
    }
}

TEST(FormatsEndToEnd, AnyWavFlacCanHoldConvertsLosslesslyAndOneItCannotIsRefusedWhole) {
    if (!have("flac")) GTEST_SKIP() << "flac is not installed";
    struct Case {
        const char* name;
        test::WavFormat format;
        bool holds;
    } cases[] = {
        {"24-bit 96 kHz mono", {1, 1, 96000, 24, ""}, true},
        {"8-bit 22 kHz stereo", {1, 2, 22050, 8, ""}, true},
        {"32-bit", {1, 2, 44100, 32, ""}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BoxAnswerer boxes;
        FormatRig prog(ConvertWavToMp3);
        ASSERT_TRUE(prog.start());
        prog.useFormat(1);
        std::string pcm;
        const size_t bytes = c.format.bits / 8u, frames = c.format.rate / 2;
        for (size_t i = 0; i < frames * c.format.channels; ++i)
            for (size_t k = 0; k < bytes; ++k) pcm += char((i * 7919 + k * 31) >> (k % 3) & 0xFF);
        const std::string wav = prog.folder() + "tone.wav", flac = prog.folder() + "tone.flac";
        test::writeFileBytes(wav, test::canonicalWav(pcm, c.format));
        ASSERT_TRUE(prog.convert(wav));
        EXPECT_EQ(test::readFileBytes(wav), test::canonicalWav(pcm, c.format)) << "the WAV is kept as it was";
        if (!c.holds) {
            ASSERT_EQ(boxes.texts.size(), 1u);
            EXPECT_EQ(boxes.texts[0], "I can't convert \"" + wav +
                                          "\" to FLAC: FLAC takes 8, 16 or 24 bits per sample, and this file has 32. "
                                          "The WAV file is kept as it is.");
            EXPECT_EQ(boxes.captions[0], "FLAC conversion Error");
            EXPECT_FALSE(fs::exists(flac));
            continue;
        }
        EXPECT_TRUE(noBoxes(boxes));
        const std::string sign = c.format.bits == 8 ? "unsigned" : "signed";
        const std::string decoded =
            commandOutput("flac -d -s -c --force-raw-format --endian=little --sign=" + sign + " " + q(flac) + " 2>/dev/null");
        EXPECT_TRUE(decoded == pcm) << "flac -d does not give the WAV's audio back";
        const std::string info = commandOutput("metaflac --show-sample-rate --show-channels --show-bps " + q(flac));
        EXPECT_EQ(info, std::to_string(c.format.rate) + "\n" + std::to_string(c.format.channels) + "\n" +
                            std::to_string(c.format.bits) + "\n");
        EXPECT_EQ(prog.box(), flac);
    }
}

// A 1 kHz stereo sine at -23 dBFS peak measures -23 LUFS: +5.00 dB to the -18 LUFS reference.
TEST(FormatsEndToEnd, ReplayGainOfAToneAndOfABatchsAlbum) {
    if (!have("mutagen")) GTEST_SKIP() << "mutagen is not installed";
    {
        BoxAnswerer boxes;
        FormatRig prog(ConvertWavToMp3);
        ASSERT_TRUE(prog.start());
        prog.useFormat(1);
        const double amplitude = std::pow(10.0, -23.0 / 20.0);
        std::vector<int16_t> samples;
        for (int i = 0; i < 44100 * 10; ++i) {
            const auto v = int16_t(std::lround(32767.0 * amplitude * std::sin(2 * M_PI * 1000.0 * i / 44100.0)));
            samples.push_back(v);
            samples.push_back(v);
        }
        const std::string wav = prog.folder() + "sine.wav";
        test::writeFileBytes(wav, test::canonicalWav(test::pcmBytes(samples)));
        ASSERT_TRUE(prog.convert(wav));
        EXPECT_TRUE(noBoxes(boxes));
        auto f = mutagenFields(prog.folder() + "sine.flac");
        ASSERT_FALSE(f["replaygain_track_gain"].empty());
        EXPECT_NEAR(std::stod(f["replaygain_track_gain"]), 5.00, 0.05) << f["replaygain_track_gain"];
        EXPECT_NEAR(std::stod(f["replaygain_track_peak"]), 0.0708, 0.0001);
        EXPECT_TRUE(f["replaygain_album_gain"].empty()) << "one conversion gets track values only";
    }
    // A batch of three tracks: every file gets the album's values, libebur128's over them all.
    BoxAnswerer boxes;
    FormatRig prog;
    ASSERT_TRUE(prog.start());
    prog.useFormat(1);
    const int order[] = {2, 1, 3};
    for (size_t i = 0; i < 3; ++i) {
        prog.s().selectionTracks[i] = order[i];
        prog.s().trackNames[size_t(order[i])] = "Track" + std::to_string(order[i]);
    }
    prog.s().batchCount = 3;
    prog.s().batchIndex = 0;
    prog.s().currentTrack = 2;
    prog.rip(prog.folder() + "track2.wav");
    EXPECT_TRUE(noBoxes(boxes));
    Ebur128Loudness reference;
    std::vector<std::unique_ptr<LoudnessMeter>> meters;
    std::vector<LoudnessMeter*> all;
    double peak = 0;
    for (int t : order) {
        const std::string pcm = trackPcm(prog, t);
        meters.push_back(reference.meter(PcmShape{}));
        meters.back()->add(reinterpret_cast<const uint8_t*>(pcm.data()), pcm.size() / 4);
        peak = std::max(peak, meters.back()->peak());
        all.push_back(meters.back().get());
    }
    const double album = -18.0 - reference.albumLoudness(all);
    for (int t : order) {
        SCOPED_TRACE(t);
        auto f = mutagenFields(prog.folder() + "track" + std::to_string(t) + ".flac");
        ASSERT_FALSE(f["replaygain_album_gain"].empty());
        EXPECT_NEAR(std::stod(f["replaygain_album_gain"]), album, 0.005);
        EXPECT_NEAR(std::stod(f["replaygain_album_peak"]), peak, 1e-6);
        EXPECT_FALSE(f["replaygain_track_gain"].empty());
    }
}

}  // namespace

namespace {

// Gains set after the encode fit the Opus comment header in place, also when a large cover
// spreads it over several Ogg pages: the file still passes opusinfo (its checksums) and reads back.
TEST(FormatsEndToEnd, OpusCommentsSetLaterKeepTheStreamValidAcrossPages) {
    for (const char* tool : {"opusinfo", "mutagen"})
        if (!have(tool)) GTEST_SKIP() << tool << " is not installed";
    test::TempWorkingDir dir;
    CodecEncoders codecs;
    CoverPicture cover;
    std::string png;
    ASSERT_TRUE(writePng(dir.path() / "c.png"));
    cover.bytes = test::readFileBytes(dir.path() / "c.png") + std::string(150000, '\x5a');  // past the image's end
    cover.mime = "image/png";
    const std::string path = (dir.path() / "big.opus").string();
    std::string why;
    PcmShape shape;
    shape.frames = 44100 * 3;
    auto encoder = codecs.create(path, EncodeSettings{EncodeSettings::Opus, 5, 96}, shape,
                                 {{"TITLE", "Before"}, {"R128_TRACK_GAIN", "1"}}, cover, why);
    ASSERT_NE(encoder, nullptr) << why;
    std::string pcm(size_t(shape.frames) * 4, '\0');
    for (size_t i = 0; i < pcm.size(); i += 2) pcm[i + 1] = char((i / 2) % 200 - 100);
    ASSERT_TRUE(encoder->write(reinterpret_cast<const uint8_t*>(pcm.data()), size_t(shape.frames)));
    ASSERT_TRUE(encoder->finish()) << encoder->error();
    const auto size = fs::file_size(path);
    ASSERT_TRUE(codecs.updateComments(path, EncodeSettings::Opus, {{"R128_TRACK_GAIN", "-1280"}, {"R128_ALBUM_GAIN", "512"}}, why))
        << why;
    EXPECT_EQ(fs::file_size(path), size) << "rewritten in place";
    int status = -1;
    const std::string info = commandOutput("opusinfo " + q(path) + " 2>&1", &status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_EQ(info.find("WARNING"), std::string::npos) << info;
    auto o = mutagenFields(path);
    EXPECT_EQ(o["title"], "Before");
    EXPECT_EQ(o["r128_track_gain"], "-1280");
    EXPECT_EQ(o["r128_album_gain"], "512");
    EXPECT_EQ(o["metadata_block_picture"], "picture");
    // More than the header's room is refused, and the file stays as it was.
    const std::string before = test::readFileBytes(path);
    EXPECT_FALSE(codecs.updateComments(path, EncodeSettings::Opus, {{"COMMENT", std::string(5000, 'x')}}, why));
    EXPECT_TRUE(test::readFileBytes(path) == before);
}

}  // namespace

namespace {

// The batch conversion writes the chosen format too, each file with its own track values.
TEST(FormatsEndToEnd, TheBatchConversionWritesOpusFiles) {
    for (const char* tool : {"opusinfo", "mutagen"})
        if (!have(tool)) GTEST_SKIP() << tool << " is not installed";
    BoxAnswerer boxes;
    FormatRig prog(ConvertWavToMp3);
    ASSERT_TRUE(prog.start());
    prog.useFormat(2);
    std::vector<std::string> files;
    for (int i = 1; i <= 3; ++i) {
        files.push_back(prog.folder() + "song" + std::to_string(i) + ".wav");
        test::writeFileBytes(files.back(), test::musicWav(2 + i));
    }
    prog.s().convertFiles = files;
    prog.s().convertFileCount = int32_t(files.size());
    StartBatchConversion(*prog.app);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prog.s().workerRunning && prog.s().converting == 0; }, 60000));
    EXPECT_TRUE(noBoxes(boxes));
    for (const std::string& wav : files) {
        SCOPED_TRACE(wav);
        const std::string opus = fs::path(wav).replace_extension(".opus").string();
        int status = -1;
        commandOutput("opusinfo " + q(opus) + " 2>&1", &status);
        EXPECT_EQ(status, 0);
        EXPECT_FALSE(mutagenFields(opus)["r128_track_gain"].empty());
        EXPECT_TRUE(mutagenFields(opus)["r128_album_gain"].empty());
    }
}

}  // namespace
