// Writes the demo disc: a CUE sheet and its BIN of four short synthetic pieces, so the
// program can be tried without a drive. Usage: demodisc OUTPUT_FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kFrameSamples = 588;  // stereo sample pairs per 2352-byte CD frame
constexpr double kTau = 2 * std::numbers::pi;

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(double seconds) : left(size_t(seconds * kRate)), right(size_t(seconds * kRate)) {}
    size_t size() const { return left.size(); }
    // Adds a mono voice at a pan position (-1 left .. 1 right) starting at time t.
    void add(double t, const std::vector<float>& voice, double pan) {
        const size_t at = size_t(t * kRate);
        const float l = float(std::sqrt((1 - pan) / 2)), r = float(std::sqrt((1 + pan) / 2));
        for (size_t i = 0; i < voice.size() && at + i < size(); ++i) {
            left[at + i] += voice[i] * l;
            right[at + i] += voice[i] * r;
        }
    }
};

double noteHz(int midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

// A tone built from a list of harmonic amplitudes, with attack and exponential decay.
std::vector<float> tone(double hz, double seconds, std::initializer_list<double> harmonics, double attack,
                        double decay, double gain) {
    std::vector<float> v(size_t(seconds * kRate));
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = double(i) / kRate;
        double s = 0;
        int k = 1;
        for (double a : harmonics) s += a * std::sin(kTau * hz * k++ * t);
        const double env = std::min(1.0, t / attack) * std::exp(-t / decay) * std::min(1.0, (seconds - t) * 50);
        v[i] = float(s * env * gain);
    }
    return v;
}

std::vector<float> bell(double hz, double seconds, double gain) {
    std::vector<float> v(size_t(seconds * kRate));
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = double(i) / kRate;
        const double index = 3.0 * std::exp(-t * 2.5);
        const double s = std::sin(kTau * hz * t + index * std::sin(kTau * hz * 1.4 * t));
        v[i] = float(s * std::exp(-t * 1.6) * std::min(1.0, t * 400) * gain);
    }
    return v;
}

std::vector<float> kick(double gain) {
    std::vector<float> v(size_t(0.35 * kRate));
    double phase = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        const double t = double(i) / kRate;
        phase += kTau * (45 + 110 * std::exp(-t * 30)) / kRate;
        v[i] = float(std::sin(phase) * std::exp(-t * 9) * gain);
    }
    return v;
}

std::vector<float> hat(uint32_t& seed, double gain) {
    std::vector<float> v(size_t(0.06 * kRate));
    float previous = 0;
    for (size_t i = 0; i < v.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        const float white = float(int32_t(seed) / 2147483648.0);
        v[i] = float((white - previous) * std::exp(-double(i) / kRate * 60) * gain);  // crude high-pass
        previous = white;
    }
    return v;
}

// Track 1: a plucked arpeggio over C - Am - F - G at 120 beats a minute.
Stereo arpeggio() {
    Stereo out(16);
    const int chords[4][3] = {{60, 64, 67}, {57, 60, 64}, {53, 57, 60}, {55, 59, 62}};
    const double step = 60.0 / 120 / 4;
    for (int i = 0; i * step < 16 - 1; ++i) {
        const auto& c = chords[(i / 16) % 4];
        const int pattern[8] = {0, 1, 2, 1, 0, 2, 1, 2};
        const int octave = (i % 16) >= 8 ? 12 : 0;
        out.add(i * step, tone(noteHz(c[pattern[i % 8]] + octave), 0.6, {1, 0.5, 0.3, 0.15}, 0.003, 0.18, 0.22),
                (i % 2) ? 0.4 : -0.4);
        if (i % 8 == 0) out.add(i * step, tone(noteHz(c[0] - 24), 2.0, {1, 0.3}, 0.01, 0.8, 0.25), 0);
    }
    return out;
}

// Track 2: slow sustained chords in D minor, one every two and a half seconds.
Stereo chorale() {
    Stereo out(20);
    const int chords[8][4] = {{50, 57, 62, 65}, {46, 58, 62, 65}, {43, 58, 62, 67}, {45, 57, 61, 64},
                              {50, 57, 62, 65}, {48, 55, 60, 64}, {45, 57, 60, 64}, {50, 57, 62, 66}};
    for (int i = 0; i < 8; ++i)
        for (int v = 0; v < 4; ++v)
            out.add(i * 2.5, tone(noteHz(chords[i][v]), 2.9, {1, 0.25, 0.12, 0.06}, 0.35, 3.0, 0.12),
                    -0.6 + 0.4 * v);
    return out;
}

// Track 3: drums and a bass line at 140 beats a minute.
Stereo groove() {
    Stereo out(14);
    uint32_t seed = 12345;
    const double beat = 60.0 / 140;
    const int bass[8] = {40, 40, 52, 40, 43, 45, 47, 45};
    for (int i = 0; i * beat / 2 < 14 - 0.5; ++i) {
        const double t = i * beat / 2;
        if (i % 2 == 0) out.add(t, kick(0.5), 0);
        out.add(t, hat(seed, (i % 2) ? 0.12 : 0.06), 0.5);
        out.add(t, tone(noteHz(bass[i % 8]), beat / 2 * 0.9, {1, 0.0, 0.33, 0.0, 0.2}, 0.005, 0.3, 0.25), -0.2);
    }
    return out;
}

// Track 4: bells on a pentatonic scale, wandering between the speakers.
Stereo bells() {
    Stereo out(12);
    const int scale[10] = {72, 74, 76, 79, 81, 84, 86, 88, 91, 93};
    uint32_t seed = 777;
    for (int i = 0; i * 0.375 < 12 - 2; ++i) {
        seed = seed * 1103515245u + 12345u;
        const int note = scale[(seed >> 16) % 10];
        out.add(i * 0.375, bell(noteHz(note), 2.5, 0.18), std::sin(i * 0.7) * 0.8);
    }
    return out;
}

void appendPcm(std::vector<uint8_t>& bin, const Stereo& s) {
    float peak = 0;
    for (size_t i = 0; i < s.size(); ++i) peak = std::max({peak, std::fabs(s.left[i]), std::fabs(s.right[i])});
    const float scale = peak > 0 ? 0.8f / peak : 0;
    const size_t samples = (s.size() + kFrameSamples - 1) / kFrameSamples * kFrameSamples;
    for (size_t i = 0; i < samples; ++i) {
        for (float x : {i < s.size() ? s.left[i] : 0.f, i < s.size() ? s.right[i] : 0.f}) {
            const auto v = int16_t(std::lround(x * scale * 32767));
            bin.push_back(uint8_t(v));
            bin.push_back(uint8_t(uint16_t(v) >> 8));
        }
    }
}

std::string msf(size_t frames) {
    char text[32];
    std::snprintf(text, sizeof text, "%02zu:%02zu:%02zu", frames / 4500, frames / 75 % 60, frames % 75);
    return text;
}

bool writeFile(const std::filesystem::path& path, const void* data, size_t size) {
    const auto partial = std::filesystem::path(path.string() + ".part");
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(static_cast<const char*>(data), std::streamsize(size));
        if (!out.flush()) return false;
    }
    std::error_code ec;
    std::filesystem::rename(partial, path, ec);
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: demodisc OUTPUT_FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);

    const std::vector<std::pair<const char*, std::function<Stereo()>>> pieces = {
        {"Arpeggio", arpeggio}, {"Chorale", chorale}, {"Groove", groove}, {"Bells", bells}};
    std::vector<uint8_t> bin;
    // CD-Text as libcdio reads it from a sheet: upper-case keywords (an unknown one fails the
    // whole open), the sheet's bytes read as Latin-1.
    std::string cue = "REM Wavelathe demo disc\nTITLE \"Wavelathe Demo\"\nPERFORMER \"The Test Tones\"\n"
                      "FILE \"demo.bin\" BINARY\n";
    for (size_t i = 0; i < pieces.size(); ++i) {
        char head[64];
        std::snprintf(head, sizeof head, "  TRACK %02zu AUDIO\n", i + 1);
        cue += head;
        cue += std::string("    TITLE \"") + pieces[i].first + "\"\n";
        // The last piece's performer holds Latin-1 bytes, as a sheet written elsewhere would.
        cue += i + 1 < pieces.size() ? "    PERFORMER \"The Test Tones\"\n" : "    PERFORMER \"Les Cloches d'\xC9t\xE9\"\n";
        if (i == 1) cue += "    SONGWRITER \"J. S. Bach\"\n";
        cue += "    INDEX 01 " + msf(bin.size() / 2352) + "\n";
        appendPcm(bin, pieces[i].second());
    }
    if (!writeFile(folder / "demo.bin", bin.data(), bin.size()) ||
        !writeFile(folder / "demo.cue", cue.data(), cue.size())) {
        std::cerr << "demodisc: cannot write the demo disc into " << folder << "\n";
        return 1;
    }
    return 0;
}
