#include "platform/ui/DialogTemplate.h"

#include <QFont>
#include <QFontMetrics>

namespace Ui {

namespace {

int MulDiv(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : (product - half) / denominator);
}

} // namespace

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, fm.height()};
}

QRect DialogUnitsToPixels(const QRect& units, QSize base) {
    const int left = MulDiv(units.x(), base.width(), 4);
    const int top = MulDiv(units.y(), base.height(), 8);
    const int right = MulDiv(units.x() + units.width(), base.width(), 4);
    const int bottom = MulDiv(units.y() + units.height(), base.height(), 8);
    return {left, top, right - left, bottom - top};
}

QSize DialogUnitsToPixels(QSize units, QSize base) {
    return {MulDiv(units.width(), base.width(), 4), MulDiv(units.height(), base.height(), 8)};
}

} // namespace Ui
