#include "compare/IniCompare.h"

#include "ini/FoldedName.h"
#include "ini/IniData.h"
#include "platform/TextUtil.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <list>
#include <memory_resource>
#include <vector>

namespace {

using Row = std::unique_ptr<COMPARE_REULT>;
// Rows are built in a linked list: pairing inserts file 2's extra entries in the middle, which
// must not cost a shift of every later row. Its nodes, one per row, come out of one arena that
// goes when the rows have moved on.
using Rows = std::pmr::list<Row>;

Row MakeRow(CIniSectionData* s1, CIniSectionData* s2, CIniEntryData* e1, CIniEntryData* e2) {
    return Row(new COMPARE_REULT{s1, s2, e1, e2});
}

// Does the row belong to a file-1 section of this name?
bool InSectionNamed(const COMPARE_REULT& row, const CIniSectionData* anchorSection,
                    const QString& name) {
    if (row.pSection1 == nullptr)
        return false;
    return row.pSection1 == anchorSection || Text::EqualNoCase(row.pSection1->m_name, name);
}

// The anchor and the rows after it that belong to a file-1 section of the same name.
Rows::iterator BlockEnd(Rows& rows, Rows::iterator anchor, const QString& name) {
    const CIniSectionData* anchorSection = (*anchor)->pSection1;
    auto it = anchor;
    while (it != rows.end() && InSectionNamed(**it, anchorSection, name))
        ++it;
    return it;
}

void AppendSectionOnlyIn2(Rows& rows, CIniSectionData* s2) {
    if (s2->m_entries.empty()) {
        rows.push_back(MakeRow(nullptr, s2, nullptr, nullptr));
        return;
    }
    for (const auto& e : s2->m_entries)
        rows.push_back(MakeRow(nullptr, s2, nullptr, e.get()));
}

// File 1's section is empty: the anchor takes file 2's first entry and the others follow it.
void PairIntoEmptySection(Rows& rows, Rows::iterator anchor, CIniSectionData* s2) {
    COMPARE_REULT& row = **anchor;
    row.pSection2 = s2;
    if (s2->m_entries.empty())
        return;
    row.pEntry2 = s2->m_entries.front().get();
    auto pos = anchor;
    for (auto e = std::next(s2->m_entries.begin()); e != s2->m_entries.end(); ++e)
        pos = rows.insert(std::next(pos), MakeRow(row.pSection1, s2, nullptr, e->get()));
}

// File 1's section has entries: pair them by key, then add the entries only file 2 has right
// after the section's rows, in file 2's order.
void PairBlock(Rows& rows, Rows::iterator anchor, CIniSectionData* s2) {
    CIniSectionData* s1 = (*anchor)->pSection1;
    const auto end = BlockEnd(rows, anchor, s2->m_name);
    std::vector<const CIniEntryData*> paired; // sorted once filled
    paired.reserve(s2->m_entries.size());
    auto last = anchor;
    for (auto it = anchor; it != end; ++it) {
        last = it;
        COMPARE_REULT& row = **it;
        // A row without a file-1 entry has no key to pair by; it keeps what it holds. Models
        // read from files never put one here, since their section names are unique.
        if (row.pEntry1 == nullptr && !s2->m_entries.empty())
            continue;
        row.pSection2 = s2;
        if (row.pEntry1 == nullptr)
            continue;
        row.pEntry2 = s2->FindEntryLike(*row.pEntry1);
        if (row.pEntry2 != nullptr)
            paired.push_back(row.pEntry2);
    }
    std::sort(paired.begin(), paired.end());
    auto pos = last;
    for (const auto& e : s2->m_entries) {
        if (!std::binary_search(paired.begin(), paired.end(), e.get()))
            pos = rows.insert(std::next(pos), MakeRow(s1, s2, nullptr, e.get()));
    }
}

} // namespace

CIniCompare::CIniCompare(std::unique_ptr<CIniData> ini1, std::unique_ptr<CIniData> ini2)
    : m_pIni1(std::move(ini1)), m_pIni2(std::move(ini2)) {}

CIniCompare::~CIniCompare() {
    // The rows point into both models, so they go first; then file 1, then file 2.
    m_results.clear();
    m_pIni1.reset();
    m_pIni2.reset();
}

void CIniCompare::Compare() {
    m_results.clear();
    std::pmr::monotonic_buffer_resource arena;
    Rows rows(&arena);
    // Where each name's first file-1 section starts: later inserts never land before it.
    QHash<CFoldedName, Rows::iterator> anchors;
    if (m_pIni1) {
        for (const auto& s1 : m_pIni1->m_sections) {
            auto first = rows.insert(rows.end(), MakeRow(s1.get(), nullptr, nullptr, nullptr));
            if (!s1->m_entries.empty()) {
                (*first)->pEntry1 = s1->m_entries.front().get();
                for (auto e = std::next(s1->m_entries.begin()); e != s1->m_entries.end(); ++e)
                    rows.push_back(MakeRow(s1.get(), nullptr, e->get(), nullptr));
            }
            // The first section of a name anchors it; insert() would let a later one take over.
            const CFoldedName key{s1->m_name};
            if (!anchors.contains(key))
                anchors.insert(key, first);
        }
    }
    if (m_pIni2) {
        for (const auto& s2 : m_pIni2->m_sections) {
            const auto anchor = anchors.constFind(CFoldedName{s2->m_name});
            if (anchor == anchors.cend())
                AppendSectionOnlyIn2(rows, s2.get());
            else if ((**anchor)->pEntry1 == nullptr)
                PairIntoEmptySection(rows, *anchor, s2.get());
            else
                PairBlock(rows, *anchor, s2.get());
        }
    }
    m_results.reserve(rows.size());
    for (Row& row : rows)
        m_results.push_back(std::move(row));
}

std::unique_ptr<CIniCompare> CIniCompare::Paired(std::unique_ptr<CIniData> ini1,
                                                 std::unique_ptr<CIniData> ini2) {
    auto compare = std::make_unique<CIniCompare>(std::move(ini1), std::move(ini2));
    compare->Compare();
    compare->m_rules = CRowRules::BesideFiles(compare->GetTitle(0), compare->GetTitle(1));
    return compare;
}

QString CIniCompare::GetTitle(int which) const {
    QString path1 = m_pIni1 ? m_pIni1->m_filePath : QString();
    QString path2 = m_pIni2 ? m_pIni2->m_filePath : QString();
    if (which == 0)
        return path1;
    if (which == 1)
        return path2;
    return path1 + QStringLiteral(" - ") + path2;
}

void CIniCompare::AddResult(std::unique_ptr<COMPARE_REULT> result) {
    if (result)
        m_results.push_back(std::move(result));
}

bool CIniCompare::RemoveResult(const COMPARE_REULT* result) {
    TakeResult(result);
    return true;
}

std::unique_ptr<COMPARE_REULT> CIniCompare::TakeResult(const COMPARE_REULT* result) {
    const auto it = std::find_if(m_results.begin(), m_results.end(),
                                 [result](const auto& r) { return r.get() == result; });
    if (it == m_results.end())
        return nullptr;
    std::unique_ptr<COMPARE_REULT> taken = std::move(*it);
    m_results.erase(it);
    return taken;
}

QStringList CIniCompare::SectionNamesForCombo() const {
    QStringList names;
    QSet<CFoldedName> offered;
    if (m_pIni1) {
        for (const auto& s1 : m_pIni1->m_sections) {
            names.append(s1->m_name);
            offered.insert(CFoldedName{s1->m_name});
        }
    }
    if (m_pIni2) {
        for (const auto& s2 : m_pIni2->m_sections) {
            if (!offered.contains(CFoldedName{s2->m_name})) {
                names.append(s2->m_name);
                offered.insert(CFoldedName{s2->m_name});
            }
        }
    }
    return names;
}
