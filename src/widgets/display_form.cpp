#include "display_form.h"

#include "server/control_pictures.h"

namespace vantrel {

QString toDisplayForm(std::string_view bytes, bool breakAfterLf)
{
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size() + bytes.size() / 16));
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (const char16_t picture = controlPicture(c)) {
            out += QChar(picture);
            if (c == '\n' && breakAfterLf)
                out += QChar('\n');
        } else {
            out += QChar(c);
        }
    }
    return out;
}

QString fromBytes(std::string_view bytes) { return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())); }

std::optional<std::string> toBytes(const QString& text)
{
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()));
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return std::nullopt;
        bytes += static_cast<char>(c.unicode());
    }
    return bytes;
}

} // namespace vantrel
