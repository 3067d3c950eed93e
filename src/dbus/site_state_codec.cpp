#include "site_state_codec.h"
#include "site_state_fields.h"

#include <charconv>
#include <cmath>
#include <cstdio>

// Writing the site's state as JSON; reading it back is in site_state_decoder.cpp.

namespace vantrel::dbus {

namespace {
using namespace sitefields;

// Writes JSON text straight from the fields, in their order: building a
// QJsonObject first costs several times as much.
class Encoder {
public:
    std::string out;

    void operator()(const char* name, const auto& field)
    {
        if (!m_first.back())
            out += ',';
        m_first.back() = false;
        out += '"';
        out += name;
        out += "\":";
        write(field);
    }

    template <class T>
    void write(const T& value)
    {
        if constexpr (std::is_same_v<T, bool>) {
            out += value ? "true" : "false";
        } else if constexpr (std::is_same_v<T, char>) {
            writeBytes(value ? std::string_view(&value, 1) : std::string_view());
        } else if constexpr (std::is_integral_v<T>) {
            out += std::to_string(value);
        } else if constexpr (std::is_floating_point_v<T>) {
            writeNumber(static_cast<double>(value));
        } else if constexpr (std::is_same_v<T, PositionState>) {
            // Named by the table of the states (site_state.h), whatever their order.
            const char* name = positionStateName(value);
            if (std::string_view(name) != "?")
                writeBytes(name);
            else
                out += std::to_string(static_cast<int>(value));
        } else if constexpr (std::is_enum_v<T>) {
            const auto names = enumNames<T>();
            const auto index = static_cast<std::size_t>(value);
            if (index < names.size())
                writeBytes(names[index]);
            else
                out += std::to_string(index);
        } else if constexpr (std::is_same_v<T, std::string>) {
            writeBytes(value);
        } else if constexpr (IsVector<T>::value || IsArray<T>::value) {
            out += '[';
            bool first = true;
            for (const auto& item : value) {
                if (!first)
                    out += ',';
                first = false;
                write(item);
            }
            out += ']';
        } else if constexpr (IsOptional<T>::value) {
            if (value)
                write(*value);
            else
                out += "null";
        } else if constexpr (IsMap<T>::value) {
            out += '{';
            bool first = true;
            for (const auto& [key, item] : value) {
                if (!first)
                    out += ',';
                first = false;
                writeBytes(key);
                out += ':';
                write(item);
            }
            out += '}';
        } else {
            out += '{';
            m_first.push_back(true);
            fields(*this, value);
            m_first.pop_back();
            out += '}';
        }
    }

private:
    std::vector<bool> m_first{true};

    // Each byte as the character of its code: UTF-8, with quotes, backslashes
    // and control characters escaped.
    void writeBytes(std::string_view bytes)
    {
        out += '"';
        for (const char c : bytes) {
            const auto code = static_cast<unsigned char>(c);
            if (code == '"' || code == '\\') {
                out += '\\';
                out += c;
            } else if (code < 0x20 || code == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
                out += escaped;
            } else if (code < 0x80) {
                out += c;
            } else {
                out += static_cast<char>(0xC0 | (code >> 6));
                out += static_cast<char>(0x80 | (code & 0x3F));
            }
        }
        out += '"';
    }

    // The shortest text that reads back as the same double. JSON has no
    // infinity or NaN: they are written as null, which a reader refuses.
    void writeNumber(double value)
    {
        if (!std::isfinite(value)) {
            out += "null";
            return;
        }
        char text[32];
        const auto [end, error] = std::to_chars(text, text + sizeof text, value);
        out.append(text, error == std::errc() ? end : text);
    }
};
} // namespace

QByteArray encodeSiteState(const forecourt::SiteState& state)
{
    Encoder encoder;
    encoder.out.reserve(16 * 1024);
    encoder.out += '{';
    encoder("format", kSiteStateFormat);
    fields(encoder, state);
    encoder.out += '}';
    return QByteArray(encoder.out.data(), static_cast<qsizetype>(encoder.out.size()));
}

} // namespace vantrel::dbus
