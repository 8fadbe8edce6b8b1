#pragma once

#include <QString>
#include <QStringList>

// What the desktop program was asked to do on its command line: open one file, compare two,
// or print its help or version, with the value lists of another database than the usual one
// if asked. Qt's own options are left for QApplication. Anything else is a usage error (exit
// status 2).
class CCommandLine {
public:
    enum class Action { Run, Help, Version, UsageError };

    // args without the program name. "--" ends the options, so a file named "-x.ini" can be
    // given after it.
    static CCommandLine Parse(const QStringList& args);

    static QString UsageText();
    static QString VersionText();

    Action m_action = Action::Run;
    QStringList m_files; // as given
    QString m_dataBase;  // --db PATH: the value-list database to use; empty for the default
    // --merge: m_files are BASE, OURS and THEIRS, merged in the window.
    bool m_merge = false;
    QString m_output; // -o OUT: where the merge's save goes; empty: OURS
    // What was wrong: for a usage error, and for a run with more than two files, which the
    // window refuses too.
    QString m_complaint;
};
