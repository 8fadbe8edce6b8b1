#include <QApplication>
#include <QMainWindow>
#include <cstdio>

#include "platform/TextUtil.h"

namespace {

// Qt aborts when it cannot reach a display; say so plainly instead.
bool HasDisplay() {
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
           !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char** argv) {
    if (!HasDisplay()) {
        std::fprintf(stderr, "quillet: a graphical session is needed (no DISPLAY or "
                             "WAYLAND_DISPLAY is set).\n");
        return 1;
    }
    Text::SetJapaneseLocale(true);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Pelmo System");
    QCoreApplication::setApplicationName("Quillet");
    QMainWindow window;
    window.setWindowTitle("Quillet");
    window.resize(1024, 720);
    window.showMaximized();
    return app.exec();
}
