#pragma once

// Drives an add dialog the way a user does: the controls found by their ids, text typed one
// key event per character into the focused control (pasted when it holds a line break, which
// no key types), Enter and clicks for the buttons. Also INI files on disk and their models.

#include "ini/IniData.h"
#include "platform/TextCodec.h"
#include "platform/ui/ListCtrl.h"
#include "res/Resource.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace AddDlgTest {

inline QByteArray Cp932(const QString& text) {
    QByteArray bytes;
    EXPECT_TRUE(CTextCodec(CTextCodec::Encoding::Cp932).encode(text, bytes));
    return bytes;
}

inline QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// A file written into a folder of its own and loaded through the real profile layer.
class CIniFile {
public:
    CIniFile(const QString& name, const QByteArray& bytes) : m_path(m_dir.filePath(name)) {
        QFile file(m_path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }
    std::unique_ptr<CIniData> Load() const {
        auto ini = std::make_unique<CIniData>();
        QString error;
        EXPECT_TRUE(ini->Load(m_path, error)) << error.toStdString();
        return ini;
    }
    const QString& Path() const { return m_path; }
    QByteArray Bytes() const { return ReadBytes(m_path); }

private:
    QTemporaryDir m_dir;
    QString m_path;
};

class CAddDlgDriver {
public:
    explicit CAddDlgDriver(QDialog& dlg) : m_dlg(dlg) {
        m_dlg.show();
        m_dlg.activateWindow();
        // Not qWaitForWindowActive: it takes a dialog for active while its parent window is.
        EXPECT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &m_dlg; }));
    }

    template <class Widget = QWidget> Widget* Control(int id) const {
        return m_dlg.findChild<Widget*>(QString::number(id), Qt::FindDirectChildrenOnly);
    }
    QComboBox* Section() const { return Control<QComboBox>(Res::IDC_ADD_SECTION); }
    QLineEdit* Edit(int id) const { return Control<QLineEdit>(id); }
    CListCtrl* List() const { return Control<CListCtrl>(Res::IDC_ADD_LIST); }

    // Replaces the control's text as typed: focus, select all, then the new text.
    void Type(int id, const QString& text) {
        QWidget* control = Control(id);
        control->setFocus(Qt::TabFocusReason);
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(target, Qt::Key_Delete);
        if (text.contains(u'\n') || text.contains(u'\r')) {
            QApplication::clipboard()->setText(text);
            QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
            return;
        }
        // One event per character; a surrogate pair is one character.
        for (qsizetype i = 0; i < text.size(); ++i) {
            const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            QTest::sendKeyEvent(QTest::Click, target, Qt::Key_unknown, text.mid(i, n),
                                Qt::NoModifier);
            i += n - 1;
        }
    }
    // Fills the inputs in tab order, the values into the given edits, and presses Enter in
    // the last one.
    void Add(const QString& section, const QString& entry, const QStringList& values,
             const std::vector<int>& valueIds) {
        Type(Res::IDC_ADD_SECTION, section);
        Type(Res::IDC_ADD_ENTRY, entry);
        for (size_t i = 0; i < valueIds.size(); ++i)
            Type(valueIds[i], values.value(int(i)));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    void Click(int id) { QTest::mouseClick(Control<QPushButton>(id), Qt::LeftButton); }

    // The id of the control that has the focus (the combo for its edit), 0 for none.
    int FocusedId() const {
        for (QWidget* w = QApplication::focusWidget(); w; w = w->parentWidget()) {
            if (w->parentWidget() == &m_dlg)
                return w->objectName().toInt();
        }
        return 0;
    }
    // Every list row's texts, column by column.
    std::vector<QStringList> Rows() const {
        std::vector<QStringList> rows;
        for (int i = 0; i < List()->GetItemCount(); ++i) {
            QStringList row;
            for (int c = 0; c < List()->GetColumnCount(); ++c)
                row.append(List()->GetItemText(i, c));
            rows.push_back(row);
        }
        return rows;
    }

private:
    QDialog& m_dlg;
};

// The section, key and value of every added entry, in model order.
inline std::vector<QStringList> Added(const CIniData& ini) {
    std::vector<CIniEntryData*> entries;
    ini.CollectAddedEntries(entries);
    std::vector<QStringList> out;
    for (const CIniEntryData* e : entries)
        out.push_back({e->m_pSection->m_name, e->Key(), e->Value()});
    return out;
}

} // namespace AddDlgTest

// Readable failures for the row tables.
inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(u'|').toStdString() << ']';
}
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}
