#pragma once

#include <QStringList>

class QTextStream;

// quillet-cli valuelist list|export|import: the value lists of a database as files. `args`
// are the arguments after "valuelist". Exit status 0 done, 2 error (message on `err`).
int RunValueListCommand(const QStringList& args, QTextStream& out, QTextStream& err);
