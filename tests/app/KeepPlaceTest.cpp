// After a save, a reload or a save that partly failed the window shows the files as they are
// and keeps the user where they were.

#include "AppFixture.h"

#include "app/PreviewText.h"
#include "grid/ListCtrlEx.h"
#include "view/QuilletView.h"

#include <functional>

namespace {

constexpr COLORREF kYellow = 0x00E6E6;
// The character and the key the file's encoding refused.
QString Cp932Reason(const QString& key) {
    return QStringLiteral("理由: 「😀」は CP932 で書けません (キー%1)").arg(key);
}

QByteArray Cp932(const QString& text) {
    QStringEncoder encoder("CP932");
    return encoder.encode(text);
}

QString Entries(int count, const QString& value) {
    QString text = QStringLiteral("[s]\n");
    for (int i = 0; i < count; ++i)
        text += QStringLiteral("k%1=%2\n").arg(i).arg(value);
    return text;
}

} // namespace

class KeepPlaceTest : public AppTest {
protected:
    Pelmo::CListCtrlEx* Grid() const { return Frame()->GetView()->GetGrid(); }
    void Place(int row, int col, int top) {
        Grid()->SetCurrentCell(row, col, false, false);
        Grid()->Scroll(0, (top - Grid()->GetTopIndex()) * Grid()->GetRowHeight());
        ASSERT_EQ(Grid()->GetTopIndex(), top);
    }
    std::pair<int, int> Current() const {
        int row = -1;
        int col = -1;
        Grid()->GetCurrentCell(&row, &col, false);
        return {row, col};
    }
    // The line the preview box highlights.
    QString PreviewLine(int box) const {
        const CPreviewText* edit = Frame()->PreviewBar()->Edit(box);
        return edit->LineText(edit->Caret().line);
    }
    bool Yellow(int row, int col) const {
        COLORREF text = 0;
        COLORREF back = 0;
        return Grid()->GetCellColor(row, col, &text, &back) && back == kYellow;
    }
    int RowOf(int col, const QString& text) const {
        for (int row = 0; row < Grid()->GetItemCount(); ++row) {
            if (Grid()->GetItemText(row, col) == text)
                return row;
        }
        return -1;
    }
};

TEST_F(KeepPlaceTest, SaveAndReloadKeepTheCurrentCellOnItsEntryAndTheTopRow) {
    StartOrFail();
    const QString path = Path("a.ini");
    struct Case {
        const char* name;
        std::function<void()> act;
        int rowAfter;
        QString previewLine;
    };
    const Case cases[] = {
        {"save",
         [&] {
             Entry(Doc()->m_pIniData.get(), "s", "k30")->SetValue("saved");
             QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
         },
         30, "k30=saved"},
        {"reload after an entry came in above",
         [&] {
             WriteText("a.ini", "[s]\nnew=1\n" + Entries(60, "v").mid(4));
             QTest::keyClick(Frame(), Qt::Key_F5);
         },
         31, "k30=v"},
        {"reload after the entry went: the row it had",
         [&] {
             WriteText("a.ini", Entries(60, "v").remove("k30=v\n"));
             QTest::keyClick(Frame(), Qt::Key_F5);
         },
         30, "k31=v"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteText("a.ini", Entries(60, "v"));
        ASSERT_TRUE(Frame()->OpenFile(path, false));
        Place(30, 2, 20);
        c.act();
        EXPECT_EQ(Current(), std::make_pair(c.rowAfter, 2));
        EXPECT_EQ(Grid()->GetTopIndex(), 20);
        EXPECT_EQ(PreviewLine(Res::IDC_PREVIEW), c.previewLine);
    }
}

TEST_F(KeepPlaceTest, ComparisonSaveKeepsTheCurrentCellOnItsSide) {
    StartOrFail();
    const QString a = WriteText("a.ini", Entries(60, "1"));
    const QString b = WriteText("b.ini", "[s]\nonly2=x\n" + Entries(60, "2").mid(4));
    ASSERT_TRUE(Frame()->OpenCompare(a, b));
    // File 2's k30 sits on the row of file 1's k30; its own extra entry comes last.
    const int row = RowOf(5, "k30");
    ASSERT_GE(row, 25);
    Place(row, 6, 20);
    Entry(Doc()->m_pCompare->m_pIni2.get(), "s", "k30")->SetValue("saved");
    QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(Current(), std::make_pair(row, 6));
    EXPECT_EQ(Grid()->GetTopIndex(), 20);
    EXPECT_EQ(Grid()->GetItemText(row, 6), "saved");
    EXPECT_EQ(PreviewLine(Res::IDC_PREVIEW2), "k30=saved");
    EXPECT_EQ(PreviewLine(Res::IDC_PREVIEW1), "k30=1");
}

// File 1 is CP932 and cannot hold an emoji; what it could write is written and unmarked, what
// it could not stays yellow, and the message says why.
TEST_F(KeepPlaceTest, APartlyFailedSaveMarksOnlyWhatIsNotInTheFile) {
    StartOrFail();
    const QString path = Write("a.ini", Cp932("[s]\r\nk1=あ\r\nk2=v\r\n"));
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    Entry(Doc()->m_pIniData.get(), "s", "k1")->SetValue("😀");
    Entry(Doc()->m_pIniData.get(), "s", "k2")->SetValue("w");
    Place(1, 2, 0);
    QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, "ファイルへの書き込みに失敗しました。\n" + path + "\n" +
                                           Cp932Reason("k1") +
                                           "\n\n書き込めなかったエントリ:\n[s] k1");
    EXPECT_EQ(Read(path), Cp932("[s]\r\nk1=あ\r\nk2=w\r\n"));
    EXPECT_EQ(Grid()->GetItemText(0, 2), "😀");
    EXPECT_TRUE(Yellow(0, 2));
    EXPECT_FALSE(Yellow(1, 2));
    EXPECT_EQ(PreviewLine(Res::IDC_PREVIEW), "k2=w");
    EXPECT_TRUE(Doc()->HasUnsavedChanges());
}

TEST_F(KeepPlaceTest, APartlyFailedComparisonSaveMarksEachSideAsItsFileIs) {
    StartOrFail();
    const QString a = Write("a.ini", Cp932("[s]\r\nk=あ\r\n"));
    const QString b = WriteText("b.ini", "[s]\nk=い\n[t]\ne=😀\n");
    ASSERT_TRUE(Frame()->OpenCompare(a, b));
    CIniData* ini1 = Doc()->m_pCompare->m_pIni1.get();
    Entry(ini1, "s", "k")->SetValue("😀");
    Entry(Doc()->m_pCompare->m_pIni2.get(), "s", "k")->SetValue("x");
    // File 2's section [t] copied over to file 1, which cannot hold its one value.
    ini1->AddEntry("t", "e", "😀");
    ini1->ClearAddedMarks();
    QTest::keyClick(Frame(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_EQ(m_boxes.Boxes().size(), 1u);
    EXPECT_EQ(m_boxes.Boxes()[0].text, "ファイルへの書き込みに失敗しました。\n" + a + "\n" +
                                           Cp932Reason("k") + "\n" + Cp932Reason("e") +
                                           "\n\n書き込めなかったエントリ:\n[s] k\n[t] e");
    EXPECT_EQ(Read(a), Cp932("[s]\r\nk=あ\r\n"));
    EXPECT_EQ(Read(b), QString("[s]\r\nk=x\r\n[t]\r\ne=😀\r\n").toUtf8());
    const int changed = RowOf(1, "k");
    const int copied = RowOf(5, "e");
    ASSERT_GE(changed, 0);
    ASSERT_GE(copied, 0);
    struct Cell {
        const char* name;
        int row;
        int col;
        QString text;
        bool yellow;
    };
    const Cell cells[] = {
        {"file 1's unwritten value", changed, 2, "😀", true},
        {"file 2's written value", changed, 6, "x", false},
        {"the values differ in the files", changed, 3, "○", false},
        {"the copied section", copied, 0, "t", true},
        {"the copied key", copied, 1, "e", true},
        {"the copied value", copied, 2, "😀", true},
        {"file 1 lacks the copied entry", copied, 3, "○", false},
        {"file 2's entry", copied, 6, "😀", false},
    };
    for (const Cell& cell : cells) {
        SCOPED_TRACE(cell.name);
        EXPECT_EQ(Grid()->GetItemText(cell.row, cell.col), cell.text);
        if (cell.col != 3) {
            EXPECT_EQ(Yellow(cell.row, cell.col), cell.yellow);
        }
    }
}
