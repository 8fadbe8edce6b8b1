#pragma once

#include "grid/GridTypes.h"
#include "grid/ListCtrlEx.h"
#include "ini/IniData.h"
#include "tests/common/ScriptedBoxes.h"
#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/ProjectDataBase.h"
#include "valuelist/RecordIdFilePath.h"
#include "valuelist/RecordIdName.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

// A real Quillet.db in a temporary folder, scripted message boxes and file dialogs, and the
// user's hands on the dialogs' widgets: clicks in the middle of a grid cell, keys to whichever
// widget has the focus, Japanese text one character per key event.
class ValueListDlgTest : public ::testing::Test {
public:
    // One section of a value list to store: its entries, each with (value, name) pairs.
    struct SectionSpec {
        QString code;
        std::vector<std::pair<QString, std::vector<std::pair<QString, QString>>>> entries;
    };
    void SetUp() override {
        Pelmo::InstallJapaneseFontSubstitutes();
        ASSERT_TRUE(dir.isValid());
        db = std::make_unique<CProjectDataBase>(dir.filePath("Quillet.db"));
        ASSERT_TRUE(db->Open());
        ASSERT_TRUE(db->CreateTables());
    }

    // Stores a value list and returns its PID.
    int Store(const QString& name, const std::vector<SectionSpec>& sections) {
        CProjectData project(-1, name);
        for (const SectionSpec& s : sections) {
            CSectionData* pSection = project.AppendSection(s.code, QString());
            for (const auto& [entry, values] : s.entries) {
                CEntryData* pEntry = pSection->AppendEntry(entry, QString());
                for (const auto& [value, display] : values)
                    pEntry->AppendValue(value, display);
            }
        }
        EXPECT_TRUE(db->SaveProject(&project));
        return project.m_nPid;
    }

    // The stored tree as one line per record: "S code", " E code", "  V value=name".
    QStringList Dump(int nPid) {
        QStringList lines;
        std::unique_ptr<CProjectData> project = db->LoadProject(nPid);
        if (!project)
            return {"<none>"};
        for (CSectionData* s = project->FirstSection(); s; s = s->NextSection()) {
            lines << "S " + s->m_strCode;
            for (CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
                lines << " E " + e->m_strCode;
                for (CValueData* v = e->FirstValue(); v; v = v->NextValue())
                    lines << "  V " + v->m_strCode + "=" + v->m_strName;
            }
        }
        return lines;
    }

    std::vector<CRecordIdFilePath> History() {
        std::vector<std::unique_ptr<CRecordIdName>> names;
        std::vector<std::unique_ptr<CRecordIdFilePath>> history;
        EXPECT_TRUE(db->LoadProjectList(names, history));
        std::vector<CRecordIdFilePath> out;
        for (const auto& p : history)
            out.push_back(*p);
        return out;
    }

    QString WriteIni(const QString& relativePath, const QByteArray& text) {
        const QString path = dir.filePath(relativePath);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
        return QDir::toNativeSeparators(path);
    }

    std::unique_ptr<CIniData> LoadIni(const QString& path) {
        auto ini = std::make_unique<CIniData>();
        QString error;
        EXPECT_TRUE(ini->Load(path, error)) << error.toStdString();
        return ini;
    }

    static void ShowActive(QWidget* w) {
        w->show();
        w->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        QApplication::processEvents();
    }

    template <class T> static T* Control(QWidget* dlg, int id) {
        return dlg->findChild<T*>(QString::number(id));
    }
    static Pelmo::CListCtrlEx* Grid(QWidget* dlg, int id) {
        return dynamic_cast<Pelmo::CListCtrlEx*>(Control<CListCtrl>(dlg, id));
    }

    static QPoint CellCenter(CListCtrl* list, int row, int col) {
        QRect rect;
        list->GetSubItemRect(row, col, col == 0 ? LVIR_LABEL : LVIR_BOUNDS, &rect);
        return rect.center();
    }
    static void Click(CListCtrl* list, int row, int col,
                      Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, mods, CellCenter(list, row, col));
        QApplication::processEvents();
    }
    static QWidget* FocusTarget(QWidget* fallback) {
        QWidget* focus = QApplication::focusWidget();
        return focus ? focus : fallback;
    }
    static void Key(QWidget* fallback, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(FocusTarget(fallback), Qt::Key(key), mods);
        QApplication::processEvents();
    }
    static void Type(QWidget* fallback, const QString& text) {
        for (QChar ch : text)
            QTest::sendKeyEvent(QTest::Click, FocusTarget(fallback), Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }
    // Clicks a cell and types a text into it, committed with Enter.
    static void Enter(CListCtrl* list, int row, int col, const QString& text) {
        Click(list, row, col);
        Type(list, text);
        Key(list, Qt::Key_Return);
    }

    static QStringList Column(const Pelmo::CListCtrlEx* grid, int col) {
        QStringList texts;
        for (int row = 0; row < grid->GetItemCount(); ++row)
            texts << grid->GetItemText(row, col);
        return texts;
    }
    static int CurrentRow(const Pelmo::CListCtrlEx* grid) {
        int row = -1;
        int col = -1;
        grid->GetCurrentCell(&row, &col, false);
        return row;
    }

    // Drives the dialog that a button is about to open modally, once it is up.
    template <class Dialog, class Drive> static void WhenModalOpens(Drive drive) {
        QTimer::singleShot(0, [drive] {
            auto* dlg = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            drive(dlg);
        });
    }

    QTemporaryDir dir;
    std::unique_ptr<CProjectDataBase> db;
    CScriptedBoxes boxes;
};
