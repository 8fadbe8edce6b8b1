#include "AppFixture.h"

#include <QImage>
#include <QPixmap>

#ifndef QUILLET_SCREENSHOT_DIR
#error "QUILLET_SCREENSHOT_DIR must name the folder for the pictures"
#endif

// Renders the main window with a Japanese file open, for looking at by eye; the picture is
// written into the build tree, never into the sources.
TEST_F(AppTest, RendersTheMainWindowWithAJapaneseFileIntoAPicture) {
    StartOrFail();
    Frame()->showNormal();
    Frame()->resize(1280, 800);
    const QString path = WriteText("日本語.ini", "; 設定ファイル\n[全般]\n名前=クイレット\n"
                                                 "言語=日本語\n\n[表示]\n幅=1024\n高さ=768\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0,
                         reinterpret_cast<qintptr>(Entry(Doc()->m_pIniData.get(), "全般", "言語")));
    QCoreApplication::processEvents();
    const QImage image = Frame()->grab().toImage();
    ASSERT_EQ(image.size(), QSize(1280, 800));
    ASSERT_TRUE(QDir().mkpath(QUILLET_SCREENSHOT_DIR));
    EXPECT_TRUE(image.save(QStringLiteral(QUILLET_SCREENSHOT_DIR "/main-window.png")));
}
