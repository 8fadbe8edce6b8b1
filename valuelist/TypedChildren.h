#pragma once

#include "platform/TextUtil.h"
#include "valuelist/BaseData.h"

#include <QString>
#include <memory>

// The children of one record seen as records of one kind, each with a code (m_strCode) and
// a name: what a value list does with its sections, a section with its entries and an entry
// with its values. Children of another kind are passed over.
template <typename TChild> class CTypedChildren {
public:
    // How a code is matched: INI files treat section and key names without regard to case,
    // while a value is written as it is.
    enum class Match { Exact, NoCase };

    static TChild* First(const CBaseData& parent) {
        return dynamic_cast<TChild*>(parent.FirstChild());
    }
    static TChild* Last(const CBaseData& parent) {
        return dynamic_cast<TChild*>(parent.LastChild());
    }
    static TChild* Append(CBaseData& parent, const QString& code, const QString& name,
                          TChild* pLastHint) {
        return static_cast<TChild*>(
            parent.AppendChild(std::make_unique<TChild>(code, name), pLastHint));
    }
    static TChild* Find(const CBaseData& parent, const QString& code, Match match) {
        for (CBaseData* p = parent.FirstChild(); p; p = p->Next()) {
            auto* pChild = dynamic_cast<TChild*>(p);
            if (pChild && Matches(pChild->m_strCode, code, match))
                return pChild;
        }
        return nullptr;
    }

private:
    static bool Matches(const QString& a, const QString& b, Match match) {
        return match == Match::NoCase ? Text::EqualNoCase(a, b) : a == b;
    }
};
