#include "dialogs/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWidget>

namespace {

// The frame the window manager adds; before the first showing only an estimate is known.
QSize FrameAllowance(const QWidget* pDialog) {
    if (pDialog->isVisible())
        return pDialog->frameGeometry().size() - pDialog->size();
    const QStyle* style = pDialog->style();
    const int border = 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    return {border, border + style->pixelMetric(QStyle::PM_TitleBarHeight)};
}

} // namespace

QSize FitToScreen(const QWidget* pDialog, const QSize& size) {
    const QWidget* anchor = pDialog->parentWidget() ? pDialog->parentWidget() : pDialog;
    const QScreen* screen = anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return size;
    return size.boundedTo(screen->availableSize() - FrameAllowance(pDialog));
}
