#pragma once

#include "compare/RowRules.h"

#include <QByteArray>
#include <QString>
#include <vector>

struct COMPARE_REULT;
class CFolderCompare;

// Reports of a comparison for people and for spreadsheets: HTML as one self-contained page
// (no script, no remote resource, printable) and CSV by RFC 4180 with a header line, both UTF-8.
// Rows carry the marks the window shows: "○" on a row that differs, none (and dim) on a row
// whose difference an ignore pattern takes away.
namespace CompareReport {

// The rows of one pair of files, in the order given; path1 and path2 head the page.
QByteArray PairHtml(const QString& path1, const QString& path2,
                    const std::vector<const COMPARE_REULT*>& rows, const CRowRules& rules);
QByteArray PairCsv(const std::vector<const COMPARE_REULT*>& rows, const CRowRules& rules);

// Two folders compared (CompareAll done): one line per pair with its status and counts, and in
// the HTML, after the list, the differing rows of each pair that differs.
QByteArray FoldersHtml(const CFolderCompare& folders);
QByteArray FoldersCsv(const CFolderCompare& folders);

// One CSV field, quoted when it must be.
QString CsvField(const QString& text);

} // namespace CompareReport
