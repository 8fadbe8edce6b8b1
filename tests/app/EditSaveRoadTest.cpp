// The whole road of one file through the real window: open through the file dialog, move
// with the keys, edit a value (typed and through an input method), Ctrl+S, bytes on disk.
#include "AppFixture.h"

#include "grid/ListCtrlBase.h"
#include "view/QuilletView.h"

#include <QApplication>
#include <QInputMethodEvent>

namespace {

QByteArray EncodeCp932(const QString& text) {
    QStringEncoder encoder("CP932");
    QByteArray bytes = encoder.encode(text);
    EXPECT_FALSE(encoder.hasError());
    return bytes;
}

QWidget* Focused() {
    return QApplication::focusWidget();
}

void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(Focused(), Qt::Key(key), mods);
}

void Type(const QString& text) {
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, Focused(), Qt::Key_unknown, QString(ch), Qt::NoModifier);
}

void CommitComposition(const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(Focused(), &event);
}

} // namespace

TEST_F(AppTest, ACp932FileEditedInTheGridIsSavedWithEveryOtherByteKept) {
    StartOrFail();
    const QString original = QStringLiteral("; 設定ファイル\r\n[全般]\r\n名前=山田\r\n色=赤\r\n"
                                            "[表示]\r\n幅=１０２４\r\n");
    const QString path = Write(QStringLiteral("日本語.ini"), EncodeCp932(original));
    m_boxes.ChooseFile(path);
    Click(Res::ID_FILE_OPEN);
    ASSERT_NE(Doc()->m_pIniData, nullptr);

    auto* grid = dynamic_cast<Pelmo::CListCtrlBase*>(Frame()->GetView()->GetGrid());
    ASSERT_EQ(grid->GetItemCount(), 3);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->GetCellRect(0, 1).center());
    Key(Qt::Key_Down);
    Key(Qt::Key_Right);
    Key(Qt::Key_Down);
    int row = -1;
    int col = -1;
    grid->GetCurrentCell(&row, &col, false);
    ASSERT_EQ(row, 2);
    ASSERT_EQ(col, 2);
    Key(Qt::Key_Up);
    Key(Qt::Key_F2);
    ASSERT_TRUE(grid->IsEditing());
    Type(QStringLiteral("青"));
    CommitComposition(QStringLiteral("緑"));
    Key(Qt::Key_Return);
    EXPECT_EQ(grid->GetItemText(1, 2), QStringLiteral("青緑"));

    Key(Qt::Key_S, Qt::ControlModifier);
    EXPECT_TRUE(m_boxes.Boxes().empty());
    QString expected = original;
    expected.replace(QStringLiteral("色=赤"), QStringLiteral("色=青緑"));
    EXPECT_EQ(Read(path), EncodeCp932(expected));
    // The reloaded file shows the saved value without a mark.
    CIniData* reloaded = Doc()->m_pIniData.get();
    ASSERT_NE(reloaded, nullptr);
    EXPECT_EQ(Entry(reloaded, QStringLiteral("全般"), QStringLiteral("色"))->SavedValue(),
              QStringLiteral("青緑"));
    COLORREF text = 0;
    COLORREF back = 0;
    EXPECT_FALSE(grid->GetCellColor(1, 2, &text, &back));
}
