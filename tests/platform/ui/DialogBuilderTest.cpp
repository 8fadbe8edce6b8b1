#include "platform/ui/DialogBuilder.h"
#include "platform/ui/AnchorLayout.h"
#include "platform/ui/FileDialog.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

const Ui::DialogTemplate& SampleTemplate() {
    static const Ui::DialogTemplate tmpl{
        500,
        QStringLiteral("見本"),
        QStringLiteral("IPAGothic"),
        11,
        {200, 100},
        {
            {1001, Ui::ControlKind::Edit, {}, {7, 7, 100, 12}},
            {1002, Ui::ControlKind::ComboBox, {}, {7, 22, 100, 80}, Ui::ComboEditable},
            {1003,
             Ui::ControlKind::PushButton,
             QStringLiteral("追加"),
             {140, 80, 50, 14},
             Ui::StyleNone,
             {100, 100, 0, 0}},
            {1004, Ui::ControlKind::Edit, {}, {7, 40, 120, 30}, Ui::EditMultiLine, {0, 0, 50, 100}},
        }};
    return tmpl;
}

TEST(DialogUnits, ConvertWithRoundingLikeMulDiv) {
    const QSize base(7, 15); // a typical 11-point Japanese font
    EXPECT_EQ(Ui::DialogUnitsToPixels(QRect(3, 3, 58, 18), base), QRect(5, 6, 102, 33));
    EXPECT_EQ(Ui::DialogUnitsToPixels(QSize(64, 189), base), QSize(112, 354));
}

TEST(DialogBuilder, ControlsCarryTheirIdsGeometryAndTabOrder) {
    QWidget host;
    Ui::CDialogBuilder builder(SampleTemplate());
    ASSERT_TRUE(builder.Build(&host));
    EXPECT_EQ(host.windowTitle(), QStringLiteral("見本"));
    EXPECT_EQ(host.size(), builder.PixelSize());

    auto* edit = host.findChild<QLineEdit*>(QStringLiteral("1001"));
    auto* combo = host.findChild<QComboBox*>(QStringLiteral("1002"));
    auto* button = host.findChild<QPushButton*>(QStringLiteral("1003"));
    ASSERT_TRUE(edit && combo && button);
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(button->text(), QStringLiteral("追加"));
    EXPECT_EQ(edit->nextInFocusChain(), combo);

    host.show();
    EXPECT_EQ(edit->geometry(), builder.PixelRect(1001));
    // The combo's template height is its dropped-down height, not its own.
    EXPECT_LT(combo->height(), builder.PixelRect(1002).height());

    EXPECT_FALSE(builder.Build(&host)) << "a second build into the same host must be refused";
}

TEST(DialogBuilder, AnchorsMoveAndGrowWithTheHost) {
    QWidget host;
    Ui::CDialogBuilder builder(SampleTemplate());
    ASSERT_TRUE(builder.Build(&host));
    host.show();
    const QRect button = builder.PixelRect(1003);
    const QRect memo = builder.PixelRect(1004);
    host.resize(builder.PixelSize() + QSize(100, 40));
    QApplication::processEvents();
    EXPECT_EQ(host.findChild<QWidget*>(QStringLiteral("1003"))->geometry(),
              button.translated(100, 40));
    EXPECT_EQ(host.findChild<QWidget*>(QStringLiteral("1004"))->geometry(),
              QRect(memo.topLeft(), memo.size() + QSize(50, 40)));
    EXPECT_EQ(host.findChild<QWidget*>(QStringLiteral("1001"))->geometry(),
              builder.PixelRect(1001));
}

TEST(FileDialogFilter, WindowsFilterBecomesQtFilter) {
    EXPECT_EQ(Ui::QtFilterFromWindows(QStringLiteral("INIファイル (*.ini)|*.ini||")),
              QStringLiteral("INIファイル (*.ini)"));
    EXPECT_EQ(Ui::QtFilterFromWindows(QStringLiteral("Text|*.txt;*.log|All|*.*||")),
              QStringLiteral("Text (*.txt *.log);;All (*.*)"));
}

} // namespace
