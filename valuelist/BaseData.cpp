#include "valuelist/BaseData.h"

#include <utility>

CBaseData::CBaseData() = default;

CBaseData::~CBaseData() {
    // Children first, then the following siblings. The sibling chain is freed in a loop here,
    // not by each record deleting its own successor, so a list of any length costs no stack.
    DeleteSiblingChain(std::move(m_pChild));
    DeleteSiblingChain(std::move(m_pNext));
}

void CBaseData::DeleteSiblingChain(std::unique_ptr<CBaseData> pFirst) {
    while (pFirst) {
        // Taking the successor out before the record dies keeps the destructor from recursing.
        std::unique_ptr<CBaseData> pRest = std::move(pFirst->m_pNext);
        pFirst = std::move(pRest);
    }
}

int CBaseData::GetPid() const {
    return m_pParent ? m_pParent->GetPid() : -1;
}

CBaseData* CBaseData::LastChild() const {
    CBaseData* pLast = m_pChild.get();
    while (pLast && pLast->m_pNext)
        pLast = pLast->m_pNext.get();
    return pLast;
}

int CBaseData::ChildCount() const {
    int n = 0;
    for (const CBaseData* p = m_pChild.get(); p; p = p->m_pNext.get())
        ++n;
    return n;
}

CBaseData* CBaseData::AppendChild(std::unique_ptr<CBaseData> pChild, CBaseData* pLastHint) {
    if (!pChild)
        return nullptr;
    CBaseData* pNew = pChild.get();
    pNew->m_pParent = this;
    const bool bHintIsLast = pLastHint && pLastHint->m_pParent == this && !pLastHint->m_pNext;
    CBaseData* pLast = bHintIsLast ? pLastHint : LastChild();
    if (!pLast) {
        m_pChild = std::move(pChild);
    } else {
        pNew->m_pPrev = pLast;
        pLast->m_pNext = std::move(pChild);
    }
    return pNew;
}

CBaseData* CBaseData::InsertChildBefore(std::unique_ptr<CBaseData> pChild, CBaseData* pBefore) {
    if (!pBefore)
        return AppendChild(std::move(pChild));
    if (!pChild || pBefore->m_pParent != this)
        return nullptr;
    std::unique_ptr<CBaseData>& owner = pBefore->m_pPrev ? pBefore->m_pPrev->m_pNext : m_pChild;
    CBaseData* pNew = pChild.get();
    pNew->m_pParent = this;
    pNew->m_pPrev = pBefore->m_pPrev;
    pBefore->m_pPrev = pNew;
    pNew->m_pNext = std::move(owner);
    owner = std::move(pChild);
    return pNew;
}

std::unique_ptr<CBaseData> CBaseData::DetachChild(CBaseData* pChild) {
    if (!pChild || pChild->m_pParent != this)
        return nullptr;
    std::unique_ptr<CBaseData>& owner = pChild->m_pPrev ? pChild->m_pPrev->m_pNext : m_pChild;
    std::unique_ptr<CBaseData> pDetached = std::move(owner);
    // The successor moves into the slot that held the record, so the rest of the list stays
    // owned; clearing the record's own next link is what keeps those siblings alive.
    owner = std::move(pDetached->m_pNext);
    if (owner)
        owner->m_pPrev = pDetached->m_pPrev;
    pDetached->m_pPrev = nullptr;
    pDetached->m_pParent = nullptr;
    return pDetached;
}

bool CBaseData::RemoveChild(CBaseData* pChild) {
    return DetachChild(pChild) != nullptr;
}

void CBaseData::RemoveAllChildren() {
    DeleteSiblingChain(std::move(m_pChild));
}
