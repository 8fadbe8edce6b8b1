// The management dialog's export and import buttons, with their file dialogs scripted.
#include "dialogs/ProjectDlg.h"
#include "res/Resource.h"
#include "tests/dialogs/ValueListDlgFixture.h"
#include "tests/valuelist/QStringPrinter.h"
#include "valuelist/ValueListFile.h"

#include <QComboBox>
#include <QInputDialog>
#include <QLabel>
#include <QLibraryInfo>
#include <QPushButton>
#include <QTranslator>

namespace {

class ProjectDlgFileTest : public ValueListDlgTest {
protected:
    void Open() {
        dlg = std::make_unique<CProjectDlg>(db.get(), nullptr);
        ShowActive(dlg.get());
        combo = Control<QComboBox>(dlg.get(), Res::IDC_PROJECT_LIST);
        ASSERT_TRUE(combo);
    }
    void Press(int id) {
        Control<QPushButton>(dlg.get(), id)->click();
        QApplication::processEvents();
    }
    QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    std::unique_ptr<CProjectDlg> dlg;
    QComboBox* combo = nullptr;
};

TEST_F(ProjectDlgFileTest, ExportThenDeleteThenImportBringsTheListBack) {
    Store("other", {});
    const int pid = Store(QStringLiteral("ゲーム/設定"),
                          {{QStringLiteral("画面"),
                            {{QStringLiteral("画質"), {{"0", QStringLiteral("低")}, {"1", ""}}},
                             {QStringLiteral("フルスクリーン"), {}}}}});
    const QStringList stored = Dump(pid);
    Open();
    combo->setCurrentIndex(combo->findText(QStringLiteral("ゲーム/設定")));
    const QString file = dir.filePath("exported.qvl.json");
    boxes.ChooseFile(file);
    Press(Res::IDC_PROJECT_EXPORT);
    ASSERT_EQ(boxes.FileRequests().size(), 1u);
    EXPECT_TRUE(boxes.FileRequests()[0].save);
    EXPECT_EQ(boxes.FileRequests()[0].fileName, QStringLiteral("ゲーム_設定.qvl.json"));
    QString error;
    EXPECT_EQ(Read(file), CValueListFile::ToJson(*db->LoadProject(pid), error));
    auto* status = Control<QLabel>(dlg.get(), Res::IDC_PROJECT_STATUS);
    EXPECT_EQ(status->text(), QStringLiteral("書き出しました: %1 (値リスト「ゲーム/設定」、"
                                             "セクション 1、エントリ 2、値 2)")
                                  .arg(file));

    boxes.Answer(Ui::IDYES);
    Press(Res::IDC_PROJECT_DELETE);
    boxes.ChooseFile(file);
    Press(Res::IDC_PROJECT_IMPORT);
    EXPECT_FALSE(boxes.FileRequests().back().save);
    EXPECT_EQ(combo->currentText(), QStringLiteral("ゲーム/設定"));
    const int imported =
        int(reinterpret_cast<CRecordIdName*>(combo->currentData().value<quintptr>())->m_nPid);
    EXPECT_EQ(Dump(imported), stored);
    EXPECT_EQ(status->text(), QStringLiteral("読み込みました: %1 (値リスト「ゲーム/設定」、"
                                             "セクション 1、エントリ 2、値 2)")
                                  .arg(file));
    EXPECT_EQ(boxes.Boxes().size(), 1u); // only the question before deleting
}

// The editing dialog refuses a second list of one name, so importing a taken name asks to
// replace that list instead: Cancel stores nothing, Yes keeps its PID and its attached files.
TEST_F(ProjectDlgFileTest, ImportOfATakenNameReplacesThatListWhenAllowed) {
    const int pid = Store(QStringLiteral("設定"), {{"Old", {}}});
    ASSERT_TRUE(db->InsertHistory(CRecordIdFilePath(pid, "app.ini"), false));
    const QString file =
        WriteIni("new.qvl.json", "{\"format\": \"quillet-value-list\", \"version\": "
                                 "1, \"name\": \"設定\", \"sections\": [{\"name\": "
                                 "\"New\", \"entries\": []}]}");
    Open();
    boxes.ChooseFile(file);
    boxes.Answer(Ui::IDCANCEL);
    Press(Res::IDC_PROJECT_IMPORT);
    EXPECT_EQ(Dump(pid), QStringList{"S Old"});
    boxes.ChooseFile(file);
    boxes.Answer(Ui::IDYES);
    Press(Res::IDC_PROJECT_IMPORT);
    EXPECT_EQ(boxes.LastText(), QStringLiteral("値リスト「設定」はすでにあります。\n"
                                               "はい: 読み込んだ内容で置き換えます\n"
                                               "いいえ: 別の名前で読み込みます"));
    EXPECT_EQ(Dump(pid), QStringList{"S New"});
    EXPECT_EQ(Control<QLabel>(dlg.get(), Res::IDC_PROJECT_STATUS)->text(),
              QStringLiteral("読み込みました: %1 (値リスト「設定」を置き換え、セクション 1、"
                             "エントリ 0、値 0)")
                  .arg(file));
    EXPECT_EQ(combo->count(), 1);
    ASSERT_EQ(History().size(), 1u);
    EXPECT_EQ(History()[0].m_nPid, pid);
}

// No to replacing asks for another name; a name still taken asks again, and the list is stored
// beside the one it met.
TEST_F(ProjectDlgFileTest, ImportOfATakenNameUnderAnotherNameKeepsBothLists) {
    const int pid = Store(QStringLiteral("設定"), {{"Old", {}}});
    Store(QStringLiteral("設定2"), {});
    const QString file =
        WriteIni("new.qvl.json", "{\"format\": \"quillet-value-list\", \"version\": "
                                 "1, \"name\": \"設定\", \"sections\": [{\"name\": "
                                 "\"New\", \"entries\": []}]}");
    Open();
    boxes.ChooseFile(file);
    boxes.Answer(Ui::IDNO);
    boxes.Answer(Ui::IDNO);
    const QStringList typed{QStringLiteral("設定2"), QStringLiteral(" 設定3 ")};
    qsizetype next = 0;
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        auto* ask = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (ask && ask->isVisible() && next < typed.size()) {
            ask->setTextValue(typed[next++]);
            ask->accept();
        }
    });
    typist.start(5);
    Press(Res::IDC_PROJECT_IMPORT);
    EXPECT_EQ(next, 2);
    EXPECT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(combo->currentText(), QStringLiteral("設定3"));
    const int imported =
        int(reinterpret_cast<CRecordIdName*>(combo->currentData().value<quintptr>())->m_nPid);
    EXPECT_NE(imported, pid);
    EXPECT_EQ(Dump(imported), QStringList{"S New"});
    EXPECT_EQ(Dump(pid), QStringList{"S Old"});
}

// A refused file is shown with its path and the reason quillet-cli prints, and nothing is stored.
// The desktop program loads Qt's Japanese texts, quillet-cli does not: Qt's words must not leak in.
TEST_F(ProjectDlgFileTest, ImportRefusalShowsTheReasonAndStoresNothing) {
    QTranslator qtJapanese;
    ASSERT_TRUE(qtJapanese.load(QStringLiteral("qtbase_ja"),
                                QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
    QCoreApplication::installTranslator(&qtJapanese);
    Store("kept", {});
    const QString dup =
        WriteIni("dup.qvl.json", "{\"format\": \"quillet-value-list\", \"version\": 1, \"name\": "
                                 "\"n\", \"sections\": [{\"name\": \"A\", \"entries\": []}, "
                                 "{\"name\": \"a\", \"entries\": []}]}");
    const QString broken = WriteIni("broken.qvl.json", "{\n  \"format\": 1\n  \"version\": 1}");
    Open();
    boxes.ChooseFile(dup);
    Press(Res::IDC_PROJECT_IMPORT);
    EXPECT_EQ(boxes.LastText(),
              dup +
                  QStringLiteral(" を読み込めません\nセクションが重複しています: セクション「a」"));
    boxes.ChooseFile(broken);
    Press(Res::IDC_PROJECT_IMPORT);
    QCoreApplication::removeTranslator(&qtJapanese);
    EXPECT_EQ(boxes.LastText(),
              broken + QStringLiteral(
                           " を読み込めません\nJSON として読めません: 3 行 3 列 (オブジェクトが"
                           "閉じていないか \",\" がありません)"));
    EXPECT_EQ(combo->count(), 1);
    std::vector<std::unique_ptr<CRecordIdName>> names;
    ASSERT_TRUE(db->LoadProjectNames(names));
    EXPECT_EQ(names.size(), 1u);
}

} // namespace
