#pragma once
// From a name (a title from the disc or the service, an album) to a file name every common
// file system takes: ext4, vfat/exFAT, NTFS and SMB shares. The one place where text becomes
// a file name, and the one strict UTF-8 reader the names go through.
#include <cstddef>
#include <string>
#include <string_view>

namespace wl {

// The most bytes one file-name component may hold (ext4, and UTF-8 names on the others).
constexpr size_t kFileNameBytes = 255;

// The length of the well-formed UTF-8 sequence at s[i]; 0 when there is none (a stray or
// missing continuation byte, an overlong form, a surrogate, a value past U+10FFFF).
size_t Utf8SequenceLength(std::string_view s, size_t i);
bool IsStrictUtf8(std::string_view s);
// The text as UTF-8: kept when it is strict UTF-8, else every byte read as Latin-1 (as CD-Text
// is written).
std::string AsUtf8(std::string_view raw);
// The longest start of s within `limit` bytes that ends on a character boundary.
std::string CutAtCharacter(std::string s, size_t limit);
// A-Z made a-z; every other byte (and so every multi-byte character) as it is, whatever the
// user's locale.
std::string AsciiLower(std::string s);

// `name` as one file-name component ending in `extension` (".wav", "" for none), at most
// `limit` bytes in all: "/" and \ : * ? " < > | become "_"; control, C1 and bidirectional
// formatting characters go; no leading dot or space, no trailing dot or space; a device name
// ("CON", "lpt1") gets a "_"; cut at a character boundary. When nothing is left, `fallback`
// stands in (itself a fit name). Never "." or "..", never empty.
std::string SafeFileName(std::string_view name, std::string_view extension = "", size_t limit = kFileNameBytes,
                         std::string_view fallback = "_");

}  // namespace wl
