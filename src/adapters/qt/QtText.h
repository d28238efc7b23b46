#pragma once
// Texts cross the port as UTF-8 bytes; the program keeps them in fixed-size buffers, so
// texts handed back are cut to a byte count, never in the middle of a character.
#include <QString>
#include <string>

namespace wl {

inline QString toQString(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

inline std::string toUtf8(const QString& s, size_t maxBytes = std::string::npos) {
    QByteArray bytes = s.toUtf8();
    size_t n = static_cast<size_t>(bytes.size());
    if (n > maxBytes) {
        n = maxBytes;
        // Step back over continuation bytes to the start of the cut character.
        while (n > 0 && (static_cast<unsigned char>(bytes[static_cast<qsizetype>(n)]) & 0xC0) == 0x80) --n;
    }
    return std::string(bytes.constData(), n);
}

}  // namespace wl
