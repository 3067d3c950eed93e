// The colours a widget shows when it is drawn: its ground (the commonest
// colour of its inside, a few pixels in from its edge) and its text (the
// colour that stands out most from that ground).
#pragma once

#include "widgets/legible.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QWidget>

namespace vantrel::test {

struct Painted {
    QColor text, ground;
};

inline Painted paintedColours(QWidget* w)
{
    QWidget* window = w->window();
    const QRect inside = QRect(w->mapTo(window, QPoint(0, 0)), w->size()).adjusted(3, 3, -3, -3);
    const QImage image = window->grab(inside).toImage();
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb ground = 0;
    int most = -1;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() > most) {
            most = it.value();
            ground = it.key();
        }
    QColor text = QColor(ground);
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (contrastRatio(QColor(it.key()), QColor(ground)) > contrastRatio(text, QColor(ground)))
            text = QColor(it.key());
    return {text, QColor(ground)};
}

} // namespace vantrel::test
