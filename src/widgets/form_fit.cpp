// fitText of form.h: a caption set smaller until it fits its control; and
// a face by its family where that family is installed.
#include "form.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QStringList>

#include <algorithm>
#include <cmath>

namespace vantrel {

// A caption wider than its control is set a point or two smaller, so that
// every caption stays whole: by its longest word where it may wrap, whole
// where it has room for one line only. The size is the largest on the grid of
// half points below the widget's own that fits, down to 6 points.
void fitText(QWidget* widget, const QString& text, int width, bool mayWrap)
{
    const QFont own = widget->font();
    const QStringList parts = mayWrap ? text.split(' ', Qt::SkipEmptyParts) : QStringList{text};
    auto widest = [&](const QFont& font) {
        const QFontMetrics metrics(font);
        int w = 0;
        for (const QString& part : parts)
            w = std::max(w, metrics.horizontalAdvance(part));
        return w;
    };
    const double top = own.pointSizeF(); // -1 for a face set in pixels, which stays as it is
    const int whole = top > 6.0 ? widest(own) : 0;
    if (whole <= width)
        return;
    // Half point k below the own size; the last step is the first at or below 6 points.
    const int last = static_cast<int>(std::ceil((top - 6.0) / 0.5));
    QFont f = own;
    auto fitsAt = [&](int step) {
        f.setPointSizeF(top - 0.5 * step);
        return widest(f) <= width;
    };
    // Every size is a face Qt loads and lays the text out in, so few are
    // tried: text grows about in proportion to its face, which puts the
    // first guess at or next to the answer; half points up or down from it
    // find the largest size that fits.
    int k = std::clamp(static_cast<int>(std::ceil(2.0 * top * (whole - width) / whole)), 1, last);
    if (fitsAt(k)) {
        while (k > 1 && fitsAt(k - 1))
            --k;
    } else {
        while (k < last && !fitsAt(++k)) {
        }
    }
    f.setPointSizeF(top - 0.5 * k);
    widget->setFont(f);
}

void useFamilyWhereInstalled(QWidget* widget, const QString& family)
{
    // A family that is not installed would have fontconfig sort every
    // installed font for a stand-in (half a millisecond at start-up per
    // family), to find the sans face the window shows anyway. A family
    // fontconfig knows by another name is installed in this sense.
    if (QFontDatabase::hasFamily(family)) {
        QFont face = widget->font();
        face.setFamilies({family});
        widget->setFont(face);
    }
}

} // namespace vantrel
