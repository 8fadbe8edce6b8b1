#pragma once

#include "valuelist/EntryData.h"
#include "valuelist/ProjectData.h"
#include "valuelist/SectionData.h"
#include "valuelist/ValueData.h"

#include "QStringPrinter.h"

#include <QStringList>

// A value-list tree as lines of text, so two trees compare with one assertion and a failure
// shows where they part.
inline QStringList DumpTree(const CProjectData& project) {
    QStringList lines{"P[" + project.m_strName + "]"};
    for (CSectionData* s = project.FirstSection(); s; s = s->NextSection()) {
        lines << " S[" + s->m_strCode + "][" + s->m_strName + "]";
        for (CEntryData* e = s->FirstEntry(); e; e = e->NextEntry()) {
            lines << "  E[" + e->m_strCode + "][" + e->m_strName + "]";
            for (CValueData* v = e->FirstValue(); v; v = v->NextValue())
                lines << "   V[" + v->m_strCode + "][" + v->m_strName + "]";
        }
    }
    return lines;
}
