#pragma once

#include "platform/ColorRef.h"

#include <QColor>

// Between the Windows colour numbers the grid's interface takes and the QColors it paints
// with. Here and not beside COLORREF, because the platform layer links Qt Core only.
inline QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline COLORREF FromQColor(const QColor& c) {
    return RGB(c.red(), c.green(), c.blue());
}
