#include "app/FileNames.h"

#include <algorithm>
#include <cstdint>

namespace wl {

namespace {

unsigned char byteAt(std::string_view s, size_t i) { return static_cast<unsigned char>(s[i]); }

bool continuation(std::string_view s, size_t i, unsigned char low = 0x80, unsigned char high = 0xBF) {
    return i < s.size() && byteAt(s, i) >= low && byteAt(s, i) <= high;
}

// The code point of the well-formed sequence of n bytes at s[i].
uint32_t codePoint(std::string_view s, size_t i, size_t n) {
    static constexpr unsigned char kLeadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    uint32_t cp = byteAt(s, i) & kLeadMask[n];
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (byteAt(s, i + k) & 0x3F);
    return cp;
}

// Invisible characters that reorder or hide what a name shows: marks, embeddings, overrides,
// isolates, and the byte order mark.
bool formatting(uint32_t cp) {
    return cp == 0x061C || cp == 0x200E || cp == 0x200F || (cp >= 0x202A && cp <= 0x202E) ||
           (cp >= 0x2066 && cp <= 0x2069) || cp == 0xFEFF;
}

bool unfitCharacter(char c) { return std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos; }

void trimDotsAndSpaces(std::string& s) {
    const size_t start = s.find_first_not_of(". ");
    if (start == std::string::npos) {
        s.clear();
        return;
    }
    s.erase(0, start);
    s.erase(s.find_last_not_of(". ") + 1);
}

// The DOS device names Windows and SMB shares refuse as a file name, with any extension.
bool deviceName(const std::string& s) {
    std::string stem = AsciiLower(s.substr(0, s.find('.')));
    stem.erase(stem.find_last_not_of(' ') + 1);
    if (stem == "con" || stem == "prn" || stem == "aux" || stem == "nul") return true;
    return stem.size() == 4 && (stem.compare(0, 3, "com") == 0 || stem.compare(0, 3, "lpt") == 0) && stem[3] >= '1' &&
           stem[3] <= '9';
}

}  // namespace

size_t Utf8SequenceLength(std::string_view s, size_t i) {
    if (i >= s.size()) return 0;
    const unsigned char c = byteAt(s, i);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return continuation(s, i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        // E0 needs A0.. (no overlong form), ED stops at 9F (no surrogate).
        const unsigned char low = c == 0xE0 ? 0xA0 : 0x80, high = c == 0xED ? 0x9F : 0xBF;
        return continuation(s, i + 1, low, high) && continuation(s, i + 2) ? 3 : 0;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        // F0 needs 90.. (no overlong form), F4 stops at 8F (nothing past U+10FFFF).
        const unsigned char low = c == 0xF0 ? 0x90 : 0x80, high = c == 0xF4 ? 0x8F : 0xBF;
        return continuation(s, i + 1, low, high) && continuation(s, i + 2) && continuation(s, i + 3) ? 4 : 0;
    }
    return 0;
}

bool IsStrictUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const size_t n = Utf8SequenceLength(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string AsUtf8(std::string_view raw) {
    if (IsStrictUtf8(raw)) return std::string(raw);
    std::string out;
    out.reserve(raw.size() * 2);
    for (unsigned char c : raw) {
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string CutAtCharacter(std::string s, size_t limit) {
    if (s.size() <= limit) return s;
    size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    s.resize(n);
    return s;
}

std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

std::string SafeFileName(std::string_view name, std::string_view extension, size_t limit, std::string_view fallback) {
    const size_t bodyLimit = limit > extension.size() ? limit - extension.size() : 1;
    const std::string text = AsUtf8(name);
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t n = Utf8SequenceLength(text, i);
        const uint32_t cp = codePoint(text, i, n);
        if (cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) || formatting(cp)) {
            // Nothing of it stays.
        } else if (n == 1 && unfitCharacter(text[i])) {
            out += '_';
        } else {
            out.append(text, i, n);
        }
        i += n;
    }
    trimDotsAndSpaces(out);
    out = CutAtCharacter(std::move(out), bodyLimit);
    trimDotsAndSpaces(out);
    if (!out.empty() && deviceName(out)) out.insert(out.find('.') == std::string::npos ? out.size() : out.find('.'), "_");
    if (out.empty() || out.size() > bodyLimit) out = CutAtCharacter(std::string(fallback), bodyLimit);
    if (out.empty()) out = "_";
    return out + std::string(extension);
}

}  // namespace wl
