#include <QApplication>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <gtest/gtest.h>

namespace {

// The offscreen platform's one screen is 800 × 600, smaller than the desktops the windows are
// made for. The tests get a desktop-sized primary screen and, to its right, a small one
// ("small", 1024 × 700) for what has to fit on a small screen.
constexpr char kScreens[] = R"({"screens": [
 {"name": "desktop", "x": 0, "y": 0, "width": 1600, "height": 1000, "logicalDpi": 96},
 {"name": "small", "x": 1600, "y": 0, "width": 1024, "height": 700, "logicalDpi": 96}]})";

bool WriteScreens(QTemporaryFile& file) {
    return file.open() && file.write(kScreens) == qint64(sizeof kScreens - 1) && file.flush();
}

} // namespace

int main(int argc, char** argv) {
    // Test discovery runs this binary without the CTest environment.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryFile screens;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && WriteScreens(screens))
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.fileName().toLocal8Bit());
    // The value lists a test makes without naming a database never reach the user's own.
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
