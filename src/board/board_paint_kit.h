// What the parts of the BoardPainter share: the board's own colours, its
// fonts, and the one-line text they all write. Internal to the board.
#pragma once

#include "board_painter.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

#include <string>
#include <vector>

class QPainter;

namespace vantrel::board::painting {

inline QString q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }
inline QColor colour(Rgb c) { return qColour(c); }

inline const QColor kAsphalt(58, 62, 68);
inline const QColor kCanopy(226, 230, 236);
inline const QColor kInk = QColor(kDarkInk.r, kDarkInk.g, kDarkInk.b);
inline const QColor kSelection(255, 214, 0);
// The red of a fault's mark, and the ground its words are written on.
inline const QColor kFault(205, 38, 38);
// The edges of a fault's band, so that it stands out on a red tile too.
inline const QColor kFaultInnerEdge(255, 255, 255);
inline const QColor kFaultOuterEdge(20, 20, 24);
// The devices' section and the wells of its gauges and wash bay.
inline const QColor kDevicePanel(70, 76, 84);
inline const QColor kDeviceWell(40, 44, 50);

// The ink for text on a background the board painted itself.
QColor inkFor(const QColor& background);

QFont boardFont(int points, bool bold = false, bool mono = false);

// Writes `text` in one line into `r`, cut with an ellipsis where it is wider, and tells where it went.
void line(QPainter& p, const QRect& r, int align, const QString& text, std::vector<DrawnText>* drawn = nullptr);

// The height drawText gives one line in the painter's font, so that lines stacked at it never touch.
int lineHeightOf(QPainter& p);

// A fault's mark: its words, after a warning sign, on a red band filling `r`
// with a white edge, and a dark one just outside it (in the painter's font,
// cut where they are wider).
void faultBand(QPainter& p, const QRect& r, const std::string& words, std::vector<DrawnText>* drawn = nullptr);

} // namespace vantrel::board::painting
