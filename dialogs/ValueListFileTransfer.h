#pragma once

#include <QString>

#include <memory>
#include <vector>

class CProjectData;
class CProjectDataBase;
class CRecordIdName;
class QWidget;

// The management dialog's 書き出し… and 読み込み…: one value list out to a value-list file, and
// a file in as a list, with the file dialogs and the questions on the way.
class CValueListFileTransfer {
public:
    // pParent: where the file dialogs and the questions show; not owned.
    CValueListFileTransfer(QWidget* pParent, CProjectDataBase* pDataBase);

    void Export(int nPid);
    // The PID of the list stored from the file the user chose, 0 when nothing was stored.
    // names: the lists the database holds now.
    int Import(const std::vector<std::unique_ptr<CRecordIdName>>& names);
    // What the last export or import did, with the file and what the list holds; empty when
    // it did nothing.
    const QString& DoneText() const { return m_strDone; }

private:
    // A read list whose name other lists have: replaces the one list of that name (its PID and
    // attached files stay) or takes another name the user types; the editing dialog refuses a
    // second list of one name. False when nothing is to be stored.
    bool ResolveTakenName(CProjectData& project,
                          const std::vector<std::unique_ptr<CRecordIdName>>& names);
    // The new name the user typed for the list, trimmed; false when the user gave up.
    bool AskOtherName(CProjectData& project);
    void Say(const QString& text);

    QWidget* m_pParent;
    CProjectDataBase* m_pDataBase;
    QString m_strDone;
};
