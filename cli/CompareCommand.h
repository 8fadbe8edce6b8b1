#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// quillet-cli compare: two INI files row by row, or two folders of them file by file.
struct CompareOptions {
    bool json = false;
    QStringList ignore; // --ignore PATTERN, repeatable
    bool ignoreCase = false;
    QString report; // --report html|csv
    QString output; // -o FILE: where a report goes instead of standard output
    QStringList arguments;
    bool processEndsAfter = false; // the models may be left to the process's end (CliMain.h)
};

// Takes the compare option at args[i] (and its value, moving i past it); false when it is none.
bool ParseCompareOption(const QStringList& args, qsizetype& i, CompareOptions& options);

const char* CompareHelp();

// Exits like diff -r: 0 all the same, 1 something differs, 2 an error (a file or a folder that
// cannot be read; the rest is still compared and printed).
int RunCompareCommand(const CompareOptions& options, QTextStream& out, QTextStream& err);
