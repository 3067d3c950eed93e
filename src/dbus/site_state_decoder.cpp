#include "site_state_codec.h"
#include "site_state_fields.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <utility>

// Reading the site's state from JSON, as site_state_codec.cpp writes it.

namespace vantrel::dbus {

namespace {
using namespace sitefields;

// Reads into existing values; the first thing that does not fit stops it,
// with the path to it.
class Decoder {
public:
    std::string error;

    template <class T>
    void read(const QJsonValue& json, T& value, const std::string& path)
    {
        if (!error.empty())
            return;
        if constexpr (std::is_same_v<T, bool>) {
            if (!json.isBool())
                return fail(path, "not true or false");
            value = json.toBool();
        } else if constexpr (std::is_same_v<T, char>) {
            std::string text;
            read(json, text, path);
            if (text.size() > 1)
                return fail(path, "more than one character");
            value = text.empty() ? 0 : text.front();
        } else if constexpr (std::is_integral_v<T>) {
            // toInteger gives its default for anything but a whole number.
            const qint64 whole = json.toInteger(0);
            if (!json.isDouble() || whole != json.toInteger(1))
                return fail(path, "not a whole number");
            if (!std::in_range<T>(whole))
                return fail(path, "out of range");
            value = static_cast<T>(whole);
        } else if constexpr (std::is_floating_point_v<T>) {
            // JSON has no infinity, so one read from a number too large to hold could not be written back.
            if (!json.isDouble() || !std::isfinite(json.toDouble()))
                return fail(path, "not a finite number");
            value = json.toDouble();
        } else if constexpr (std::is_same_v<T, PositionState>) {
            const auto state = json.isString() ? positionStateNamed(json.toString().toStdString()) : std::nullopt;
            if (!state)
                return fail(path, "not one of the names it can be");
            value = *state;
        } else if constexpr (std::is_enum_v<T>) {
            const auto names = enumNames<T>();
            for (std::size_t i = 0; i < names.size(); ++i)
                if (json.toString() == QLatin1String(names[i])) {
                    value = static_cast<T>(i);
                    return;
                }
            return fail(path, "not one of the names it can be");
        } else if constexpr (std::is_same_v<T, std::string>) {
            if (!json.isString())
                return fail(path, "not a string");
            value = bytes(json.toString(), path);
        } else if constexpr (IsVector<T>::value) {
            if (!json.isArray())
                return fail(path, "not a list");
            const QJsonArray list = json.toArray();
            value.assign(static_cast<std::size_t>(list.size()), {});
            for (qsizetype i = 0; i < list.size() && error.empty(); ++i)
                read(list[i], value[static_cast<std::size_t>(i)], path + "[" + std::to_string(i) + "]");
        } else if constexpr (IsArray<T>::value) {
            if (!json.isArray() || static_cast<std::size_t>(json.toArray().size()) != value.size())
                return fail(path, "not a list of " + std::to_string(value.size()));
            const QJsonArray list = json.toArray();
            for (std::size_t i = 0; i < value.size() && error.empty(); ++i)
                read(list[static_cast<qsizetype>(i)], value[i], path + "[" + std::to_string(i) + "]");
        } else if constexpr (IsOptional<T>::value) {
            if (json.isNull()) {
                value.reset();
                return;
            }
            value.emplace();
            read(json, *value, path);
        } else if constexpr (IsMap<T>::value) {
            if (!json.isObject())
                return fail(path, "not an object");
            const QJsonObject map = json.toObject();
            value.clear();
            for (auto it = map.begin(); it != map.end() && error.empty(); ++it) {
                const std::string key = bytes(it.key(), path);
                read(it.value(), value[key], path + "." + key);
            }
        } else {
            if (!json.isObject())
                return fail(path, "not an object");
            FieldReader in{*this, json.toObject(), path};
            fields(in, value);
        }
    }

private:
    struct FieldReader {
        Decoder& decoder;
        QJsonObject object;
        std::string path;
        template <class T>
        void operator()(const char* name, T& field)
        {
            const auto it = object.constFind(QLatin1String(name));
            if (it != object.constEnd())
                decoder.read(it.value(), field, path.empty() ? name : path + "." + name);
        }
    };

    void fail(const std::string& path, const std::string& why)
    {
        if (error.empty())
            error = (path.empty() ? std::string("the state") : path) + ": " + why;
    }

    std::string bytes(const QString& text, const std::string& path)
    {
        std::string out;
        out.reserve(static_cast<std::size_t>(text.size()));
        for (const QChar c : text) {
            if (c.unicode() > 0xFF) {
                fail(path, "a character above 255");
                return {};
            }
            out.push_back(static_cast<char>(c.unicode()));
        }
        return out;
    }
};
} // namespace

std::optional<forecourt::SiteState> decodeSiteState(const QByteArray& json, std::string& error)
{
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &parse);
    if (parse.error != QJsonParseError::NoError) {
        error = "not JSON: " + parse.errorString().toStdString() + " at offset " + std::to_string(parse.offset);
        return std::nullopt;
    }
    if (!document.isObject()) {
        error = "not a JSON object";
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (object.value(QStringLiteral("format")).toInt() != kSiteStateFormat) {
        error = "not format " + std::to_string(kSiteStateFormat) + " (it says " +
                object.value(QStringLiteral("format")).toVariant().toString().toStdString() + ")";
        return std::nullopt;
    }
    Decoder decoder;
    forecourt::SiteState state;
    decoder.read(QJsonValue(object), state, "");
    if (!decoder.error.empty()) {
        error = decoder.error;
        return std::nullopt;
    }
    return state;
}

} // namespace vantrel::dbus
