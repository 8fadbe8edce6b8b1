#pragma once

#include <QStringList>

class QTextStream;

// quillet-cli merge [--json] [-o OUT] [--markers] BASE OURS THEIRS: a three-way merge of INI
// files written into OURS (or OUT). `args` are the arguments after "merge". Exit status 0 no
// conflict, 1 conflicts (the file is written with ours' values in them), 2 error (nothing
// written).
int RunMergeCommand(const QStringList& args, QTextStream& out, QTextStream& err);
