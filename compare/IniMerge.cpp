#include "compare/IniMerge.h"

#include "ini/FoldedName.h"
#include "ini/IniData.h"
#include "platform/ProfileSyntax.h"
#include "platform/TextCodec.h"
#include "platform/TextUtil.h"

#include <QHash>
#include <QStringList>

namespace {

// Two sides agree when both lack the key or both hold the same value, case counting.
bool Same(const CIniEntryData* a, const CIniEntryData* b) {
    if (a == nullptr || b == nullptr)
        return a == b;
    return a->Value() == b->Value();
}

std::optional<QString> ValueOf(const CIniEntryData* entry) {
    if (entry == nullptr)
        return std::nullopt;
    return entry->Value();
}

// Why both sides' changes of one key cannot both stand.
QString ConflictReason(const CIniEntryData* base, const CIniEntryData* ours,
                       const CIniEntryData* theirs) {
    if (ours == nullptr)
        return QStringLiteral("removed in ours, changed in theirs");
    if (theirs == nullptr)
        return QStringLiteral("changed in ours, removed in theirs");
    if (base == nullptr)
        return QStringLiteral("added in both with different values");
    return QStringLiteral("changed in both differently");
}

// The comment lines of each section (by folded name; the lines before the first header under
// a name no section has), counted by their trimmed text.
QHash<QString, QHash<QString, int>> CommentLines(const QByteArray& bytes) {
    QHash<QString, QHash<QString, int>> comments;
    const QString text = CTextCodec::DecodeBytes(bytes).text;
    QString section = QStringLiteral("\n");
    for (QStringView line : QStringView(text).tokenize(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        const ProfileSyntax::Line parsed = ProfileSyntax::Parse(line);
        if (parsed.kind == ProfileSyntax::Kind::Header)
            section = Text::FoldCase(parsed.name);
        else if (parsed.kind == ProfileSyntax::Kind::Comment)
            ++comments[section][ProfileSyntax::TrimBlanks(line).toString()];
    }
    return comments;
}

} // namespace

CIniMerge::CIniMerge(std::unique_ptr<CIniData> base, std::unique_ptr<CIniData> ours,
                     std::unique_ptr<CIniData> theirs)
    : m_pBase(std::move(base)), m_pOurs(std::move(ours)), m_pTheirs(std::move(theirs)),
      m_base(m_pBase.get()), m_ours(m_pOurs.get()), m_theirs(m_pTheirs.get()) {}

CIniMerge::CIniMerge(CIniData& base, CIniData& ours, CIniData& theirs)
    : m_base(&base), m_ours(&ours), m_theirs(&theirs) {}

CIniMerge::~CIniMerge() = default;

void CIniMerge::Merge(const CanHold& canHold) {
    m_canHold = canHold;
    // Ours' list changes while it is merged (sections theirs removed go), so walk a copy.
    std::vector<CIniSectionData*> oursSections;
    for (const auto& section : m_ours->m_sections)
        oursSections.push_back(section.get());
    std::vector<CIniSectionData*> theirsOnly;
    for (const auto& section : m_theirs->m_sections) {
        if (m_ours->FindSection(section->m_name, false) == nullptr)
            theirsOnly.push_back(section.get());
    }
    for (CIniSectionData* section : oursSections)
        MergeSection(section);
    for (CIniSectionData* section : theirsOnly)
        MergeSectionOnlyInTheirs(section);
}

void CIniMerge::MergeSection(CIniSectionData* ours) {
    const CIniSectionData* base = m_base->FindSection(ours->m_name, false);
    const CIniSectionData* theirs = m_theirs->FindSection(ours->m_name, false);
    if (theirs == nullptr && base == nullptr)
        return; // only ours added it
    const auto find = [](const CIniSectionData* section, const CIniEntryData& like) {
        return section ? section->FindEntryLike(like) : nullptr;
    };
    bool agreed = true;
    std::vector<CIniEntryData*> oursEntries;
    for (const auto& entry : ours->m_entries)
        oursEntries.push_back(entry.get());
    for (CIniEntryData* entry : oursEntries) {
        const Sides sides{find(base, *entry), entry, find(theirs, *entry)};
        if (theirs == nullptr && sides.base == nullptr) {
            AddConflict(ours->m_name, entry->Key(), sides,
                        QStringLiteral("added in ours to a section removed in theirs"));
            agreed = false;
            continue;
        }
        agreed = MergeKey(sides, ours->m_name, ours) && agreed;
    }
    if (theirs != nullptr) {
        for (const auto& entry : theirs->m_entries) {
            // Ours' own keys were decided above, by the first of theirs that pairs with them.
            if (Same(find(ours, *entry), nullptr) && theirs->FindEntryLike(*entry) == entry.get()) {
                const Sides sides{find(base, *entry), nullptr, entry.get()};
                agreed = MergeKey(sides, ours->m_name, ours) && agreed;
            }
        }
        return;
    }
    // Theirs removed the section: it goes as a whole when nothing of ours is left in it.
    if (agreed && ours->m_entries.empty()) {
        if (oursEntries.empty())
            ++m_taken;
        m_removedSections.push_back(m_ours->RemoveSectionFromFile(ours));
    }
}

void CIniMerge::MergeSectionOnlyInTheirs(CIniSectionData* theirs) {
    const CIniSectionData* base = m_base->FindSection(theirs->m_name, false);
    if (theirs->m_entries.empty()) {
        // Ours removed it, or theirs added it without keys: a line of its own is no key the
        // writer could write.
        if (base == nullptr)
            AddConflict(theirs->m_name, QString(), Sides{},
                        QStringLiteral("added in theirs without keys, which cannot be written"));
        return;
    }
    for (const auto& entry : theirs->m_entries) {
        if (theirs->FindEntryLike(*entry) != entry.get())
            continue;
        const Sides sides{base ? base->FindEntryLike(*entry) : nullptr, nullptr, entry.get()};
        // Ours removed the section: whatever theirs changed in it has lost its place.
        if (base != nullptr && !Same(sides.theirs, sides.base))
            AddConflict(theirs->m_name, entry->Key(), sides,
                        QStringLiteral("changed in theirs in a section removed in ours"));
        else if (base == nullptr)
            MergeKey(sides, theirs->m_name, nullptr);
    }
}

bool CIniMerge::MergeKey(const Sides& sides, const QString& sectionName, CIniSectionData* ours) {
    if (Same(sides.ours, sides.theirs) || Same(sides.theirs, sides.base))
        return true; // they agree, or only ours changed it
    if (!Same(sides.ours, sides.base)) {
        AddConflict(sectionName, sides.ours ? sides.ours->Key() : sides.theirs->Key(), sides,
                    ConflictReason(sides.base, sides.ours, sides.theirs));
        return false;
    }
    // Only theirs changed it.
    if (sides.theirs == nullptr) {
        m_removedEntries.push_back(m_ours->RemoveEntryFromFile(sides.ours));
        ++m_taken;
        return true;
    }
    const QString& key = sides.ours ? sides.ours->Key() : sides.theirs->Key();
    if (!Fits(sectionName, key, sides.theirs->Value(),
              ours == nullptr && m_ours->FindSection(sectionName, false) == nullptr)) {
        AddConflict(sectionName, key, sides,
                    QStringLiteral("the encoding of ours cannot hold theirs' text"));
        return false;
    }
    if (sides.ours != nullptr)
        sides.ours->SetValue(sides.theirs->Value());
    else if (ours != nullptr)
        ours->AddEntry(key, sides.theirs->Value())->m_isAdded = true;
    else
        m_ours->AddEntry(sectionName, key, sides.theirs->Value());
    ++m_taken;
    return true;
}

bool CIniMerge::Fits(const QString& sectionName, const QString& key, const QString& value,
                     bool newSection) const {
    if (!m_canHold)
        return true;
    if (!m_canHold(key + u'=' + value))
        return false;
    return !newSection || m_canHold(u'[' + sectionName + u']');
}

void CIniMerge::AddConflict(const QString& sectionName, const QString& key, const Sides& sides,
                            const QString& reason) {
    m_conflicts.push_back({sectionName, key, ValueOf(sides.base), ValueOf(sides.ours),
                           ValueOf(sides.theirs), reason});
}

int CIniMerge::CountCommentChanges(const QByteArray& base, const QByteArray& theirs) {
    const auto before = CommentLines(base);
    const auto after = CommentLines(theirs);
    int changed = 0;
    const auto countMissing = [&changed](const auto& from, const auto& in) {
        for (auto section = from.cbegin(); section != from.cend(); ++section) {
            const QHash<QString, int> other = in.value(section.key());
            for (auto line = section->cbegin(); line != section->cend(); ++line)
                changed += std::max(0, line.value() - other.value(line.key()));
        }
    };
    countMissing(after, before);
    countMissing(before, after);
    return changed;
}
