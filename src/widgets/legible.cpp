#include "legible.h"

#include <algorithm>
#include <cmath>

namespace vantrel {

namespace {
double linear(double channel)
{
    return channel <= 0.04045 ? channel / 12.92 : std::pow((channel + 0.055) / 1.055, 2.4);
}
} // namespace

double relativeLuminance(const QColor& colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
}

double contrastRatio(const QColor& a, const QColor& b)
{
    const double la = relativeLuminance(a), lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor textColourOn(const QColor& background)
{
    return contrastRatio(Qt::black, background) >= contrastRatio(Qt::white, background) ? QColor(Qt::black)
                                                                                          : QColor(Qt::white);
}

QString nameFromCaption(const QString& caption) { return caption.simplified(); }

QString nameForControl(const QString& objectName)
{
    // A selector button, "Button" and its number. Every control of every
    // window is asked when the window is shown, so no pattern is compiled or run.
    static constexpr QLatin1String kSelector("Button");
    if (objectName.size() > kSelector.size() && objectName.startsWith(kSelector)) {
        const QStringView number = QStringView(objectName).mid(kSelector.size());
        if (std::all_of(number.begin(), number.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return QStringLiteral("Fueling position ") + number.toString();
    }
    static const std::pair<const char*, const char*> names[] = {
        {"TextBox", "Description"},
        {"InBox", "Result"},
        {"DeviceData", "Result"},
        {"CodeBox", "Code"},
        {"TextBoxPumpNumber", "Current fueling position"},
        {"Headline", "Version"},
        {"Price3Blend", "Blend prices"},
    };
    for (const auto& [name, said] : names)
        if (objectName == QLatin1String(name))
            return QString::fromLatin1(said);
    return {};
}

QString purposeOfControl(const QString& objectName)
{
    if (objectName == QLatin1String("Price3Blend"))
        return QStringLiteral("Blend prices: canned prices with a blend figure for three hoses");
    return {};
}

} // namespace vantrel
