#pragma once

#include <QStringView>
#include <cstddef>

class CIniData;
class CIniSectionData;
class CObject;

// Follows a file's lines with the section they are in, to tell the item each line shows: a
// header line its section, a key line the entry the model holds for that key. The model keeps
// a section's entries in line order, so each key line is first tried against the entry after
// the last one matched; only a line out of that order (a later duplicate, say) asks the
// section's key index, which the load leaves unbuilt.
class CPreviewLineItems {
public:
    explicit CPreviewLineItems(const CIniData& ini) : m_ini(ini) {}

    // The item the next line of the file shows, or null.
    const CObject* ItemOf(QStringView line);

private:
    const CIniData& m_ini;
    const CIniSectionData* m_section = nullptr;
    size_t m_next = 0;
};
