#pragma once

class CIniData;
class CProjectData;
class CTreeEditHistory;

// The editing dialog's import: the sections and entries of the open file that the value list
// lacks go into it, in the file's order, as one change that can be taken back; nothing the
// list already holds moves or goes.
class CIniKeysMerge {
public:
    static void Merge(CProjectData* pProject, const CIniData& ini, CTreeEditHistory* pHistory);
};
