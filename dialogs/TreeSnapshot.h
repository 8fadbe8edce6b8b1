#pragma once

#include <QString>

class CProjectData;

// The whole tree of a value list as one text (codes, display names, the entries' rules and
// the list's switches), to tell whether the editing dialog changed anything. Control
// characters keep the levels and fields apart, so that two different trees never give one text.
class CTreeSnapshot {
public:
    static QString Of(const CProjectData& project);
};
