#include "AppFixture.h"

#include "app/PreviewText.h"
#include "grid/ListCtrlEx.h"
#include "platform/ui/AccessibleEvents.h"
#include "view/QuilletView.h"

#include <QAccessible>
#include <QClipboard>
#include <QGuiApplication>
#include <QScrollBar>

namespace {

QByteArray Encode(const QString& text, QStringConverter::Encoding encoding, bool bom) {
    QStringEncoder encoder(encoding, bom ? QStringConverter::Flag::WriteBom
                                         : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

QByteArray EncodeCp932(const QString& text) {
    QStringEncoder encoder("CP932");
    return encoder.encode(text);
}

// A file's bytes, named for the trace.
struct Case {
    const char* name;
    QByteArray bytes;
};

qintptr Item(const CObject* object) {
    return reinterpret_cast<qintptr>(object);
}

// A mouse event at a place in the text, sent where the view takes its mouse.
void Mouse(CPreviewText* edit, QEvent::Type type, CPreviewText::Position at,
           Qt::KeyboardModifiers modifiers = {}) {
    const QPointF point = edit->PointOf(at);
    const Qt::MouseButtons buttons =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, edit->viewport()->mapToGlobal(point), Qt::LeftButton, buttons,
                      modifiers);
    QCoreApplication::sendEvent(edit->viewport(), &event);
}

std::vector<QAccessible::Event> g_previewEvents;

void RecordPreviewEvent(QAccessibleEvent* event) {
    g_previewEvents.push_back(event->type());
}

} // namespace

// The highlight follows every move in the grid; told to a screen reader while the grid has the
// focus, it would be read after each cell as though the user had selected it.
TEST_F(AppTest, ThePreviewTellsAReaderOfItsHighlightOnlyWhileItHasTheFocus) {
    StartOrFail();
    ASSERT_TRUE(Frame()->OpenFile(WriteText("a.ini", "[s]\nk=v\nj=w\n"), false));
    CIniData* ini = Doc()->m_pIniData.get();
    CPreviewText* edit = Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW);
    ASSERT_FALSE(edit->hasFocus());
    g_previewEvents.clear();
    CAccessibleEvents::SetSink(&RecordPreviewEvent);
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(Entry(ini, "s", "j")));
    EXPECT_EQ(edit->SelectedText(), "j=w");
    EXPECT_TRUE(g_previewEvents.empty());
    edit->setFocus(Qt::TabFocusReason);
    QCoreApplication::processEvents();
    EXPECT_TRUE(edit->hasFocus());
    EXPECT_EQ(g_previewEvents,
              (std::vector{QAccessible::TextCaretMoved, QAccessible::TextSelectionChanged}));
    CAccessibleEvents::SetSink(nullptr);
}

// The preview decodes the file as the INI functions do and maps each line to what it shows.
TEST_F(AppTest, ThePreviewMapsAndHighlightsLinesInEveryEncoding) {
    StartOrFail();
    QString text =
        QStringLiteral("; 日本語のコメント\r\n[全般]\r\n名前=クイレット\r\n 名前 =二度目\r\n");
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("キー%1=値\r\n").arg(i);
    text += QStringLiteral("[ 表示 ]\r\n幅=1024\r\n");
    const Case cases[] = {
        {"CP932", EncodeCp932(text)},
        {"UTF-8", Encode(text, QStringConverter::Utf8, false)},
        {"UTF-16LE with BOM", Encode(text, QStringConverter::Utf16LE, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = Write("preview.ini", c.bytes);
        ASSERT_TRUE(Frame()->OpenFile(path, false));
        CIniData* ini = Doc()->m_pIniData.get();
        CPreviewDlgBar* bar = Frame()->PreviewBar();
        CPreviewText* edit = bar->Edit(Res::IDC_PREVIEW);
        QString expected = text;
        expected.replace("\r\n", "\n");
        EXPECT_EQ(edit->toPlainText(), expected);
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(edit);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::EditableText);
        EXPECT_TRUE(accessible->state().readOnly);

        const CPreviewDlgBar::LineMap& map = bar->GetLineMap(Res::IDC_PREVIEW);
        CIniSectionData* general = ini->FindSection("全般", false);
        CIniSectionData* display = ini->FindSection("表示", false);
        ASSERT_NE(general, nullptr);
        ASSERT_NE(display, nullptr);
        ASSERT_EQ(map.size(), 36u);
        EXPECT_EQ(map[0], nullptr);
        EXPECT_EQ(map[1], general);
        EXPECT_EQ(map[2], general->FindEntry("名前", false));
        EXPECT_EQ(map[3], general->FindEntry("名前", false)); // the later duplicate line
        EXPECT_EQ(map[34], display);                          // blanks inside the brackets

        // The entry's first line is selected and stands three lines below the top.
        Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(general->FindEntry("キー20", false)));
        EXPECT_EQ(edit->SelectedText(), "キー20=値");
        EXPECT_EQ(edit->Caret().line, 24);
        EXPECT_EQ(edit->verticalScrollBar()->value(), 21);
    }
}

TEST_F(AppTest, EntriesNotInTheFileHighlightTheirSectionOrNothing) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    CIniData* ini = Doc()->m_pIniData.get();
    CPreviewText* edit = Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW);
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(ini->AddEntry("s", "added", "1")));
    EXPECT_EQ(edit->SelectedText(), "[s]");
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(ini->AddEntry("new", "added", "1")));
    EXPECT_FALSE(edit->HasSelection());
    EXPECT_EQ(edit->Caret(), CPreviewText::Position{});
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(Entry(ini, "s", "k")));
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, 0);
    EXPECT_EQ(edit->Caret(), CPreviewText::Position{});
}

// The file shows what was saved; the line says what the grid holds beyond it, and stops
// saying it when the edit is taken back.
TEST_F(AppTest, ThePreviewLineTellsTheUnsavedValue) {
    StartOrFail();
    ASSERT_TRUE(Frame()->OpenFile(WriteText("a.ini", "[s]\nk=v\n"), false));
    CPreviewText* edit = Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW);
    Pelmo::CListCtrlEx& grid = *Frame()->GetView()->GetGrid();
    grid.setFocus();
    grid.SetCurrentCell(0, 2, true, false);
    QTest::keyClick(&grid, Qt::Key_F2);
    QTest::keyClicks(QApplication::focusWidget(), u"x"_qs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(edit->SelectedText(), "k=v");
    EXPECT_EQ(edit->LineNote(), u"未保存: x"_qs);
    EXPECT_EQ(edit->accessibleDescription(), u"未保存: x"_qs);
    Frame()->GetView()->Undo();
    EXPECT_EQ(edit->LineNote(), QString());
}

TEST_F(AppTest, ARowWithoutALineLeavesThePreviewWhereItIs) {
    StartOrFail();
    QString text;
    for (int s = 0; s < 100; ++s)
        text += u"[s"_qs + QString::number(s) + u"]\nk=v\n"_qs;
    ASSERT_TRUE(Frame()->OpenFile(WriteText("long.ini", text), false));
    CIniData* ini = Doc()->m_pIniData.get();
    CPreviewText* edit = Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW);
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(ini->m_sections[60].get()));
    QCoreApplication::processEvents();
    const int top = edit->verticalScrollBar()->value();
    ASSERT_EQ(top, 120 - 3);
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(ini->AddEntry("new", "added", "1")));
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->verticalScrollBar()->value(), top);
    EXPECT_EQ(edit->Caret(), CPreviewText::Position{});
    EXPECT_FALSE(edit->HasSelection());
}

TEST_F(AppTest, LinesOfMoreThan1024CharactersAreCut) {
    StartOrFail();
    const QString exact = "k=" + QString(1022, u'x');  // 1024 characters
    const QString longer = "l=" + QString(1023, u'y'); // 1025 characters
    const QString path = WriteText("a.ini", "[s]\n" + exact + "\n" + longer + "\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    const QStringList lines =
        Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW)->toPlainText().split(u'\n');
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[1], exact);
    EXPECT_EQ(lines[2], longer.left(1021) + "...");
}

TEST_F(AppTest, TheComparisonPreviewShowsEachSideInItsOwnBox) {
    StartOrFail();
    const QString a = WriteText("a.ini", "[s]\nk=1\n");
    const QString b = WriteText("b.ini", "; b\n[s]\nk=2\n");
    ASSERT_TRUE(Frame()->OpenCompare(a, b));
    CPreviewDlgBar* bar = Frame()->PreviewBar();
    EXPECT_FALSE(bar->Edit(Res::IDC_PREVIEW)->isVisible());
    EXPECT_TRUE(bar->Edit(Res::IDC_PREVIEW1)->isVisible());
    EXPECT_TRUE(bar->Edit(Res::IDC_PREVIEW2)->isVisible());
    CIniData* ini2 = Doc()->m_pCompare->m_pIni2.get();
    Frame()->SendMessage(Res::WM_SHOW_COMPARE_PREVIEW, 1, Item(Entry(ini2, "s", "k")));
    EXPECT_EQ(bar->Edit(Res::IDC_PREVIEW2)->SelectedText(), "k=2");
    EXPECT_EQ(bar->Edit(Res::IDC_PREVIEW2)->Caret().line, 2);
    EXPECT_FALSE(bar->Edit(Res::IDC_PREVIEW1)->HasSelection());

    // Emptying the document hides and clears every box.
    Doc()->OnNewDocument();
    for (int id : {Res::IDC_PREVIEW, Res::IDC_PREVIEW1, Res::IDC_PREVIEW2}) {
        EXPECT_FALSE(bar->Edit(id)->isVisible());
        EXPECT_TRUE(bar->Edit(id)->toPlainText().isEmpty());
        EXPECT_TRUE(bar->GetLineMap(id).empty());
    }
}

// Only the reader's headers switch sections, a comment or a key under a header the model lacks
// shows nothing, and a key out of the model's order still finds its entry.
TEST_F(AppTest, ThePreviewMapsLinesAsTheReaderSeesThem) {
    StartOrFail();
    const QString path = WriteText("rules.ini", "k=0\n[a]\nk=1\n; k=1\n K = 2\n[b]x=1\nx=2\n"
                                                "[gone]\nk=3\n[c]\np=1\nq=2\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    CIniData* ini = Doc()->m_pIniData.get();
    const std::unique_ptr<CIniSectionData> gone = ini->TakeSection(ini->FindSection("gone", false));
    CIniSectionData* c = ini->FindSection("c", false);
    ASSERT_TRUE(gone && c);
    c->AppendEntry(c->TakeEntry(Entry(ini, "c", "p"))); // the model now holds q before p
    CPreviewDlgBar* bar = Frame()->PreviewBar();
    bar->SetIni(ini);
    const CObject* a = ini->FindSection("a", false);
    const CObject* ak = Entry(ini, "a", "k");
    const CPreviewDlgBar::LineMap expected = {nullptr,
                                              a,
                                              ak,
                                              nullptr,
                                              ak,
                                              ini->FindSection("b", false),
                                              Entry(ini, "b", "x"),
                                              nullptr,
                                              nullptr,
                                              c,
                                              Entry(ini, "c", "p"),
                                              Entry(ini, "c", "q")};
    EXPECT_EQ(bar->GetLineMap(Res::IDC_PREVIEW), expected);
    bar->ShowItem(Res::IDC_PREVIEW, ak); // the first of its lines
    EXPECT_EQ(bar->Edit(Res::IDC_PREVIEW)->Caret().line, 2);
}

// Mouse, keyboard and menu select the text as shown, and Ctrl+C copies exactly that.
TEST_F(AppTest, SelectingAndCopyingTakeTheTextAsShown) {
    StartOrFail();
    const QString longer = "l=" + QString(1100, u'y');
    ASSERT_TRUE(
        Frame()->OpenFile(WriteText("a.ini", "[s]\nk=日本語 x\n" + longer + "\nm=3\n"), false));
    CPreviewText* edit = Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW);
    edit->setFocus();
    const QString cut = longer.left(1021) + "...";
    using Position = CPreviewText::Position;

    Mouse(edit, QEvent::MouseButtonPress, {1, 2});
    Mouse(edit, QEvent::MouseMove, {3, 1});
    Mouse(edit, QEvent::MouseButtonRelease, {3, 1});
    EXPECT_EQ(edit->SelectedText(), "日本語 x\n" + cut + "\nm");
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "日本語 x\n" + cut + "\nm");

    Mouse(edit, QEvent::MouseButtonPress, {0, 1}, Qt::ShiftModifier); // from the drag's start
    Mouse(edit, QEvent::MouseButtonRelease, {0, 1}, Qt::ShiftModifier);
    EXPECT_EQ(edit->SelectedText(), "s]\nk=");

    QTest::keyClick(edit, Qt::Key_Down, Qt::ShiftModifier); // the caret, not the anchor, moves
    QTest::keyClick(edit, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(edit, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(edit->SelectedText(), "日本語 x\n" + cut);
    EXPECT_EQ(edit->Caret(), (Position{2, 1024}));

    Mouse(edit, QEvent::MouseButtonPress, {1, 3});
    Mouse(edit, QEvent::MouseButtonDblClick, {1, 3});
    Mouse(edit, QEvent::MouseButtonRelease, {1, 3});
    EXPECT_EQ(edit->SelectedText(), "日本語");

    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit->SelectedText() + "\n", edit->toPlainText());
}

// A screen reader reads the text as shown, cut lines and all, and its offsets place the caret and
// the selection where the view shows them.
TEST_F(AppTest, ScreenReadersReadThePreviewAsShown) {
    StartOrFail();
    const QString longer = "l=" + QString(1100, u'y');
    ASSERT_TRUE(Frame()->OpenFile(WriteText("a.ini", "[s]\n" + longer + "\nk=値\n"), false));
    CPreviewText* edit = Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW);
    QAccessibleTextInterface* text = QAccessible::queryAccessibleInterface(edit)->textInterface();
    ASSERT_NE(text, nullptr);
    const QString shown = edit->toPlainText();
    EXPECT_EQ(text->characterCount(), shown.size());
    EXPECT_EQ(text->text(2, 1035), shown.mid(2, 1033));

    const int third = int(shown.indexOf(u"k=値"));
    int start = 0;
    int end = 0;
    EXPECT_EQ(text->textAtOffset(third + 1, QAccessible::LineBoundary, &start, &end), "k=値\n");
    EXPECT_EQ(std::make_pair(start, end), std::make_pair(third, third + 4));
    EXPECT_EQ(text->textBeforeOffset(third, QAccessible::LineBoundary, &start, &end),
              longer.left(1021) + "...\n");

    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(Entry(Doc()->m_pIniData.get(), "s", "k")));
    EXPECT_EQ(text->cursorPosition(), third + 3);
    text->setSelection(0, 1, third + 1);
    EXPECT_EQ(edit->SelectedText(), shown.mid(1, third));
}

// CR, LF and CRLF each end one line, and a last line without a break is a line too.
TEST_F(AppTest, ThePreviewEndsALineAtEveryKindOfBreak) {
    StartOrFail();
    const QString text = "[s]\rk=1\nl=2\r\nm=3";
    const Case cases[] = {
        {"UTF-8", text.toUtf8()},
        {"UTF-16LE with BOM", Encode(text, QStringConverter::Utf16LE, true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(Frame()->OpenFile(Write("breaks.ini", c.bytes), false));
        CPreviewDlgBar* bar = Frame()->PreviewBar();
        EXPECT_EQ(bar->Edit(Res::IDC_PREVIEW)->toPlainText(), "[s]\nk=1\nl=2\nm=3\n");
        const CPreviewDlgBar::LineMap& map = bar->GetLineMap(Res::IDC_PREVIEW);
        ASSERT_EQ(map.size(), 4u);
        EXPECT_EQ(map[3], Entry(Doc()->m_pIniData.get(), "s", "m"));
    }
}

namespace {

// A view of its own, shown so that it has a size.
struct ShownText {
    explicit ShownText(const QString& text, QSize size = {300, 120}) {
        edit.resize(size);
        edit.show();
        edit.SetText(text);
    }
    bool CaretInView() const {
        return edit.viewport()->rect().contains(edit.PointOf(edit.Caret()));
    }
    CPreviewText edit;
};

} // namespace

TEST(PreviewText, AnEmptyTextTakesEveryCommand) {
    ShownText shown({});
    CPreviewText& edit = shown.edit;
    edit.ShowLine(0, 3);
    edit.SelectAll();
    for (Qt::Key key : {Qt::Key_End, Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Left})
        QTest::keyClick(&edit, key, Qt::ShiftModifier);
    Mouse(&edit, QEvent::MouseButtonPress, {3, 3});
    Mouse(&edit, QEvent::MouseButtonDblClick, {3, 3});
    QImage image(edit.size(), QImage::Format_ARGB32_Premultiplied);
    edit.render(&image);
    EXPECT_EQ(edit.LineCount(), 0);
    EXPECT_FALSE(edit.HasSelection());
    EXPECT_EQ(edit.Caret(), CPreviewText::Position{});
}

// The caret keys walk the text as shown, over line ends, and bring the caret into view.
TEST(PreviewText, TheCaretKeysMoveOverLineEndsAndKeepTheCaretInView) {
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QStringLiteral("line %1\n").arg(i, 2, 10, QChar(u'0'));
    ShownText shown(text);
    CPreviewText& edit = shown.edit;
    using Position = CPreviewText::Position;
    struct Step {
        const char* name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Position caret;
    };
    const Step steps[] = {
        {"Ctrl+End", Qt::Key_End, Qt::ControlModifier, {99, 7}},
        {"Right at the end stays", Qt::Key_Right, {}, {99, 7}},
        {"Home", Qt::Key_Home, {}, {99, 0}},
        {"Left to the line above's end", Qt::Key_Left, {}, {98, 7}},
        {"Right to the next line's start", Qt::Key_Right, {}, {99, 0}},
        {"Ctrl+Home", Qt::Key_Home, Qt::ControlModifier, {0, 0}},
        {"Down", Qt::Key_Down, {}, {1, 0}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        QTest::keyClick(&edit, s.key, s.modifiers);
        EXPECT_EQ(edit.Caret(), s.caret);
        EXPECT_TRUE(shown.CaretInView());
    }
    QTest::keyClick(&edit, Qt::Key_PageDown);
    EXPECT_GT(edit.Caret().line, 2);
    EXPECT_TRUE(shown.CaretInView());

    // Dragging below the bottom edge scrolls on and selects as it goes.
    const int top = edit.verticalScrollBar()->value();
    Mouse(&edit, QEvent::MouseButtonPress, edit.Caret());
    const QPointF below(10, edit.viewport()->height() + 5);
    QMouseEvent move(QEvent::MouseMove, below, edit.viewport()->mapToGlobal(below), Qt::NoButton,
                     Qt::LeftButton, {});
    QCoreApplication::sendEvent(edit.viewport(), &move);
    EXPECT_EQ(edit.verticalScrollBar()->value(), top + 1);
    EXPECT_TRUE(edit.HasSelection());
}

// At the far right of the horizontal scroll range the end of the widest line is in view, near
// the right edge: the range is measured as the lines are drawn, full-width text and tabs too.
TEST(PreviewText, TheHorizontalRangeEndsAtTheEndOfTheWidestLine) {
    const struct {
        const char* name;
        QString line;
    } rows[] = {
        {"ASCII", "k=" + QString(300, u'x')},
        {"full width", "キー=" + QString(200, u'あ')},
        {"tabs", "k=\t\tx\t" + QString(100, u'y')},
        {"cut", "k=" + QString(2000, u'z')},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ShownText shown("short\n" + r.line + "\nshort\n");
        CPreviewText& edit = shown.edit;
        edit.horizontalScrollBar()->setValue(edit.horizontalScrollBar()->maximum());
        const int end = edit.PointOf({1, int(edit.LineText(1).size())}).x();
        EXPECT_LE(end, edit.viewport()->width());
        EXPECT_GE(end, edit.viewport()->width() - 12);
    }
}
