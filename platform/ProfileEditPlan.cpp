#include "ProfileEditPlan.h"

#include "ProfileEditRules.h"
#include "ProfileSyntax.h"
#include "TextLines.h"
#include "TextUtil.h"
#include "WorkProgress.h"

#include <algorithm>

namespace {

using ProfileSyntax::Kind;

// How a line reads, judged by its first unit that is not a blank, which is always a whole
// character: what comes before it is ASCII. Entry and Text both count as Entry here; a NUL
// ends the line's text, so a line that starts with one is blank.
Kind RoughKind(unsigned first) {
    switch (first) {
    case 0:
        return Kind::Blank;
    case ';':
        return Kind::Comment;
    case '[':
        return Kind::Header;
    default:
        return Kind::Entry;
    }
}

// The first line of a name wins: later ones leave the hash as it is.
template <class Value>
void InsertFirst(QHash<QString, Value>& hash, const QString& key, Value value) {
    if (!hash.contains(key))
        hash.insert(key, value);
}

// A hash of text as Text::FoldCase folds it, without making the folded string: equal for names
// that Text::EqualNoCase finds equal.
size_t FoldedHash(QStringView text) {
    const bool japanese = Text::IsJapaneseLocale();
    size_t hash = 14695981039346656037ULL;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i++].unicode();
        if (QChar::isHighSurrogate(c) && i < text.size() && text[i].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[i++].unicode());
        if (c < 0x80)
            c = (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
        else if (japanese)
            c = QChar::toLower(c);
        hash = (hash ^ c) * 1099511628211ULL;
    }
    return hash;
}

bool CountsAsEntry(Kind kind) {
    return kind == Kind::Entry || kind == Kind::Text;
}

} // namespace

CProfileEditPlan::CProfileEditPlan(const QByteArray& bytes)
    : m_bytes(bytes), m_encoding(CTextCodec::Detect(bytes)), m_codec(m_encoding),
      m_unit(m_codec.unitSize()) {
    m_payload = QByteArrayView(m_bytes).sliced(CTextCodec::Bom(m_encoding).size());
    const CTextCodec::LineEnd lineEnd = CTextCodec::DominantLineEnd(m_payload, m_encoding);
    // Damaged UTF-16 is refused by every edit; lone CRs are left to the one-key edit.
    if (m_payload.size() % m_unit != 0 || lineEnd == CTextCodec::LineEnd::Cr) {
        m_supported = false;
        return;
    }
    m_codec.encode(CTextCodec::LineEndText(lineEnd), m_lineEnd);
    m_lastLine.begin = -1;
    split();
    // A CP932 file is one that is no UTF-8 somewhere, and only inside a line can it fail.
    if (m_encoding == CTextCodec::Encoding::Cp932 && m_invalidLines == 0)
        m_supported = false;
}

void CProfileEditPlan::split() {
    const qsizetype size = m_payload.size();
    // Every byte of the file passes here: one-byte text is read straight from memory.
    const auto* bytes = reinterpret_cast<const unsigned char*>(m_payload.data());
    const auto unitAt = [this, bytes](qsizetype at) {
        return m_unit == 1 ? unsigned(bytes[at])
                           : ProfileEditRules::UnitAt(m_payload, at, m_encoding);
    };
    const bool checkUtf8 = m_encoding == CTextCodec::Encoding::Cp932;
    Section* section = nullptr;
    // A save of a large file shows how far it has come, in the pieces a load reports in.
    constexpr qsizetype kStepBytes = 64 * 1024;
    for (qsizetype begin = 0, nextStep = 0; begin < size;) {
        if (begin >= nextStep) {
            CWorkProgress::Step(begin, size);
            nextStep = begin + kStepBytes;
        }
        qsizetype end = begin;
        unsigned first = 0;
        bool blank = true;
        for (; end < size; end += m_unit) {
            const unsigned u = unitAt(end);
            if (u == '\n' || u == '\r')
                break;
            if (blank && u != ' ' && u != '\t' && u != '\v') {
                first = u;
                blank = false;
            }
        }
        qsizetype next = end;
        if (next < size) {
            const bool cr = unitAt(next) == '\r';
            next += m_unit;
            if (cr && next < size && unitAt(next) == '\n')
                next += m_unit;
        }
        const Ref line{-1, begin, end, next};
        const QByteArrayView text = m_payload.sliced(begin, end - begin);
        if (checkUtf8 && !CTextCodec::IsValidUtf8(text))
            ++m_invalidLines;
        const Kind kind = blank ? Kind::Blank : RoughKind(first);
        if (kind == Kind::Header) {
            const QString decoded = m_codec.decode(text);
            const ProfileSyntax::Line parsed = ProfileSyntax::Parse(decoded);
            if (section)
                section->bodyEnd = begin;
            section = &m_sections.emplace_back();
            section->header = section->lastEntry = line;
            section->bodyBegin = next;
            section->bodyEnd = size;
            InsertFirst(m_sectionByName, Text::FoldCase(parsed.name), int(m_sections.size() - 1));
        } else if (section && CountsAsEntry(kind)) {
            section->lastEntry = line;
        }
        m_lastLine = line;
        begin = next;
    }
}

void CProfileEditPlan::readKeys(Section& section) {
    if (section.keysRead)
        return;
    section.keysRead = true;
    const qsizetype base = section.bodyBegin;
    CTextLines lines(m_payload.sliced(base, section.bodyEnd - base), m_encoding);
    CTextLines::Line line;
    while (lines.next(line)) {
        const ProfileSyntax::Line parsed = ProfileSyntax::Parse(line.text);
        if (parsed.kind == Kind::Entry)
            section.keys.push_back({FoldedHash(parsed.name),
                                    Ref{-1, base + line.begin, base + line.end, base + line.next}});
    }
    std::stable_sort(section.keys.begin(), section.keys.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
}

bool CProfileEditPlan::keyIs(const Ref& ref, QStringView key) const {
    const QString text = m_codec.decode(textOf(ref));
    return Text::EqualNoCase(ProfileSyntax::Parse(text).name, key);
}

const CProfileEditPlan::Ref* CProfileEditPlan::findKey(Section& section, QStringView key) {
    readKeys(section);
    const size_t hash = FoldedHash(key);
    auto it = std::lower_bound(section.keys.begin(), section.keys.end(), hash,
                               [](const auto& entry, size_t h) { return entry.first < h; });
    for (; it != section.keys.end() && it->first == hash; ++it) {
        if (keyIs(it->second, key))
            return &it->second;
    }
    const auto added = section.addedKeys.constFind(Text::FoldCase(key));
    return added == section.addedKeys.cend() ? nullptr : &*added;
}

int CProfileEditPlan::findSection(QStringView name) {
    // A save's changes come in model order, section after section: most ask for the section
    // the one before asked for. A section found stays the first of its name, as later sections
    // never replace it.
    if (m_lastSection >= 0 && name == m_lastSectionName)
        return m_lastSection;
    const auto found = m_sectionByName.constFind(Text::FoldCase(name));
    if (found == m_sectionByName.cend())
        return -1;
    m_lastSectionName = name.toString();
    m_lastSection = *found;
    return m_lastSection;
}

QByteArrayView CProfileEditPlan::textOf(const Ref& ref) const {
    if (ref.added >= 0)
        return m_added[ref.added].text;
    const auto changed = m_changed.find(ref.begin);
    if (changed != m_changed.end())
        return changed->second.text;
    return m_payload.sliced(ref.begin, ref.end - ref.begin);
}

bool CProfileEditPlan::hasBreak(const Ref& ref) const {
    if (ref.added >= 0)
        return true;
    const auto changed = m_changed.find(ref.begin);
    if (changed != m_changed.end())
        return !changed->second.lineBreak.isEmpty();
    return ref.next > ref.end;
}

bool CProfileEditPlan::endsWithBreak() const {
    if (!m_tail.empty() || m_lastLine.begin < 0)
        return true;
    const auto after = m_after.find(m_lastLine.begin);
    return (after != m_after.end() && !after->second.lines.empty()) || hasBreak(m_lastLine);
}

bool CProfileEditPlan::isInvalidUtf8(const Ref& ref) const {
    if (m_encoding != CTextCodec::Encoding::Cp932)
        return false;
    if (ref.added < 0) {
        const auto changed = m_changed.find(ref.begin);
        if (changed != m_changed.end())
            return changed->second.invalidUtf8;
    }
    return !CTextCodec::IsValidUtf8(textOf(ref));
}

void CProfileEditPlan::countValidity(bool wasInvalid, const QByteArray& text) {
    if (m_encoding != CTextCodec::Encoding::Cp932)
        return;
    m_invalidLines += qsizetype(!CTextCodec::IsValidUtf8(text)) - qsizetype(wasInvalid);
}

void CProfileEditPlan::setText(const Ref& ref, QByteArray text, bool addBreak) {
    countValidity(isInvalidUtf8(ref), text);
    if (ref.added >= 0) {
        m_added[ref.added].text = std::move(text);
        return;
    }
    QByteArray lineBreak;
    const auto old = m_changed.find(ref.begin);
    if (old != m_changed.end())
        lineBreak = old->second.lineBreak;
    else
        lineBreak = m_payload.sliced(ref.end, ref.next - ref.end).toByteArray();
    if (addBreak && lineBreak.isEmpty())
        lineBreak = m_lineEnd;
    Changed& changed = m_changed[ref.begin];
    changed.end = ref.end;
    changed.next = ref.next;
    changed.invalidUtf8 =
        m_encoding == CTextCodec::Encoding::Cp932 && !CTextCodec::IsValidUtf8(text);
    changed.text = std::move(text);
    changed.lineBreak = std::move(lineBreak);
}

CProfileEditPlan::Ref CProfileEditPlan::insertAfter(const Ref& anchor, QByteArray text) {
    countValidity(false, text);
    const int id = int(m_added.size());
    std::vector<int>* lines;
    std::vector<int>::iterator at;
    qsizetype group;
    if (anchor.added >= 0) {
        group = m_added[anchor.added].group;
        lines = group == kTail ? &m_tail : &m_after[group].lines;
        at = std::find(lines->begin(), lines->end(), anchor.added) + 1;
    } else {
        group = anchor.begin;
        AddedAfter& after = m_after[group];
        after.next = anchor.next;
        lines = &after.lines;
        at = lines->begin();
    }
    lines->insert(at, id);
    m_added.push_back({std::move(text), group});
    return Ref{id};
}

CProfileEditPlan::Ref CProfileEditPlan::appendAtEnd(QByteArray text) {
    countValidity(false, text);
    const int id = int(m_added.size());
    m_tail.push_back(id);
    m_added.push_back({std::move(text), kTail});
    return Ref{id};
}

CProfileEditPlan::Outcome CProfileEditPlan::apply(QStringView sectionArg, QStringView keyArg,
                                                  QStringView value, QString& reason) {
    if (!m_supported)
        return Outcome::Unsupported;
    const QStringView section = ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(sectionArg));
    const QStringView key = ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(keyArg));
    value = ProfileSyntax::CutAtNul(value);
    if (!ProfileEditRules::KeepsOneLine(section, key, value)) {
        reason = ProfileEditRules::StructureReason();
        return Outcome::Refused;
    }
    const auto refuseEncoding = [&] {
        reason = ProfileEditRules::EncodingReason(m_encoding);
        return Outcome::Refused;
    };
    const auto applied = [this] {
        return m_encoding == CTextCodec::Encoding::Cp932 && m_invalidLines == 0
                   ? Outcome::AppliedReread
                   : Outcome::Applied;
    };

    QString entryText = key.toString();
    entryText += u'=';
    entryText += value;
    const ProfileSyntax::Line entry = ProfileSyntax::Parse(entryText);
    if (const int found = findSection(section); found >= 0) {
        Section& target = m_sections[size_t(found)];
        if (const Ref* keyLine = findKey(target, key)) {
            const QByteArrayView old = textOf(*keyLine);
            if (ProfileEditRules::ValueReadsAs(old, m_encoding, value))
                return applied();
            QByteArray encoded;
            if (!m_codec.encode(value, encoded))
                return refuseEncoding();
            QByteArray text =
                old.first(ProfileEditRules::ValueStart(old, m_encoding)).toByteArray();
            text += encoded;
            setText(*keyLine, std::move(text), true);
            return applied();
        }
        if (entry.kind == Kind::Header)
            return Outcome::Unsupported; // the added line would start a section of its own
        QByteArray encoded;
        if (!m_codec.encode(entryText, encoded))
            return refuseEncoding();
        const Ref anchor = target.lastEntry;
        if (!hasBreak(anchor))
            setText(anchor, textOf(anchor).toByteArray(), true);
        const Ref added = insertAfter(anchor, std::move(encoded));
        if (CountsAsEntry(entry.kind))
            target.lastEntry = added;
        if (entry.kind == Kind::Entry)
            InsertFirst(target.addedKeys, Text::FoldCase(entry.name), added);
        return applied();
    }

    if (entry.kind == Kind::Header)
        return Outcome::Unsupported;
    const QString headerText = u'[' + section.toString() + u']';
    QByteArray header, encoded;
    if (!m_codec.encode(headerText, header) || !m_codec.encode(entryText, encoded))
        return refuseEncoding();
    if (!endsWithBreak())
        setText(m_lastLine, textOf(m_lastLine).toByteArray(), true);
    Section added;
    added.header = appendAtEnd(std::move(header));
    added.lastEntry = added.header;
    added.keysRead = true;
    const Ref line = appendAtEnd(std::move(encoded));
    if (CountsAsEntry(entry.kind))
        added.lastEntry = line;
    if (entry.kind == Kind::Entry)
        added.addedKeys.insert(Text::FoldCase(entry.name), line);
    m_sections.push_back(std::move(added));
    InsertFirst(m_sectionByName, Text::FoldCase(ProfileSyntax::Parse(headerText).name),
                int(m_sections.size() - 1));
    return applied();
}

QByteArray CProfileEditPlan::bytes() const {
    if (m_changed.empty() && m_added.empty())
        return m_bytes;
    QByteArray out;
    qsizetype extra = 0;
    for (const Added& line : m_added)
        extra += line.text.size() + m_lineEnd.size();
    for (const auto& [begin, line] : m_changed)
        extra += line.text.size() + line.lineBreak.size();
    out.reserve(m_bytes.size() + extra);
    out.append(QByteArrayView(m_bytes).first(m_bytes.size() - m_payload.size()));
    qsizetype copied = 0;
    auto changed = m_changed.begin();
    auto after = m_after.begin();
    while (changed != m_changed.end() || after != m_after.end()) {
        const qsizetype at = changed == m_changed.end() ? after->first
                             : after == m_after.end()   ? changed->first
                                                        : std::min(changed->first, after->first);
        if (changed != m_changed.end() && changed->first == at) {
            out.append(m_payload.sliced(copied, at - copied));
            out.append(changed->second.text).append(changed->second.lineBreak);
            copied = changed->second.next;
            ++changed;
        }
        if (after != m_after.end() && after->first == at) {
            out.append(m_payload.sliced(copied, after->second.next - copied));
            copied = after->second.next;
            for (const int id : after->second.lines)
                out.append(m_added[id].text).append(m_lineEnd);
            ++after;
        }
    }
    out.append(m_payload.sliced(copied));
    for (const int id : m_tail)
        out.append(m_added[id].text).append(m_lineEnd);
    return out;
}
