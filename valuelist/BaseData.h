#pragma once

#include "platform/Object.h"

#include <QString>
#include <memory>

// One node of a value-list tree (value list -> sections -> entries -> values).
//
// The children of a record form a doubly linked list. A record owns its first child and its
// next sibling, so deleting a value list frees the whole tree and deleting the first record
// of a list frees the whole list. The back links (previous sibling, parent) do not own.
class CBaseData : public CObject {
public:
    CBaseData();
    ~CBaseData() override;
    CBaseData(const CBaseData&) = delete;
    CBaseData& operator=(const CBaseData&) = delete;

    // The PID of the value list this record belongs to, -1 when it hangs in no value list.
    virtual int GetPid() const;

    CBaseData* FirstChild() const { return m_pChild.get(); }
    CBaseData* Next() const { return m_pNext.get(); }
    CBaseData* LastChild() const;
    int ChildCount() const;

    // Appends at the tail of the children and returns the appended record. pLastHint may name
    // the current last child, which saves walking the list when many records are appended in a
    // row; a hint that is not the last child is ignored.
    CBaseData* AppendChild(std::unique_ptr<CBaseData> pChild, CBaseData* pLastHint = nullptr);
    // Inserts just before pBefore, one of this record's children; appends when pBefore is null.
    // Returns null (and deletes nothing but pChild) when pBefore is not a child of this record.
    CBaseData* InsertChildBefore(std::unique_ptr<CBaseData> pChild, CBaseData* pBefore);
    // Unlinks one child, with its subtree, and hands it over; null when it is not our child.
    std::unique_ptr<CBaseData> DetachChild(CBaseData* pChild);
    // Unlinks and deletes one child with its subtree; the siblings around it are relinked.
    bool RemoveChild(CBaseData* pChild);
    // Deletes every child.
    void RemoveAllChildren();

    QString m_strName;
    CBaseData* m_pPrev = nullptr;
    std::unique_ptr<CBaseData> m_pNext;
    CBaseData* m_pParent = nullptr;
    std::unique_ptr<CBaseData> m_pChild;

private:
    static void DeleteSiblingChain(std::unique_ptr<CBaseData> pFirst);
};
