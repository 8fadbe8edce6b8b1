#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

class CBaseData;
class CProjectData;

// One value list as a UTF-8 JSON file (".qvl.json"), so that it can live under version control
// beside the INI files it describes and travel between databases:
//
//   {
//     "format": "quillet-value-list",
//     "version": 1,
//     "name": "...",
//     "sections": [ { "name": "...", "entries": [ { "name": "...",
//         "values": [ { "value": "...", "label": "..." } ] } ] } ]
//   }
//
// Sections, entries and values keep the list's order. A section or entry whose display name is
// not empty also carries it as "label" after its "name", so that nothing stored is lost.
//
// The writer lays the file out itself, two spaces per level, one value per line and the keys
// in the order above: QJsonDocument sorts keys and indents by four, and a file under version
// control should change only by the lines that changed.
//
// Reading refuses with one message (in the program's language, shown by the CLI and the
// dialogs alike) a broken file, another format, a later version, and any list the editing
// dialog would refuse. Writing refuses the same lists, so that every file written reads back.
class CValueListFile {
public:
    static constexpr qint64 kMaxSize = qint64(64) * 1024 * 1024;

    // The file's bytes for a list; empty with `error` set when the list cannot be written.
    static QByteArray ToJson(const CProjectData& project, QString& error);
    // The list a file's bytes hold, with PID -1; null with `error` set when refused.
    static std::unique_ptr<CProjectData> FromJson(const QByteArray& bytes, QString& error);

    static std::unique_ptr<CProjectData> ReadFile(const QString& path, QString& error);
    // Writes through a temporary file renamed over the target: never half-written.
    static bool WriteFile(const QString& path, const CProjectData& project, QString& error);

    // Why the editing dialog would refuse the list (an empty name, duplicates, texts it cannot
    // hold), with where; empty when the list is fine.
    static QString Check(const CProjectData& project);
    // Where a section, entry or value sits in its list, as the refusals name it
    // ("セクション「s」のエントリ「k」の値「on」"; by position where a text cannot be shown).
    static QString Where(const CBaseData& record);
};
