#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

class CIniData;
class CProjectData;

// One thing a file does that its value list does not allow.
struct ValueMismatch {
    enum class Problem {
        Value,   // not one of the admissible values
        Type,    // not of the entry's type
        Range,   // of the type but outside the range
        Missing, // a required key the file lacks
        Unknown, // a key the list does not describe (when the list asks for that)
    };
    Problem problem = Problem::Value;
    QString section;
    QString key;
    QString value;                       // empty for Missing
    QStringList allowed;                 // Value: the admissible values in the list's display order
    QStringList labels;                  // the display name of each admissible value, "" for none
    QString type;                        // Type: the type's name ("integer", ...)
    std::optional<double> min, max;      // Range
    std::optional<QString> defaultValue; // Missing: what the key would be added with

    // The word scripts tell the kinds apart by: "value", "type", "range", "missing",
    // "unknown".
    static const char* ProblemName(Problem problem);
};

// Everything the file breaks, entry problems in file order, then the missing required keys in
// the list's order. Values compare with regard to case, names without. An entry the list gives
// neither values nor a rule constrains nothing: the grid offers the file's own value for it.
std::vector<ValueMismatch> FindInadmissibleValues(const CIniData& ini, const CProjectData& project);
