#include "app/QuilletDoc.h"

#include "compare/IniCompare.h"
#include "compare/IniMerge.h"
#include "ini/IniData.h"
#include "res/Resource.h"
#include "view/QuilletView.h"
#include "view/ViewHost.h"

#include <algorithm>

CQuilletDoc::CQuilletDoc() = default;

CQuilletDoc::~CQuilletDoc() = default;

void CQuilletDoc::AddView(CQuilletView* view) {
    if (std::find(m_views.begin(), m_views.end(), view) == m_views.end())
        m_views.push_back(view);
}

void CQuilletDoc::RemoveView(CQuilletView* view) {
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CQuilletDoc::OnNewDocument() {
    DeleteContents();
    m_strTitle.clear();
}

void CQuilletDoc::DeleteContents() {
    // The views and the preview still point into the content: they let go before it goes.
    UpdateAllViews(nullptr, Res::HINT_CLEAR, 0);
    if (m_pFrame)
        m_pFrame->SendMessage(Res::WM_CLEAR_PREVIEW, 0, 0);
    m_pMerge.reset(); // it points into the comparison's models
    m_pMergeBase.reset();
    m_pIniData.reset();
    m_pCompare.reset();
}

void CQuilletDoc::UpdateAllViews(QWidget* sender, int hint, quintptr object) {
    // A view may add or remove views while it handles the hint; walk a copy.
    const std::vector<CQuilletView*> views = m_views;
    for (CQuilletView* view : views) {
        if (view != sender)
            view->OnUpdate(sender, hint, object);
    }
    if (m_onUpdate)
        m_onUpdate(hint);
}

bool CQuilletDoc::IsCommandEnabled(int commandId) const {
    switch (commandId) {
    case Res::ID_FILE_SAVE:
    case Res::ID_ADD:
    case Res::ID_RELOAD:
        return HasContent();
    default:
        return true;
    }
}

bool CQuilletDoc::HasUnsavedChanges() const {
    if (m_pIniData)
        return HasUnsavedChanges(*m_pIniData);
    if (m_pCompare)
        return HasUnsavedChanges(*m_pCompare->m_pIni1) || HasUnsavedChanges(*m_pCompare->m_pIni2);
    return false;
}

bool CQuilletDoc::HasUnsavedChanges(const CIniData& ini) {
    for (const auto& section : ini.m_sections) {
        if (section->m_isNew)
            return true;
        for (const auto& entry : section->m_entries) {
            if (entry->NeedsWrite())
                return true;
        }
    }
    return false;
}

QStringList CQuilletDoc::UnwrittenEntries(const CIniData& ini) {
    QStringList lines;
    for (const auto& section : ini.m_sections) {
        for (const auto& entry : section->m_entries) {
            if (entry->NeedsWrite())
                lines.append(QStringLiteral("[%1] %2").arg(section->m_name, entry->Key()));
        }
    }
    return lines;
}

void CQuilletDoc::CarryUnwritten(const CIniData& saved, CIniData& fresh) {
    for (const auto& section : saved.m_sections) {
        for (const auto& entry : section->m_entries) {
            if (!entry->NeedsWrite())
                continue;
            CIniSectionData* target = fresh.FindSection(section->m_name, false);
            if (CIniEntryData* same = target ? target->FindEntry(entry->Key(), false) : nullptr)
                same->SetValue(entry->Value());
            else
                fresh.AddEntry(section->m_name, entry->Key(), entry->Value());
        }
    }
    // They are shown with the file, not placed later as the add dialog's entries are.
    fresh.ClearAddedMarks();
}
