// Bytes <-> QString, one character per byte (Latin-1): how records, member
// names and actions cross between the plain C++ layers, which hold bytes
// 0..255 in std::string, and Qt. Header only, Qt Core only, so any layer
// with Qt links it.
#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

namespace vantrel {

inline QString fromBytes(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// Each character's code as one byte. A text made by fromBytes comes back
// unchanged; a character above 255, which no byte string gives, keeps its
// low byte.
inline std::string toBytes(QStringView text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text)
        bytes += static_cast<char>(c.unicode() & 0xFF);
    return bytes;
}

} // namespace vantrel
