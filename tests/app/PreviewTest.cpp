#include "AppFixture.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>

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

qintptr Item(const CObject* object) {
    return reinterpret_cast<qintptr>(object);
}

} // namespace

// The preview decodes the file as the INI functions do and maps each line to what it shows.
TEST_F(AppTest, ThePreviewMapsAndHighlightsLinesInEveryEncoding) {
    StartOrFail();
    QString text =
        QStringLiteral("; 日本語のコメント\r\n[全般]\r\n名前=クイレット\r\n 名前 =二度目\r\n");
    for (int i = 0; i < 30; ++i)
        text += QStringLiteral("キー%1=値\r\n").arg(i);
    text += QStringLiteral("[ 表示 ]\r\n幅=1024\r\n");
    struct Case {
        const char* name;
        QByteArray bytes;
    };
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
        QPlainTextEdit* edit = bar->Edit(Res::IDC_PREVIEW);
        QString expected = text;
        expected.replace("\r\n", "\n");
        EXPECT_EQ(edit->toPlainText(), expected);

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
        EXPECT_EQ(edit->textCursor().selectedText(), "キー20=値");
        EXPECT_EQ(edit->textCursor().block().blockNumber(), 24);
        EXPECT_EQ(edit->verticalScrollBar()->value(), 21);
    }
}

TEST_F(AppTest, EntriesNotInTheFileHighlightTheirSectionOrNothing) {
    StartOrFail();
    const QString path = WriteText("a.ini", "[s]\nk=v\n");
    ASSERT_TRUE(Frame()->OpenFile(path, false));
    CIniData* ini = Doc()->m_pIniData.get();
    QPlainTextEdit* edit = Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW);
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(ini->AddEntry("s", "added", "1")));
    EXPECT_EQ(edit->textCursor().selectedText(), "[s]");
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(ini->AddEntry("new", "added", "1")));
    EXPECT_FALSE(edit->textCursor().hasSelection());
    EXPECT_EQ(edit->textCursor().position(), 0);
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, 0);
    EXPECT_EQ(edit->textCursor().position(), 0);
}

TEST_F(AppTest, ARowWithoutALineLeavesThePreviewWhereItIs) {
    StartOrFail();
    QString text;
    for (int s = 0; s < 100; ++s)
        text += u"[s"_qs + QString::number(s) + u"]\nk=v\n"_qs;
    ASSERT_TRUE(Frame()->OpenFile(WriteText("long.ini", text), false));
    CIniData* ini = Doc()->m_pIniData.get();
    QPlainTextEdit* edit = Frame()->PreviewBar()->Edit(Res::IDC_PREVIEW);
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(ini->m_sections[60].get()));
    QCoreApplication::processEvents();
    const int top = edit->verticalScrollBar()->value();
    ASSERT_EQ(top, 120 - 3);
    Frame()->SendMessage(Res::WM_SHOW_PREVIEW, 0, Item(ini->AddEntry("new", "added", "1")));
    QCoreApplication::processEvents();
    EXPECT_EQ(edit->verticalScrollBar()->value(), top);
    EXPECT_EQ(edit->textCursor().position(), 0);
    EXPECT_FALSE(edit->textCursor().hasSelection());
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
    EXPECT_EQ(bar->Edit(Res::IDC_PREVIEW2)->textCursor().block().blockNumber(), 2);
    EXPECT_FALSE(bar->Edit(Res::IDC_PREVIEW1)->textCursor().hasSelection());

    // Emptying the document hides and clears every box.
    Doc()->OnNewDocument();
    for (int id : {Res::IDC_PREVIEW, Res::IDC_PREVIEW1, Res::IDC_PREVIEW2}) {
        EXPECT_FALSE(bar->Edit(id)->isVisible());
        EXPECT_TRUE(bar->Edit(id)->toPlainText().isEmpty());
        EXPECT_TRUE(bar->GetLineMap(id).empty());
    }
}
