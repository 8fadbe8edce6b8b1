#pragma once

#include "grid/ListBoxEx.h"
#include "grid/ListCtrlBase.h"
#include "ini/IniData.h"
#include "res/Resource.h"
#include "tests/view/FakeViewHost.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/SectionData.h"
#include "view/ProjectDlgBar.h"
#include "view/QuilletView.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>
#include <memory>

// Plays the main frame's part in the message exchange: the bar hears 1028 and 1029, and the
// user's choice in the bar (1030) comes back to the view as hint 8.
class CRelayHost : public CFakeViewHost {
public:
    using CFakeViewHost::CFakeViewHost;

    qintptr SendMessage(unsigned message, quintptr wParam, qintptr lParam) override {
        CFakeViewHost::SendMessage(message, wParam, lParam);
        if (message == Res::WM_REFRESH_VALUE_LISTS && m_pBar)
            m_pBar->ShowValueLists(int(wParam));
        else if (message == Res::WM_CLEAR_VALUE_LISTS && m_pBar)
            m_pBar->ClearValueLists();
        else if (message == Res::WM_SELECT_VALUE_LIST && m_pView)
            m_pView->OnUpdate(nullptr, Res::HINT_SELECT_VALUE_LIST, wParam);
        return 0;
    }
    int Count(unsigned message) const {
        int n = 0;
        for (const auto& m : m_messages)
            n += m.message == message ? 1 : 0;
        return n;
    }

    CQuilletView* m_pView = nullptr;
    CProjectDlgBar* m_pBar = nullptr;
};

// A shown window with the selector bar above the view, a real value-list database and real
// INI files in a temporary folder. Opening, reloading and saving go the way the frame does.
class ViewTest : public ::testing::Test {
protected:
    static constexpr COLORREF kYellow = 0x00E6E6;

    void SetUp() override {
        Pelmo::InstallJapaneseFontSubstitutes();
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<CProjectDataBase>(dir.filePath(u"Quillet.db"_qs));
        ASSERT_TRUE(db->Open());
        ASSERT_TRUE(db->CreateTables());
        host = std::make_unique<CRelayHost>(db.get());
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        bar = new CProjectDlgBar(host.get(), window.get());
        view = new CQuilletView(host.get(), window.get());
        layout->addWidget(bar);
        layout->addWidget(view, 1);
        host->m_pBar = bar;
        host->m_pView = view;
        grid = dynamic_cast<Pelmo::CListCtrlBase*>(view->GetGrid());
        window->resize(900, 500);
        window->show();
        window->activateWindow();
        QApplication::processEvents();
    }
    void TearDown() override {
        if (ini)
            view->OnUpdate(nullptr, Res::HINT_CLEAR, 0);
        window.reset();
        ini.reset();
    }

    // Files are stamped an hour back, as files are that the user did not just write.
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-3600),
                         QFileDevice::FileModificationTime);
        return path;
    }
    static QByteArray Read(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // The document's road: empty the view, then show the new model. carried is what a
    // reload carries from the bar (null for an open).
    void Show(const QString& path, std::unique_ptr<CProjectData> carried = nullptr) {
        view->CommitEdit();
        if (ini)
            view->OnUpdate(nullptr, Res::HINT_CLEAR, 0);
        ini.reset();
        auto model = std::make_unique<CIniData>();
        QString error;
        ASSERT_TRUE(model->Load(path, error)) << error.toStdString();
        if (carried)
            model->SetProject(std::move(carried));
        ini = std::move(model);
        view->OnUpdate(nullptr, Res::HINT_SHOW_FILE, reinterpret_cast<quintptr>(ini.get()));
    }
    void Open(const QString& path) { Show(path); }
    void Reload() {
        const QString path = ini->m_filePath; // the old model goes before the new one loads
        Show(path, std::make_unique<CProjectData>(bar->SelectedPid()));
    }
    void Save() {
        view->CommitEdit();
        ini->Save();
        Reload();
    }

    // A value list stored in the database and, when path is given, recorded for that file.
    int StoreList(const QString& name, const QString& fastName, const QString& path = QString()) {
        auto project = std::make_unique<CProjectData>(-1, name);
        CSectionData* main = project->AppendSection(u"Main"_qs, QString());
        CEntryData* mode = main->AppendEntry(u"mode"_qs, QString());
        mode->AppendValue(u"fast"_qs, fastName);
        mode->AppendValue(u"slow"_qs, u"遅い"_qs);
        CEntryData* level = main->AppendEntry(u"level"_qs, QString());
        level->AppendValue(u"1"_qs, u"一"_qs);
        level->AppendValue(u"2"_qs, u"二"_qs);
        EXPECT_TRUE(db->SaveProject(project.get()));
        if (!path.isEmpty()) {
            EXPECT_TRUE(db->SetHistory(CRecordIdFilePath(project->m_nPid, path)));
        }
        return project->m_nPid;
    }

    // Rows: 0 Main/mode, 1 Main/level, 2 Empty, 3 Other/name.
    static QByteArray SampleBytes() {
        return "; settings\r\n[Main]\r\nmode=fast\r\nlevel=3\r\n[Empty]\r\n[Other]\r\nname=abc\r\n";
    }
    QString SamplePath() { return Write(u"sample.ini"_qs, SampleBytes()); }

    QString Text(int row, int col) const { return grid->GetItemText(row, col); }
    // What column 3 shows for a row.
    QString ListText(int row) const {
        return grid->GetHeaderDataByIndex(3)->GetChoiceText(grid, Text(row, 3), row, 3);
    }
    bool IsYellow(int row, int col) const {
        COLORREF text = 0;
        COLORREF back = 0;
        return grid->GetCellColor(row, col, &text, &back) && back == kYellow && text == CLR_NOT_SET;
    }
    bool HasColor(int row, int col) const {
        COLORREF text = 0;
        COLORREF back = 0;
        return grid->GetCellColor(row, col, &text, &back);
    }
    // The labels of the open drop-down list, in order.
    static QStringList ListLabels() {
        QStringList labels;
        if (Pelmo::CListBoxEx* list = Pelmo::CListBoxEx::GetOpenList()) {
            for (int i = 0; i < list->count(); ++i)
                labels.append(list->item(i)->text());
        }
        return labels;
    }

    QWidget* FocusTarget() const {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : grid;
    }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(FocusTarget(), Qt::Key(key), mods);
    }
    void Type(const QString& text) {
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, FocusTarget(), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }
    // What an input method hands over when the user confirms a conversion.
    void CommitComposition(const QString& text) {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(FocusTarget(), &event);
    }
    // The right edge of a column dragged dx pixels with the mouse, as a user sets a width.
    void DragColumnEdge(int col, int dx) {
        QHeaderView* header = grid->GetHeaderCtrl();
        const QPoint from(header->sectionViewportPosition(col) + header->sectionSize(col) - 1,
                          header->height() / 2);
        QTest::mousePress(header->viewport(), Qt::LeftButton, {}, from);
        QTest::mouseMove(header->viewport(), from + QPoint(dx, 0));
        QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, from + QPoint(dx, 0));
    }
    void Click(int row, int col, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mouseClick(grid->viewport(), button, Qt::NoModifier,
                          grid->GetCellRect(row, col).center());
    }
    // F2 on the cell, the whole text replaced by what is typed, Enter.
    void EditCell(int row, int col, const QString& text) {
        Click(row, col);
        Key(Qt::Key_F2);
        ASSERT_TRUE(grid->IsEditing());
        Type(text);
        Key(Qt::Key_Return);
    }
    // F4 on a value-list cell, Down as often as asked, Enter.
    void PickFromList(int row, int downs) {
        Click(row, 3);
        Key(Qt::Key_F4);
        ASSERT_TRUE(grid->IsEditing());
        for (int i = 0; i < downs; ++i)
            Key(Qt::Key_Down);
        Key(Qt::Key_Return);
    }
    CIniEntryData* EntryOfRow(int row) const {
        return dynamic_cast<CIniEntryData*>(reinterpret_cast<CObject*>(grid->GetItemData(row)));
    }
    CObject* RecordOfRow(int row) const {
        return reinterpret_cast<CObject*>(grid->GetItemData(row));
    }

    QTemporaryDir dir;
    std::unique_ptr<CProjectDataBase> db;
    std::unique_ptr<CRelayHost> host;
    std::unique_ptr<QWidget> window;
    CProjectDlgBar* bar = nullptr; // owned by window
    CQuilletView* view = nullptr;  // owned by window
    Pelmo::CListCtrlBase* grid = nullptr;
    std::unique_ptr<CIniData> ini;
};
