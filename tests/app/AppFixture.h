#pragma once

#include "app/MainFrame.h"
#include "app/MenuDlgBar.h"
#include "app/PreviewDlgBar.h"
#include "app/QuilletApp.h"
#include "app/QuilletDoc.h"
#include "compare/IniCompare.h"
#include "grid/GridTypes.h"
#include "ini/IniData.h"
#include "res/Resource.h"
#include "tests/common/ScriptedBoxes.h"
#include "view/ProjectDlgBar.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// The real program started in a temporary folder, with the user's data folder
// (XDG_DATA_HOME) inside it as "data", and every message box and file dialog scripted.
class AppTest : public ::testing::Test {
protected:
    void SetUp() override {
        Pelmo::InstallJapaneseFontSubstitutes();
        ASSERT_TRUE(m_dir.isValid());
        m_previousDir = QDir::currentPath();
        QDir::setCurrent(m_dir.path());
        m_previousDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(Path("data")));
    }
    void TearDown() override {
        m_app.reset();
        QDir::setCurrent(m_previousDir);
        qputenv("XDG_DATA_HOME", m_previousDataHome);
    }

    // Starts the program; the fixture's boxes record what start-up shows.
    bool Start(const QStringList& files = {}) {
        m_app = std::make_unique<CQuilletApp>();
        return m_app->InitInstance(files);
    }
    void StartOrFail() {
        ASSERT_TRUE(Start());
        // Window shortcuts reach only the active window.
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    }
    // A mark in the shown model that no reload carries over: gone once the file is read again.
    static void MarkModel(CIniData* ini) { ini->AddSection(QStringLiteral("unsaved mark")); }
    static bool IsMarked(const CIniData* ini) {
        return ini && ini->FindSection(QStringLiteral("unsaved mark"), false);
    }

    QString Path(const QString& name) const { return m_dir.filePath(name); }
    QString Write(const QString& name, const QByteArray& bytes) const {
        QFile file(Path(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return Path(name);
    }
    // UTF-8 text with CRLF line ends.
    QString WriteText(const QString& name, const QString& text) const {
        QString crlf = text;
        crlf.replace(u'\n', QStringLiteral("\r\n"));
        return Write(name, crlf.toUtf8());
    }
    QByteArray Read(const QString& path) const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    CMainFrame* Frame() const { return m_app->MainFrame(); }
    CQuilletDoc* Doc() const { return m_app->Document(); }
    QPushButton* Button(int id) const { return Frame()->MenuBar()->Button(id); }
    void Click(int id) const { QTest::mouseClick(Button(id), Qt::LeftButton); }
    CIniEntryData* Entry(CIniData* ini, const QString& section, const QString& key) const {
        CIniSectionData* s = ini ? ini->FindSection(section, false) : nullptr;
        return s ? s->FindEntry(key, false) : nullptr;
    }

    QTemporaryDir m_dir;
    QString m_previousDir;
    QByteArray m_previousDataHome;
    CScriptedBoxes m_boxes;
    std::unique_ptr<CQuilletApp> m_app;
};
