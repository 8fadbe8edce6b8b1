#include "AppFixture.h"
#include "grid/ListCtrlBase.h"
#include "grid/RowHeader.h"
#include "view/QuilletView.h"

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <cmath>

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

namespace {

// The palettes the window must read in: Fusion's own, a dark one as qt6ct's "darker" scheme
// makes it, and a high-contrast one (white on black).
QPalette DarkPalette() {
    QPalette p;
    const QColor window(0x35, 0x35, 0x35), base(0x2a, 0x2a, 0x2a), text(0xff, 0xff, 0xff);
    for (auto role : {QPalette::Window, QPalette::Button})
        p.setColor(role, window);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x42, 0x42, 0x42));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(role, text);
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x6c, 0xb4, 0xff));
    p.setColor(QPalette::Light, QColor(0x50, 0x50, 0x50));
    p.setColor(QPalette::Dark, QColor(0x20, 0x20, 0x20));
    p.setColor(QPalette::Mid, QColor(0x40, 0x40, 0x40));
    p.setColor(QPalette::Shadow, Qt::black);
    return p;
}

QPalette HighContrastPalette() {
    QPalette p(Qt::white, Qt::black, Qt::white, Qt::gray, Qt::gray, Qt::white, Qt::white, Qt::black,
               Qt::black);
    p.setColor(QPalette::Highlight, QColor(0x00, 0xff, 0xff));
    p.setColor(QPalette::HighlightedText, Qt::black);
    p.setColor(QPalette::Link, QColor(0xff, 0xff, 0x00));
    return p;
}

double Luminance(const QColor& c) {
    const auto linear = [](int v) {
        const double x = v / 255.0;
        return x <= 0.04045 ? x / 12.92 : std::pow((x + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

double Contrast(const QColor& a, const QColor& b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Inside r of image: the background (the commonest colour) and the contrast of the text on it
// (the pixel that stands out most: the core of a glyph, not its anti-aliased edge). 0 when r
// holds nothing but its background.
struct Reading {
    QColor back;
    double contrast = 0;
};
Reading ReadCell(const QImage& image, const QRect& r) {
    QMap<QRgb, int> counts;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[image.pixel(x, y)];
    QRgb commonest = 0;
    for (auto it = counts.begin(); it != counts.end(); ++it)
        if (it.value() > counts.value(commonest))
            commonest = it.key();
    Reading reading{QColor(commonest), 0};
    for (auto it = counts.begin(); it != counts.end(); ++it)
        reading.contrast = std::max(reading.contrast, Contrast(QColor(it.key()), reading.back));
    return reading;
}

} // namespace

// Under each palette the cells and the headers of a comparison read: the text on each fixed
// background (the yellow of an edited value, the header tint of the current column and row)
// stands at least 4.5:1 from it, the green of a missing side is drawn as it is, and the
// read-only section and entry cells follow the palette rather than staying light grey. The
// window is saved as a picture per palette.
TEST_F(AppTest, EveryFixedBackgroundReadsUnderLightDarkAndHighContrastPalettes) {
    const QPalette original = QApplication::palette();
    const struct {
        const char* name;
        QPalette palette;
    } palettes[] = {
        {"light", original}, {"dark", DarkPalette()}, {"high-contrast", HighContrastPalette()}};
    const QString path1 = WriteText("1.ini", "[表示]\n幅=1024\n高さ=768\n色=青\n");
    const QString path2 = WriteText("2.ini", "[表示]\n幅=800\n高さ=768\n[追加]\n名前=値\n");
    const QColor yellow = ToQColor(0x00E6E6), green = ToQColor(0xCEEFC6);
    const QColor tint = ToQColor(Pelmo::CLR_HEADER_TINT);
    for (const auto& p : palettes) {
        SCOPED_TRACE(p.name);
        QApplication::setPalette(p.palette);
        StartOrFail();
        Frame()->showNormal();
        Frame()->resize(1280, 800);
        ASSERT_TRUE(Frame()->OpenCompare(path1, path2));
        auto* grid = dynamic_cast<Pelmo::CListCtrlBase*>(Frame()->GetView()->GetGrid());
        ASSERT_NE(grid, nullptr);
        // 幅 of file 1 edited: its value turns yellow; Return moves on to 高さ.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid->GetCellRect(0, 2).center());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        ASSERT_TRUE(grid->IsEditing());
        QTest::keyClicks(QApplication::focusWidget(), "9");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        int currentRow = -1, currentCol = -1;
        grid->GetCurrentCell(&currentRow, &currentCol, false);
        ASSERT_NE(currentRow, 0);
        QCoreApplication::processEvents();

        const QImage image = grid->grab().toImage();
        const QPoint viewport = grid->viewport()->geometry().topLeft();
        const QColor base = p.palette.color(QPalette::Base);
        const struct {
            const char* what;
            int row, col;
            QColor back; // invalid: the palette's
            bool bText;
        } cells[] = {
            {"edited value", 0, 2, yellow, true},  {"missing side", 3, 0, green, false},
            {"read-only section", 0, 0, {}, true}, {"read-only key", 2, 1, {}, true},
            {"editable value", 2, 2, {}, true},
        };
        for (const auto& c : cells) {
            SCOPED_TRACE(c.what);
            const QRect r = grid->GetCellRect(c.row, c.col).translated(viewport);
            const Reading reading = ReadCell(image, r.adjusted(2, 2, -3, -3));
            if (c.back.isValid()) {
                EXPECT_EQ(reading.back.name(), c.back.name());
            } else {
                EXPECT_LT(Contrast(reading.back, base), 1.25) << reading.back.name().toStdString();
            }
            if (c.bText) {
                EXPECT_GE(reading.contrast, 4.5) << reading.back.name().toStdString();
            }
        }

        // The current column's header and the current row's row header carry the tint.
        QHeaderView* header = grid->GetHeaderCtrl();
        const Reading column =
            ReadCell(header->grab().toImage(),
                     QRect(header->sectionViewportPosition(currentCol) + 2, 2,
                           header->sectionSize(currentCol) - 5, header->height() - 5));
        EXPECT_EQ(column.back.name(), tint.name());
        EXPECT_GE(column.contrast, 4.5);
        QWidget* rowHeader = grid->GetRowHeader();
        const QRect currentLine = grid->GetCellRect(currentRow, 0).translated(viewport);
        const int top = rowHeader->mapFromGlobal(grid->mapToGlobal(currentLine.topLeft())).y();
        const Reading row =
            ReadCell(rowHeader->grab().toImage(),
                     QRect(2, top + 2, rowHeader->width() - 5, currentLine.height() - 5));
        EXPECT_EQ(row.back.name(), tint.name());
        EXPECT_GE(row.contrast, 4.5);

        ASSERT_TRUE(QDir().mkpath(QUILLET_SCREENSHOT_DIR));
        EXPECT_TRUE(Frame()->grab().toImage().save(
            QStringLiteral(QUILLET_SCREENSHOT_DIR "/compare-%1.png").arg(p.name)));
        m_app.reset();
    }
    QApplication::setPalette(original);
}
