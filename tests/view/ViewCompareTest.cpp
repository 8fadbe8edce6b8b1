// The view in comparison mode on real files, driven through the real grid with keys and the
// mouse; both files are read back from disk after saving.
#include "cli/CliMain.h"
#include "compare/IniCompare.h"
#include "grid/GridAccessible.h"
#include "grid/ListCtrlBase.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "res/Resource.h"
#include "tests/common/LocaleMode.h"
#include "tests/common/ScriptedBoxes.h"
#include "tests/view/FakeViewHost.h"
#include "view/CompareExport.h"
#include "view/QuilletView.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr COLORREF kYellow = 0x00E6E6;
constexpr COLORREF kRed = 0x243EDC;
constexpr COLORREF kGreen = 0xCEEFC6;
constexpr COLORREF kWhite = 0xFFFFFF;
const QString kMark = QStringLiteral("○");

class ViewCompareTest : public ::testing::Test {
protected:
    void SetUp() override { Pelmo::InstallJapaneseFontSubstitutes(); }
    void TearDown() override {
        view.reset();
        compare.reset();
    }

    QString Write(const QString& name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static std::unique_ptr<CIniData> Load(const QString& path) {
        auto ini = std::make_unique<CIniData>();
        QString error;
        EXPECT_TRUE(ini->Load(path, error)) << error.toStdString();
        return ini;
    }

    // Both files compared and shown, as the frame does for hint 4.
    void Open(const QString& path1, const QString& path2) {
        compare = std::make_unique<CIniCompare>(Load(path1), Load(path2));
        compare->Compare();
        Show();
    }
    void Show() {
        view = std::make_unique<CQuilletView>(&host);
        view->resize(1500, 500);
        view->show();
        QApplication::processEvents();
        view->OnUpdate(nullptr, Res::HINT_SHOW_COMPARE, reinterpret_cast<quintptr>(compare.get()));
        QApplication::processEvents();
    }
    void OpenTexts(const QByteArray& one, const QByteArray& two) {
        path1 = Write(QStringLiteral("1.ini"), one);
        path2 = Write(QStringLiteral("2.ini"), two);
        Open(path1, path2);
    }
    void SaveBoth() {
        compare->m_pIni1->Save();
        compare->m_pIni2->Save();
    }

    Pelmo::CListCtrlEx& Grid() const { return *view->GetGrid(); }
    QString Text(int row, int col) const { return Grid().GetItemText(row, col); }
    // The cell's own background, CLR_NOT_SET when it has none.
    COLORREF Back(int row, int col) const {
        COLORREF text = CLR_NOT_SET;
        COLORREF back = CLR_NOT_SET;
        Grid().GetCellColor(row, col, &text, &back);
        return back;
    }
    COLORREF TextColor(int row, int col) const {
        COLORREF text = CLR_NOT_SET;
        COLORREF back = CLR_NOT_SET;
        Grid().GetCellColor(row, col, &text, &back);
        return text;
    }
    bool Marked(int row) const {
        COLORREF text = CLR_NOT_SET;
        COLORREF back = CLR_NOT_SET;
        const bool coloured = Grid().GetCellColor(row, 3, &text, &back);
        const bool marked = Text(row, 3) == kMark;
        // The mark and its colours come and go together.
        EXPECT_EQ(marked, coloured && text == kWhite && back == kRed) << "row " << row;
        return marked;
    }
    const COMPARE_REULT& Row(int row) const {
        return *reinterpret_cast<const COMPARE_REULT*>(Grid().GetItemData(row));
    }

    QPoint CellCenter(int row, int col) const {
        QRect rect;
        Grid().GetSubItemRect(row, col, LVIR_LABEL, &rect);
        return rect.center();
    }
    void DoubleClick(int row, int col) {
        const QPoint pt = CellCenter(row, col);
        QTest::mouseClick(Grid().viewport(), Qt::LeftButton, Qt::NoModifier, pt);
        QTest::mouseDClick(Grid().viewport(), Qt::LeftButton, Qt::NoModifier, pt);
        QTest::mouseRelease(Grid().viewport(), Qt::LeftButton, Qt::NoModifier, pt);
    }
    void RightClick(int row, int col) {
        QTest::mouseClick(Grid().viewport(), Qt::RightButton, Qt::NoModifier, CellCenter(row, col));
    }
    void StartAt(int row, int col) {
        Grid().SetCurrentCell(row, col, true, false);
        Grid().setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        host.m_messages.clear();
    }
    QWidget* FocusTarget() const {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : &Grid();
    }
    void Key(int key) { QTest::keyClick(FocusTarget(), Qt::Key(key)); }
    // F2 opens the editor with its text selected, so typing replaces it.
    void EditCell(int row, int col, const QString& text) {
        StartAt(row, col);
        Key(Qt::Key_F2);
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, FocusTarget(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
        Key(Qt::Key_Return);
    }

    LocaleMode locale{true};
    QTemporaryDir dir;
    CFakeViewHost host;
    std::unique_ptr<CIniCompare> compare;
    std::unique_ptr<CQuilletView> view;
    QString path1;
    QString path2;
};

TEST_F(ViewCompareTest, SevenColumnsTakeTheComparisonWidthsAndEmptyTheSelector) {
    // Indexes the table lacks take the width of the column before them.
    host.m_compareWidths = {{0, 120}, {1, 90}, {3, 40}};
    OpenTexts("[S]\r\nx=1\r\n", "[S]\r\nx=1\r\n");
    const QStringList headings{u"セクション"_qs, u"エントリ"_qs, u"値"_qs, u"差"_qs,
                               u"セクション"_qs, u"エントリ"_qs, u"値"_qs};
    const std::vector<int> widths{120, 90, 90, 40, 40, 40, 40};
    ASSERT_EQ(Grid().GetColumnCount(), 7);
    for (int col = 0; col < 7; ++col) {
        EXPECT_EQ(Grid().GetColumnHeading(col), headings[col]) << col;
        EXPECT_EQ(Grid().GetColumnWidth(col), widths[size_t(col)]) << col;
        EXPECT_EQ(Grid().IsColumnReadOnly(col), col != 2 && col != 6) << col;
    }
    EXPECT_EQ(Grid().GetColumnFormat(3), LVCFMT_CENTER);
    COLORREF text = CLR_NOT_SET;
    COLORREF back = CLR_NOT_SET;
    ASSERT_TRUE(Grid().GetColumnColor(3, &text, &back));
    EXPECT_EQ(text, 0u);
    EXPECT_EQ(back, kWhite);
    EXPECT_EQ(Grid().GetRowHeaderWidth(), 50);
    ASSERT_FALSE(host.m_messages.empty());
    EXPECT_EQ(host.m_messages.back().message, unsigned(Res::WM_CLEAR_VALUE_LISTS));
}

// The grid shows what quillet-cli prints, row for row: the same pairing, values and marks, on
// files in different encodings whose sections come in a different order and case.
TEST_F(ViewCompareTest, RowsAgreeWithTheCommandLineComparison) {
    const QString a = QStringLiteral(QUILLET_TEST_DATA_DIR "/compare/jp-a-cp932.ini");
    const QString b = QStringLiteral(QUILLET_TEST_DATA_DIR "/compare/jp-b-utf16le.ini");
    struct Case {
        const char* name;
        QString one;
        QString two;
    };
    for (const Case& c : {Case{"cp932 then utf16le", a, b}, Case{"utf16le then cp932", b, a}}) {
        SCOPED_TRACE(c.name);
        Open(c.one, c.two);
        QByteArray a1 = QByteArray("quillet-cli"), a2 = "compare", a3 = "--json";
        QByteArray a4 = c.one.toLocal8Bit(), a5 = c.two.toLocal8Bit();
        char* argv[] = {a1.data(), a2.data(), a3.data(), a4.data(), a5.data(), nullptr};
        QString out;
        QString err;
        QTextStream outStream(&out);
        QTextStream errStream(&err);
        EXPECT_EQ(CliMain(5, argv, outStream, errStream), 1);
        outStream.flush();
        const QJsonArray rows = QJsonDocument::fromJson(out.toUtf8()).array();
        ASSERT_EQ(Grid().GetItemCount(), rows.size());
        ASSERT_GT(rows.size(), 5);
        QString previous[2];
        for (int row = 0; row < rows.size(); ++row) {
            SCOPED_TRACE(row);
            const QJsonObject cli = rows[row].toObject();
            EXPECT_EQ(Marked(row), cli[u"differs"_qs].toBool());
            for (int side = 0; side < 2; ++side) {
                const int base = side * 4;
                const QString suffix = QString::number(side + 1);
                const QJsonValue section = cli[u"section"_qs + suffix];
                const QJsonValue key = cli[u"key"_qs + suffix];
                // The section name stands only on the first row of its run.
                const QString name = section.toString();
                EXPECT_EQ(Text(row, base), name == previous[side] ? QString() : name);
                previous[side] = name;
                EXPECT_EQ(Text(row, base + 1), key.toString());
                EXPECT_EQ(Text(row, base + 2), cli[u"value"_qs + suffix].toString());
                EXPECT_EQ(Back(row, base), section.isNull() ? kGreen : CLR_NOT_SET);
                EXPECT_EQ(Back(row, base + 1), key.isNull() ? kGreen : CLR_NOT_SET);
                EXPECT_EQ(Back(row, base + 2), key.isNull() ? kGreen : CLR_NOT_SET);
                EXPECT_EQ(Grid().IsCellReadOnly(row, base + 2), key.isNull());
            }
        }
    }
}

TEST_F(ViewCompareTest, EditingEitherValueMovesTheMarkAndTheYellowAtOnce) {
    OpenTexts("[S]\r\nk=same\r\nd=left\r\n", "[S]\r\nk=same\r\nd=right\r\n");
    ASSERT_FALSE(Marked(0));
    EditCell(0, 2, QStringLiteral("別"));
    EXPECT_EQ(Text(0, 2), QStringLiteral("別"));
    EXPECT_EQ(compare->m_pIni1->m_sections[0]->m_entries[0]->m_value, QStringLiteral("別"));
    EXPECT_TRUE(Marked(0));
    EXPECT_EQ(Back(0, 2), kYellow);
    // Back to the saved text: no mark and no yellow, whichever side was typed in.
    EditCell(0, 2, QStringLiteral("same"));
    EXPECT_FALSE(Marked(0));
    EXPECT_EQ(Back(0, 2), CLR_NOT_SET);
    // Case matters for values.
    EditCell(1, 6, QStringLiteral("Left"));
    EXPECT_TRUE(Marked(1));
    EditCell(1, 6, QStringLiteral("left"));
    EXPECT_FALSE(Marked(1));
    EXPECT_EQ(Back(1, 6), kYellow);
    EXPECT_EQ(Back(1, 2), CLR_NOT_SET);
}

// Both sides show the same headings and paint what is missing or changed: by ear the side,
// the missing entry and the marks must be said.
TEST_F(ViewCompareTest, ScreenReaderHearsTheSideTheGapAndTheMarks) {
    Pelmo::CGridAccessible::InstallFactory(); // before the grid exists, as the application does
    OpenTexts("[S]\r\nk=a\r\nonly=1\r\n[E]\r\n", "[S]\r\nk=b\r\n[E]\r\n");
    EditCell(0, 2, QStringLiteral("b"));
    QAccessibleTableInterface* table =
        QAccessible::queryAccessibleInterface(&Grid())->tableInterface();
    ASSERT_TRUE(table);
    struct Case {
        const char* name;
        int row, col;
        QString header, text, description;
    };
    const Case cases[] = {
        {"changed, now the same", 0, 2, u"ファイル1 値"_qs, u"b"_qs, u"変更あり"_qs},
        {"the other side's value", 0, 6, u"ファイル2 値"_qs, u"b"_qs, QString()},
        {"an entry file 2 lacks", 1, 5, u"ファイル2 エントリ"_qs, u"なし"_qs, u"差あり"_qs},
        {"its value in file 1", 1, 2, u"ファイル1 値"_qs, u"1"_qs, u"差あり"_qs},
        {"a section without entries", 2, 6, u"ファイル2 値"_qs, QString(), QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QAccessibleInterface* cell = table->cellAt(c.row, c.col);
        ASSERT_TRUE(cell);
        EXPECT_EQ(cell->text(QAccessible::Name), c.text);
        EXPECT_EQ(cell->text(QAccessible::Description), c.description);
        EXPECT_EQ(cell->tableCellInterface()->columnHeaderCells().value(0)->text(QAccessible::Name),
                  c.header);
    }
    StartAt(0, 6);
    Key(Qt::Key_F2);
    EXPECT_EQ(QApplication::focusWidget()->accessibleName(), u"ファイル2 値"_qs);
}

TEST_F(ViewCompareTest, RowsAnIgnoreFileCoversShowDimWithoutTheMarkAsTheirValuesChange) {
    Write(QStringLiteral(".quillet-ignore"), "# volatile\nwindow/*\n");
    path1 = Write(QStringLiteral("1.ini"), "[Window]\r\nleft=1\r\n[S]\r\nk=1\r\n");
    path2 = Write(QStringLiteral("2.ini"), "[Window]\r\nleft=2\r\n[S]\r\nk=2\r\n");
    compare = CIniCompare::Paired(Load(path1), Load(path2));
    Show();
    EXPECT_FALSE(Marked(0));
    EXPECT_NE(TextColor(0, 2), CLR_NOT_SET);
    EXPECT_EQ(TextColor(0, 2), TextColor(0, 5));
    EXPECT_TRUE(Marked(1));
    EXPECT_EQ(TextColor(1, 2), CLR_NOT_SET);
    // Equal now: nothing to dim; different again: dim, still without the mark.
    EditCell(0, 6, QStringLiteral("1"));
    EXPECT_FALSE(Marked(0));
    EXPECT_EQ(TextColor(0, 2), CLR_NOT_SET);
    EXPECT_EQ(Back(0, 6), kYellow);
    EditCell(0, 6, QStringLiteral("3"));
    EXPECT_FALSE(Marked(0));
    EXPECT_NE(TextColor(0, 6), CLR_NOT_SET);
    EXPECT_EQ(Back(0, 6), kYellow);
}

TEST_F(ViewCompareTest, CtrlEWritesTheRowsAsShownAndEditedOrSaysWhyNot) {
    OpenTexts("[S]\r\nsame=1\r\nk=a\r\n", "[S]\r\nsame=1\r\nk=b\r\n");
    EditCell(1, 2, QStringLiteral("<x&y>"));
    ASSERT_TRUE(view->SetDifferencesOnly(true)); // what is shown is what is written
    CScriptedBoxes boxes;
    const QString page = dir.filePath(QStringLiteral("page.html"));
    boxes.ChooseFile(page);
    view->activateWindow();
    QTest::keyClick(&Grid(), Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(boxes.FileRequests().size(), 1U);
    const QByteArray html = Read(page);
    EXPECT_TRUE(html.contains("<td>&lt;x&amp;y&gt;</td><td class=\"mark\">\xE2\x97\x8B</td>"))
        << html.toStdString();
    EXPECT_FALSE(html.contains("same")) << html.toStdString();
    // A folder that is not there: the box says so and nothing is left behind.
    boxes.ChooseFile(dir.filePath(QStringLiteral("none/page.html")));
    view->Export()->Run();
    EXPECT_TRUE(boxes.LastText().contains(QStringLiteral("書き出せませんでした")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("none"))));
}

// Double-clicks copy what file 2 lacks; after saving, each file differs from what it was only
// by the copied and edited lines, new sections appended at the end.
TEST_F(ViewCompareTest, CopiesAcrossReachBothFilesByteForByte) {
    const QByteArray one = "[S]\r\nx=1\r\ny=2\r\n[Only1]\r\na=1\r\nb=2\r\n";
    const QByteArray two = "; two\r\n[s]\r\nx=9\r\nz=3\r\n";
    OpenTexts(one, two);
    ASSERT_EQ(Grid().GetItemCount(), 5); // S/x, S/y, S/z, Only1/a, Only1/b

    DoubleClick(0, 1); // x is on both sides already
    EXPECT_EQ(Text(0, 6), QStringLiteral("9"));
    EXPECT_TRUE(Marked(0));

    DoubleClick(0, 0); // the whole of S: only y is missing from file 2
    EXPECT_EQ(Text(1, 5), QStringLiteral("y"));
    EXPECT_EQ(Text(1, 6), QStringLiteral("2"));
    EXPECT_EQ(Back(1, 5), kYellow);
    EXPECT_EQ(Back(1, 6), kYellow);
    EXPECT_FALSE(Grid().IsCellReadOnly(1, 6));
    EXPECT_FALSE(Marked(1));
    EXPECT_TRUE(Marked(0)); // x keeps its difference
    EXPECT_TRUE(Marked(2)); // z is file 2's own
    EXPECT_EQ(Text(2, 1), QString());

    DoubleClick(4, 1); // Only1/b alone: Only1 is made in file 2 for the whole run
    const CIniSectionData* made = compare->m_pIni2->FindSection(u"Only1"_qs, false);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(Text(3, 4), QStringLiteral("Only1"));
    for (int row : {3, 4}) {
        EXPECT_EQ(Row(row).pSection2, made) << row;
        EXPECT_EQ(Back(row, 4), kYellow) << row;
    }
    EXPECT_TRUE(Grid().IsCellReadOnly(3, 6));
    EXPECT_TRUE(Marked(3));
    EXPECT_EQ(Text(4, 5), QStringLiteral("b"));
    EXPECT_FALSE(Marked(4));
    DoubleClick(3, 0); // the rest of Only1 goes into the section just made
    EXPECT_EQ(Text(3, 5), QStringLiteral("a"));
    EXPECT_FALSE(Marked(3));

    EditCell(0, 2, QStringLiteral("9"));
    EXPECT_FALSE(Marked(0));
    SaveBoth();
    EXPECT_EQ(Read(path1), QByteArray("[S]\r\nx=9\r\ny=2\r\n[Only1]\r\na=1\r\nb=2\r\n"));
    EXPECT_EQ(Read(path2),
              QByteArray("; two\r\n[s]\r\nx=9\r\nz=3\r\ny=2\r\n[Only1]\r\nb=2\r\na=1\r\n"));
}

// Right-clicks take back only what is not in the file yet; rows left standing for nothing go,
// and the section name moves down to the row that now starts the run.
TEST_F(ViewCompareTest, RightClicksTakeBackCopiesAndTidyTheRows) {
    const QByteArray one = "[S]\r\nx=1\r\n";
    OpenTexts(one, "[S]\r\nx=1\r\n[T]\r\nk=1\r\n");
    RightClick(0, 1); // in the file: stays
    RightClick(0, 0);
    EXPECT_EQ(Text(0, 1), QStringLiteral("x"));
    EXPECT_EQ(compare->m_pIni1->m_sections[0]->m_entries.size(), 1u);

    DoubleClick(1, 4); // T into file 1
    ASSERT_EQ(Text(1, 1), QStringLiteral("k"));
    RightClick(1, 1); // its only entry back out: the new section goes too
    EXPECT_EQ(compare->m_pIni1->FindSection(u"T"_qs, false), nullptr);
    EXPECT_EQ(Row(1).pSection1, nullptr);
    EXPECT_EQ(Row(1).pEntry1, nullptr);
    for (int col : {0, 1, 2}) {
        EXPECT_EQ(Text(1, col), QString()) << col;
        EXPECT_EQ(Back(1, col), kGreen) << col;
    }
    EXPECT_TRUE(Grid().IsCellReadOnly(1, 2));
    EXPECT_TRUE(Marked(1));
    EXPECT_EQ(Grid().GetItemCount(), 2); // file 2 still has T/k

    compare->m_pIni1->AddEntry(u"Neu"_qs, u"p"_qs, u"1"_qs);
    compare->m_pIni1->AddEntry(u"Neu"_qs, u"q"_qs, u"2"_qs);
    view->OnUpdate(nullptr, Res::HINT_ADDED_COMPARE, 0);
    ASSERT_EQ(Grid().GetItemCount(), 4);
    ASSERT_EQ(Text(2, 0), QStringLiteral("Neu"));
    RightClick(2, 1);
    ASSERT_EQ(Grid().GetItemCount(), 3);
    EXPECT_EQ(compare->m_results.size(), 3u);
    EXPECT_EQ(Text(2, 0), QStringLiteral("Neu"));
    EXPECT_EQ(Text(2, 1), QStringLiteral("q"));
    RightClick(2, 0);
    EXPECT_EQ(Grid().GetItemCount(), 2);
    EXPECT_EQ(compare->m_results.size(), 2u);
    EXPECT_EQ(compare->m_pIni1->FindSection(u"Neu"_qs, false), nullptr);
    SaveBoth();
    EXPECT_EQ(Read(path1), one);
}

// Entries the add dialog gave either file fill the rows waiting for them or get rows of their
// own; where the other side has no entry its value cell stays locked.
TEST_F(ViewCompareTest, AddedEntriesFillWaitingRowsAndKeepTheOtherSideLocked) {
    OpenTexts("[S]\r\nx=1\r\n", "[S]\r\nx=1\r\n[Only2]\r\nk=v\r\nm=w\r\n");
    ASSERT_EQ(Grid().GetItemCount(), 3);
    compare->m_pIni1->AddEntry(u"S"_qs, u"new"_qs, u"1"_qs);
    compare->m_pIni1->AddEntry(u"ONLY2"_qs, u"K"_qs, u"v"_qs);
    compare->m_pIni2->AddEntry(u"Fresh"_qs, u"f"_qs, u"1"_qs);
    view->OnUpdate(nullptr, Res::HINT_ADDED_COMPARE, 0);
    ASSERT_EQ(Grid().GetItemCount(), 5);

    // S/new: a row of its own right after S's run.
    EXPECT_EQ(Text(1, 0), QString());
    EXPECT_EQ(Text(1, 1), QStringLiteral("new"));
    EXPECT_EQ(Back(1, 2), kYellow);
    EXPECT_TRUE(Marked(1));
    EXPECT_EQ(Row(1).pSection2, Row(0).pSection2);
    EXPECT_EQ(Back(1, 4), CLR_NOT_SET);
    EXPECT_EQ(Back(1, 6), kGreen);
    // ONLY2/K takes file 2's waiting row with key k; the run's next row gets the section only.
    EXPECT_EQ(Text(2, 0), QStringLiteral("ONLY2"));
    EXPECT_EQ(Text(2, 1), QStringLiteral("K"));
    EXPECT_FALSE(Marked(2));
    EXPECT_EQ(Back(3, 0), kYellow);
    EXPECT_EQ(Row(3).pEntry1, nullptr);
    EXPECT_TRUE(Grid().IsCellReadOnly(3, 2));
    // Fresh/f of file 2: a last row, named in column 4.
    EXPECT_EQ(Text(4, 0), QString());
    EXPECT_EQ(Text(4, 4), QStringLiteral("Fresh"));
    EXPECT_EQ(Back(4, 0), kGreen);

    for (auto [row, col] : {std::pair{1, 6}, std::pair{4, 2}}) {
        EXPECT_TRUE(Grid().IsCellReadOnly(row, col)) << row;
        EditCell(row, col, QStringLiteral("zz"));
        EXPECT_EQ(Text(row, col), QString()) << row;
    }
    // Shown once: a second hint 6 finds nothing new.
    view->OnUpdate(nullptr, Res::HINT_ADDED_COMPARE, 0);
    EXPECT_EQ(Grid().GetItemCount(), 5);

    SaveBoth();
    EXPECT_EQ(Read(path1), QByteArray("[S]\r\nx=1\r\nnew=1\r\n[ONLY2]\r\nK=v\r\n"));
    EXPECT_EQ(Read(path2), QByteArray("[S]\r\nx=1\r\n[Only2]\r\nk=v\r\nm=w\r\n[Fresh]\r\nf=1\r\n"));
}

// Each move of the current cell tells both preview panes what to highlight: the sections on
// a section column, else the entries, falling back to the section where a side has none.
TEST_F(ViewCompareTest, CurrentCellChangesSendBothPreviewRecords) {
    OpenTexts("[S]\r\nx=1\r\n", "[S]\r\nx=1\r\ny=2\r\n[T]\r\n");
    const auto sent = [this] {
        std::vector<std::pair<quintptr, qintptr>> out;
        for (const auto& m : host.m_messages) {
            EXPECT_EQ(m.message, unsigned(Res::WM_SHOW_COMPARE_PREVIEW));
            out.emplace_back(m.wParam, m.lParam);
        }
        host.m_messages.clear();
        return out;
    };
    const auto ptr = [](const void* p) { return reinterpret_cast<qintptr>(p); };
    using Sent = std::vector<std::pair<quintptr, qintptr>>;
    StartAt(1, 1); // S/y, only in file 2
    Key(Qt::Key_Right);
    EXPECT_EQ(sent(), (Sent{{0, ptr(Row(1).pSection1)}, {1, ptr(Row(1).pEntry2)}}));
    Key(Qt::Key_Up);
    EXPECT_EQ(sent(), (Sent{{0, ptr(Row(0).pEntry1)}, {1, ptr(Row(0).pEntry2)}}));
    StartAt(2, 5); // T, only in file 2 and empty
    Key(Qt::Key_Left);
    EXPECT_EQ(sent(), (Sent{{0, 0}, {1, ptr(Row(2).pSection2)}}));
    Key(Qt::Key_Up);
    EXPECT_EQ(sent(), (Sent{{0, ptr(Row(1).pSection1)}, {1, ptr(Row(1).pSection2)}}));
}

// A picture of the comparison with Japanese files for a person to look at; the marks must be
// painted in their colours.
TEST_F(ViewCompareTest, PictureOfAJapaneseComparison) {
    Open(QStringLiteral(QUILLET_TEST_DATA_DIR "/compare/jp-a-cp932.ini"),
         QStringLiteral(QUILLET_TEST_DATA_DIR "/compare/jp-b-utf16le.ini"));
    view->resize(1420, 300);
    DoubleClick(6, 0); // 一方のみ into file 2: yellow cells
    Grid().SetCurrentCell(0, 2, true, false);
    QApplication::processEvents();
    const QImage picture = view->grab().toImage();
    const QString path = QDir(QStringLiteral(QUILLET_VIEW_PICTURE_DIR)).filePath(u"compare.png"_qs);
    EXPECT_TRUE(picture.save(path));
    const auto colourAt = [&](int row, int col) {
        QRect cell;
        Grid().GetSubItemRect(row, col, LVIR_BOUNDS, &cell);
        const QPoint inView = Grid().viewport()->mapTo(view.get(), cell.topLeft() + QPoint(3, 3));
        return FromQColor(picture.pixelColor(inView));
    };
    EXPECT_EQ(colourAt(2, 3), kRed);
    EXPECT_EQ(colourAt(7, 0), kGreen);
    EXPECT_EQ(colourAt(6, 5), kYellow);
}

} // namespace

// Only the marked rows show; what is done to them (edit, copy across, undo, F8) holds when
// every row shows again in its place, and the history from before still undoes.
TEST_F(ViewCompareTest, DifferencesOnlyHidesUnmarkedRowsAndKeepsPlacesAndHistory) {
    OpenTexts("[A]\r\nsame=1\r\nd=1\r\nkeep=1\r\n[B]\r\nsame=1\r\n[C]\r\nx=1\r\nonly1=1\r\n",
              "[A]\r\nsame=1\r\nd=2\r\nkeep=1\r\n[B]\r\nsame=1\r\n[C]\r\nx=2\r\n");
    const int all = Grid().GetItemCount();
    ASSERT_EQ(all, 6);
    EditCell(2, 2, QStringLiteral("5")); // A/keep differs now, before anything is hidden
    StartAt(0, 2);                       // A/same, about to be hidden
    Key(Qt::Key_F7);
    ASSERT_TRUE(view->IsDifferencesOnly());
    EXPECT_TRUE(view->DifferencesOnlyAction()->isChecked());
    ASSERT_EQ(Grid().GetShownCount(), 4);
    for (int row : {0, 3})
        EXPECT_TRUE(Grid().IsRowHidden(row)) << row;
    // A section whose first row is hidden is named on its first row shown.
    const auto shownText = [&](int row, int col) {
        return dynamic_cast<Pelmo::CListCtrlBase&>(Grid()).GetCellDisplayText(row, col);
    };
    EXPECT_EQ(Text(1, 0), QString());
    EXPECT_EQ(shownText(1, 0), QStringLiteral("A"));
    EXPECT_EQ(shownText(2, 0), QString());
    EXPECT_EQ(shownText(1, 4), QStringLiteral("A"));
    int row = -1, col = -1;
    ASSERT_TRUE(Grid().GetCurrentCell(&row, &col, false));
    EXPECT_EQ(row, 1); // the cell went on to the next row shown
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    ASSERT_TRUE(Grid().GetCurrentCell(&row, &col, false));
    EXPECT_EQ(row, 4); // past the hidden B/same
    // Find looks only at what shows: both "same" rows are hidden.
    EXPECT_FALSE(view->Find(u"SAME"_qs, CQuilletView::FIND_ENTRY, true));

    EditCell(1, 6, QStringLiteral("1")); // A/d now agrees: it stays, unmarked and yellow
    EXPECT_FALSE(Marked(1));
    DoubleClick(5, 1); // C/only1 copied into file 2
    EXPECT_EQ(Text(5, 5), QStringLiteral("only1"));
    view->Undo();
    EXPECT_EQ(Text(5, 5), QString());
    view->Redo();
    StartAt(1, 2);
    Key(Qt::Key_F8);
    ASSERT_TRUE(Grid().GetCurrentCell(&row, &col, false));
    EXPECT_EQ(row, 2);

    ASSERT_TRUE(view->SetDifferencesOnly(false));
    EXPECT_FALSE(view->DifferencesOnlyAction()->isChecked());
    ASSERT_EQ(Grid().GetShownCount(), all);
    const QStringList keys{u"same"_qs, u"d"_qs, u"keep"_qs, u"same"_qs, u"x"_qs, u"only1"_qs};
    for (int r = 0; r < all; ++r)
        EXPECT_EQ(Text(r, 1), keys[r]) << r;
    EXPECT_EQ(shownText(1, 0), QString());
    EXPECT_EQ(Back(1, 6), kYellow);
    ASSERT_TRUE(Grid().GetCurrentCell(&row, &col, false));
    EXPECT_EQ(row, 2);
    for (int step = 0; step < 3; ++step)
        view->Undo();
    EXPECT_EQ(Text(5, 5), QString());
    EXPECT_EQ(Text(1, 6), QStringLiteral("2"));
    EXPECT_EQ(Text(2, 2), QStringLiteral("1"));
    for (int step = 0; step < 3; ++step)
        view->Redo();
    SaveBoth();
    EXPECT_EQ(Read(path1), QByteArray("[A]\r\nsame=1\r\nd=1\r\nkeep=5\r\n[B]\r\nsame=1\r\n[C]\r\n"
                                      "x=1\r\nonly1=1\r\n"));
    EXPECT_EQ(Read(path2), QByteArray("[A]\r\nsame=1\r\nd=1\r\nkeep=1\r\n[B]\r\nsame=1\r\n[C]\r\n"
                                      "x=2\r\nonly1=1\r\n"));
}

// The window's patterns and the case of values join the ignore files: the marks follow at
// once, and an edit is judged by them too.
TEST_F(ViewCompareTest, WindowRulesMarkTheRowsAnewAndJudgeEdits) {
    OpenTexts("[Window]\r\nleft=1\r\n[S]\r\nname=Abc\r\nk=1\r\n",
              "[Window]\r\nleft=2\r\n[S]\r\nname=abc\r\nk=2\r\n");
    ASSERT_TRUE(Marked(0));
    ASSERT_TRUE(Marked(1));
    CRowRules rules;
    rules.ignore.Add(u"window/*"_qs);
    rules.ignoreValueCase = true;
    view->SetWindowRules(rules);
    EXPECT_FALSE(Marked(0));
    EXPECT_NE(TextColor(0, 2), CLR_NOT_SET);
    EXPECT_FALSE(Marked(1));
    EXPECT_TRUE(Marked(2));
    EditCell(2, 6, QStringLiteral("1"));
    EXPECT_FALSE(Marked(2));
    EditCell(1, 6, QStringLiteral("ABD"));
    EXPECT_TRUE(Marked(1));
    // Without them again: the window row differs and is no longer dim.
    view->SetWindowRules(CRowRules());
    EXPECT_TRUE(Marked(0));
    EXPECT_EQ(TextColor(0, 2), CLR_NOT_SET);
}
