#pragma once
// The output format a conversion writes (Settings > Output Format...): its name in the new
// texts and its file extension. MP3 keeps every text and name it always had.
#include <string>

#include "app/AppState.h"

namespace wl {

enum class OutputFormat : int32_t { Mp3 = 0, Flac = 1, Opus = 2 };

constexpr int kDefaultFlacLevel = 5;
constexpr int kMinOpusKbps = 64, kMaxOpusKbps = 256, kDefaultOpusKbps = 160;

inline OutputFormat outputFormatOf(const AppState& s) {
    return s.outputFormat == 1 ? OutputFormat::Flac : s.outputFormat == 2 ? OutputFormat::Opus : OutputFormat::Mp3;
}
inline const char* formatName(OutputFormat f) {
    return f == OutputFormat::Flac ? "FLAC" : f == OutputFormat::Opus ? "Opus" : "MP3";
}
inline const char* formatExtension(OutputFormat f) {
    return f == OutputFormat::Flac ? ".flac" : f == OutputFormat::Opus ? ".opus" : ".mp3";
}
inline bool isEncodedExtension(const std::string& ext) { return ext == ".mp3" || ext == ".flac" || ext == ".opus"; }

}  // namespace wl
