#include "compare/CompareReport.h"

#include "compare/CompareResult.h"
#include "compare/FolderCompare.h"
#include "compare/IniCompare.h"
#include "ini/IniEntryData.h"
#include "ini/IniSectionData.h"

#include <QStringList>

namespace {

const QString kMark = QStringLiteral("○");

const char* const kStyle = R"(<style>
body { font-family: sans-serif; margin: 1em; color: #000; background: #fff; }
h1 { font-size: 1.2em; } h2 { font-size: 1.05em; margin-top: 1.5em; }
table { border-collapse: collapse; }
th, td { border: 1px solid #999; padding: 2px 6px; text-align: left; vertical-align: top;
  white-space: pre-wrap; }
th { background: #d3f0e0; }
td.mark { text-align: center; }
tr.differs td.mark { color: #fff; background: #ff0000; }
tr.ignored td { color: #888; }
td.missing { background: #c0ffc0; }
@media print { tr { page-break-inside: avoid; } }
</style>
)";

QString Esc(const QString& text) {
    return text.toHtmlEscaped();
}

QString PageStart(const QString& title) {
    return QStringLiteral(
               "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\" />\n"
               "<title>%1</title>\n")
               .arg(Esc(title)) +
           QString::fromUtf8(kStyle) + QStringLiteral("</head>\n<body>\n");
}

QString PageEnd() {
    return QStringLiteral("</body>\n</html>\n");
}

QString Cell(const QString& text, bool missing, const char* cls = nullptr) {
    QString classes = missing ? QStringLiteral("missing") : QString();
    if (cls)
        classes = QString::fromLatin1(cls);
    return (classes.isEmpty() ? QStringLiteral("<td>")
                              : QStringLiteral("<td class=\"%1\">").arg(classes)) +
           Esc(text) + QStringLiteral("</td>");
}

const char* RowClass(RowState state) {
    switch (state) {
    case RowState::Differs:
        return "differs";
    case RowState::Ignored:
        return "ignored";
    case RowState::Same:
        break;
    }
    return "same";
}

QString MarkOf(RowState state) {
    return state == RowState::Differs ? kMark : QString();
}

// The section cell shows a name on the first row of its run only, as the window does.
struct SideTexts {
    QString section, key, value;
    bool sectionMissing = false, entryMissing = false;
};

SideTexts Side(const CIniSectionData* section, const CIniEntryData* entry,
               const CIniSectionData* previous) {
    SideTexts side;
    side.sectionMissing = section == nullptr;
    side.entryMissing = entry == nullptr;
    if (section && section != previous)
        side.section = section->m_name;
    if (entry) {
        side.key = entry->Key();
        side.value = entry->Value();
    }
    return side;
}

QString SideCells(const SideTexts& s) {
    return Cell(s.section, s.sectionMissing) + Cell(s.key, s.entryMissing) +
           Cell(s.value, s.entryMissing);
}

QString RowsTable(const std::vector<const COMPARE_REULT*>& rows, const CRowRules& rules) {
    QString html = QStringLiteral(
        "<table>\n<thead><tr><th>セクション</th><th>エントリ</th><th>値</th><th>差</th>"
        "<th>セクション</th><th>エントリ</th><th>値</th></tr></thead>\n<tbody>\n");
    const CIniSectionData* previous1 = nullptr;
    const CIniSectionData* previous2 = nullptr;
    for (const COMPARE_REULT* row : rows) {
        const RowState state = rules.StateOf(*row);
        html += QStringLiteral("<tr class=\"%1\">").arg(QString::fromLatin1(RowClass(state)));
        html += SideCells(Side(row->pSection1, row->pEntry1, previous1));
        html += Cell(MarkOf(state), false, "mark");
        html += SideCells(Side(row->pSection2, row->pEntry2, previous2));
        html += QStringLiteral("</tr>\n");
        previous1 = row->pSection1;
        previous2 = row->pSection2;
    }
    return html + QStringLiteral("</tbody>\n</table>\n");
}

QString RulesNote(const CRowRules& rules) {
    QString html;
    if (!rules.ignore.IsEmpty())
        html += QStringLiteral("<p>無視するパターン: %1</p>\n")
                    .arg(Esc(rules.ignore.Patterns().join(QStringLiteral(", "))));
    if (rules.ignoreValueCase)
        html += QStringLiteral("<p>値の大文字と小文字を区別しません</p>\n");
    return html;
}

QString CountText(int count) {
    return count > 0 ? QString::number(count) : QString();
}

QString FileList(const CFolderCompare& folders) {
    QString html = QStringLiteral("<table>\n<thead><tr><th>状態</th><th>差のある行</th>"
                                  "<th>無視した行</th><th>ファイル</th><th>詳細</th></tr></thead>\n"
                                  "<tbody>\n");
    for (const CFilePairStatus& pair : folders.Pairs()) {
        html +=
            QStringLiteral("<tr class=\"%1\">")
                .arg(pair.CountsAsDifferent() ? QStringLiteral("differs") : QStringLiteral("same"));
        html += Cell(pair.KindText(), false) + Cell(CountText(pair.differingRows), false) +
                Cell(CountText(pair.ignoredRows), false) + Cell(pair.Path(), false) +
                Cell(pair.Detail(), false) + QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</tbody>\n</table>\n");
}

// The differing rows of one pair, loaded again: the folder comparison keeps no models.
QString DifferingRowsOf(const CFolderCompare& folders, const CFilePairStatus& pair) {
    std::unique_ptr<CIniCompare> compare;
    CFilePairStatus::CompareFiles(folders.FullPath(1, pair.path1), folders.FullPath(2, pair.path2),
                                  folders.Rules(), &compare);
    if (!compare)
        return QString();
    std::vector<const COMPARE_REULT*> rows;
    for (const auto& row : compare->m_results) {
        if (folders.Rules().StateOf(*row) == RowState::Differs)
            rows.push_back(row.get());
    }
    return QStringLiteral("<h2>%1</h2>\n").arg(Esc(pair.Path())) + RowsTable(rows, folders.Rules());
}

QByteArray CsvLines(const QList<QStringList>& lines) {
    QString text;
    for (const QStringList& line : lines) {
        QStringList fields;
        for (const QString& field : line)
            fields.append(CompareReport::CsvField(field));
        text += fields.join(u',') + QStringLiteral("\r\n");
    }
    return text.toUtf8();
}

QStringList CsvSide(const CIniSectionData* section, const CIniEntryData* entry) {
    return {section ? section->m_name : QString(), entry ? entry->Key() : QString(),
            entry ? entry->Value() : QString()};
}

} // namespace

namespace CompareReport {

QString CsvField(const QString& text) {
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') &&
        !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

QByteArray PairHtml(const QString& path1, const QString& path2,
                    const std::vector<const COMPARE_REULT*>& rows, const CRowRules& rules) {
    QString html = PageStart(path1 + QStringLiteral(" - ") + path2);
    html +=
        QStringLiteral("<h1>比較</h1>\n<p>1: %1<br />\n2: %2</p>\n").arg(Esc(path1), Esc(path2));
    html += RulesNote(rules) + RowsTable(rows, rules) + PageEnd();
    return html.toUtf8();
}

QByteArray PairCsv(const std::vector<const COMPARE_REULT*>& rows, const CRowRules& rules) {
    QList<QStringList> lines{{QStringLiteral("section1"), QStringLiteral("key1"),
                              QStringLiteral("value1"), QStringLiteral("mark"),
                              QStringLiteral("section2"), QStringLiteral("key2"),
                              QStringLiteral("value2")}};
    for (const COMPARE_REULT* row : rows) {
        const RowState state = rules.StateOf(*row);
        const QString mark = state == RowState::Ignored ? QStringLiteral("ignored") : MarkOf(state);
        lines.append(CsvSide(row->pSection1, row->pEntry1) + QStringList{mark} +
                     CsvSide(row->pSection2, row->pEntry2));
    }
    return CsvLines(lines);
}

QByteArray FoldersHtml(const CFolderCompare& folders) {
    const QString path1 = folders.Scan1().root, path2 = folders.Scan2().root;
    QString html = PageStart(path1 + QStringLiteral(" - ") + path2);
    html += QStringLiteral("<h1>フォルダの比較</h1>\n<p>1: %1<br />\n2: %2</p>\n")
                .arg(Esc(path1), Esc(path2));
    html += RulesNote(folders.Rules()) + FileList(folders);
    for (const CFilePairStatus& pair : folders.Pairs()) {
        if (pair.kind == CFilePairStatus::Differs)
            html += DifferingRowsOf(folders, pair);
    }
    return (html + PageEnd()).toUtf8();
}

QByteArray FoldersCsv(const CFolderCompare& folders) {
    QList<QStringList> lines{{QStringLiteral("status"), QStringLiteral("differing"),
                              QStringLiteral("ignored"), QStringLiteral("path"),
                              QStringLiteral("text_differs"), QStringLiteral("detail")}};
    for (const CFilePairStatus& pair : folders.Pairs()) {
        lines.append({pair.KindName(), QString::number(pair.differingRows),
                      QString::number(pair.ignoredRows), pair.Path(),
                      pair.textDiffers ? QStringLiteral("yes") : QStringLiteral("no"),
                      pair.Detail()});
    }
    return CsvLines(lines);
}

} // namespace CompareReport
