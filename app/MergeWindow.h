#pragma once

#include "platform/ProfileWriter.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class CIniData;
class CMainFrame;

// The main window's merge mode, from the outside in: opening a merge of three files (the
// command line's --merge, the compare command with a base file), taking another program's
// change of the shown file into the user's unsaved edits, and saving a merge. The view shows
// it (CMergeMode); the document holds the models.
class CMergeWindow : public QObject {
    Q_OBJECT
public:
    explicit CMergeWindow(CMainFrame* frame);

    // quillet --merge BASE OURS THEIRS [-o OUT]: each path as the command line gave it.
    void OpenCommandLine(const QStringList& paths, const QString& output);
    // Loads the three files and shows ours with theirs' changes taken in. False, the document
    // unchanged, when one fails to load ("基:", "1:" or "2:" says which).
    bool Open(const QString& base, const QString& ours, const QString& theirs,
              const QString& output);
    // The compare command: two files, and a base when the second dialog's box is checked.
    void OnCompareCommand();
    // The shown file changed on disk while it has unsaved edits: a merge with base = the file
    // as loaded, ours = the model with the edits, theirs = the file now. Nothing is written.
    bool MergeWithDisk();

    bool IsShown() const;
    // Saves the merge: asks first while conflicts are left; writes ours in place, or OUT.
    bool Save();

private:
    bool AskFile(QString& path, const QString& title, bool* merge = nullptr);
    void Show(std::unique_ptr<CIniData> base, std::unique_ptr<CIniData> ours,
              std::unique_ptr<CIniData> theirs, const QString& title);
    bool SaveToOutput();
    // Says which of the changes written to path its encoding or structure refused.
    void ReportUnwritten(const QString& path, const std::vector<CProfileWriter::Change>& changes,
                         const std::vector<QString>& reasons);

    CMainFrame* m_pFrame;
    QString m_output;       // where Save writes; empty: ours in place
    QByteArray m_oursBytes; // ours as loaded, which a save to OUT edits
};
