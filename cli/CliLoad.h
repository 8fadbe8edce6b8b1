#pragma once

#include <QString>
#include <memory>

class CIniData;
class QTextStream;

// Loads a file for a command; on failure prints the message the desktop program would show,
// after prefix. The model reads a missing file as an empty one, which on a command line is
// nearly always a mistyped name, so reading commands refuse it (set may create the file, as
// writing a key does). Sections left out for their size are named on standard error: the
// output does not show them.
std::unique_ptr<CIniData> LoadIni(const QString& path, const QString& prefix, QTextStream& err,
                                  bool mustExist = true);
