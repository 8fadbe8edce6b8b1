#pragma once

#include <QString>
#include <QStringList>
#include <vector>

class CIniData;
class CProjectData;

// One entry whose value is not among the admissible values its value list gives.
struct ValueMismatch {
    QString section;
    QString key;
    QString value;
    QStringList allowed; // in the value list's display order
    QStringList labels;  // the display name of each admissible value, "" for none
};

// The entries of the file, in file order, that the value list describes with at least one
// admissible value and whose value is none of them (values compare with regard to case, names
// without). An entry the value list gives no values for constrains nothing: the grid offers
// the file's own value for it, so it is not listed.
std::vector<ValueMismatch> FindInadmissibleValues(const CIniData& ini, const CProjectData& project);
