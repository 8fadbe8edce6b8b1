#pragma once

#include <QColor>
#include <QPalette>
#include <cmath>

// Colours that stay readable whatever palette the desktop uses. The grid draws some
// backgrounds in fixed colours (the client's cell colours, the header tint); text on them must
// not take the palette's text colour, which a dark palette makes white.
namespace Pelmo {

// Black or white, whichever stands out more from back (by the relative luminance that
// contrast ratios are measured with).
inline QColor ReadableTextOn(const QColor& back) {
    const auto linear = [](int channel) {
        const double c = channel / 255.0;
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const double luminance =
        0.2126 * linear(back.red()) + 0.7152 * linear(back.green()) + 0.0722 * linear(back.blue());
    // Contrast with black (L + 0.05) / 0.05 against with white 1.05 / (L + 0.05): equal where
    // L is about 0.179.
    return (luminance + 0.05) * (luminance + 0.05) >= 0.05 * 1.05 ? QColor(Qt::black)
                                                                  : QColor(Qt::white);
}

// A colour part of the way, by weight/255, from the palette's base colour to its text colour:
// shades of the palette for borders and quieter fills that read in light and dark alike. In
// the light default palette 15, 38 and 63 give the familiar F0, D9 and C0 greys.
inline QColor BaseTowardsText(const QPalette& palette, int weight) {
    const QColor base = palette.color(QPalette::Base);
    const QColor text = palette.color(QPalette::Text);
    const auto mix = [weight](int from, int to) { return from + (to - from) * weight / 255; };
    return QColor(mix(base.red(), text.red()), mix(base.green(), text.green()),
                  mix(base.blue(), text.blue()));
}

} // namespace Pelmo
