#include "ProfileEditPlan.h"

#include "ProfileEditRules.h"
#include "ProfileSyntax.h"
#include "TextScan.h"
#include "TextUtil.h"
#include "WorkProgress.h"

#include <algorithm>
#include <cstring>

namespace {

using ProfileSyntax::Kind;

// The first line of a name wins: later ones leave the hash as it is.
template <class Value>
void InsertFirst(QHash<QString, Value>& hash, const QString& key, Value value) {
    if (!hash.contains(key))
        hash.insert(key, value);
}

// One character more of the hash FoldedHash makes.
size_t MixFolded(size_t hash, char32_t c, bool japanese) {
    if (c < 0x80)
        c = (c >= U'A' && c <= U'Z') ? c + (U'a' - U'A') : c;
    else if (japanese)
        c = QChar::toLower(c);
    return (hash ^ c) * 1099511628211ULL;
}
constexpr size_t kHashSeed = 14695981039346656037ULL;

// A hash of text as Text::FoldCase folds it, without making the folded string: equal for names
// that Text::EqualNoCase finds equal.
size_t FoldedHash(QStringView text) {
    const bool japanese = Text::IsJapaneseLocale();
    size_t hash = kHashSeed;
    for (qsizetype i = 0; i < text.size();) {
        char32_t c = text[i++].unicode();
        if (QChar::isHighSurrogate(c) && i < text.size() && text[i].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[i++].unicode());
        hash = MixFolded(hash, c, japanese);
    }
    return hash;
}

bool CountsAsEntry(Kind kind) {
    return kind == Kind::Entry || kind == Kind::Text;
}

bool IsBlankUnit(unsigned u) {
    return u == ' ' || u == '\t' || u == '\v';
}

// The 32 bits of a key's hash that the plan keeps.
quint32 ShortHash(size_t hash) {
    return quint32(hash ^ (hash >> 32));
}

// The slot of a hash in an open-addressing table of `mask` + 1 slots.
size_t SlotOf(quint32 hash, size_t mask) {
    return (hash ^ (hash >> 15)) & mask;
}

} // namespace

CProfileEditPlan::CProfileEditPlan(const QByteArray& bytes)
    : m_bytes(bytes), m_encoding(CTextCodec::Detect(bytes)), m_codec(m_encoding),
      m_unit(m_codec.unitSize()), m_bigEndian(m_encoding == CTextCodec::Encoding::Utf16BE) {
    m_payload = QByteArrayView(m_bytes).sliced(CTextCodec::Bom(m_encoding).size());
    // Damaged UTF-16 is refused by every edit.
    if (m_payload.size() % m_unit != 0) {
        m_supported = false;
        return;
    }
    findLastLine();
    findHeaders();
    // A CP932 file is one that is no UTF-8 somewhere, and only inside a line can it fail.
    if (m_encoding == CTextCodec::Encoding::Cp932) {
        findInvalidOriginal();
        if (m_invalidOriginal < 0)
            m_supported = false;
    }
}

CProfileEditPlan::Ref CProfileEditPlan::lineAround(qsizetype at, qsizetype from) const {
    const qsizetype size = m_payload.size();
    qsizetype begin = at;
    while (begin > from && !isBreak(begin - m_unit))
        begin -= m_unit;
    const qsizetype end = breakFrom(at, size);
    return Ref{-1, begin, end, pastBreak(end)};
}

qsizetype CProfileEditPlan::breakFrom(qsizetype from, qsizetype stop) const {
    if (m_unit == 1)
        return TextScan::FindBreak(m_payload.first(stop), from);
    while (from < stop && !isBreak(from))
        from += m_unit;
    return from;
}

void CProfileEditPlan::findLastLine() {
    const qsizetype size = m_payload.size();
    m_lastLine.begin = -1;
    if (size == 0)
        return;
    qsizetype end = size;
    if (unitAt(end - m_unit) == '\n') {
        end -= m_unit;
        if (end > 0 && unitAt(end - m_unit) == '\r')
            end -= m_unit;
    } else if (unitAt(end - m_unit) == '\r') {
        end -= m_unit;
    }
    const Ref line = lineAround(end, 0);
    m_lastLine = Ref{-1, line.begin, end, size};
}

void CProfileEditPlan::findHeaders() {
    const qsizetype size = m_payload.size();
    const char* const data = m_payload.data();
    // '[' is one byte in UTF-8 and CP932, where it can also be the second byte of a character:
    // the blanks or the line break before it tell. In UTF-16 it is the unit 5B 00 or 00 5B.
    const qsizetype bracketByte = m_encoding == CTextCodec::Encoding::Utf16BE ? 1 : 0;
    // A save of a large file shows how far it has come, in the pieces a load reports in.
    constexpr qsizetype kStepBytes = 64 * 1024;
    for (qsizetype from = 0, nextStep = 0; from < size;) {
        if (from >= nextStep) {
            CWorkProgress::Step(from, size);
            nextStep = from + kStepBytes;
        }
        const qsizetype stop = std::min(size, nextStep);
        const void* hit = std::memchr(data + from, '[', size_t(stop - from));
        if (hit == nullptr) {
            from = stop;
            continue;
        }
        const qsizetype byte = static_cast<const char*>(hit) - data;
        from = byte + 1;
        const qsizetype at = byte - bracketByte;
        if (at < 0 || at % m_unit != 0 || unitAt(at) != '[')
            continue;
        qsizetype begin = at;
        while (begin > 0 && IsBlankUnit(unitAt(begin - m_unit)))
            begin -= m_unit;
        if (begin > 0 && !isBreak(begin - m_unit))
            continue;
        const Ref line = lineAround(at, begin);
        addHeader(line);
        from = line.next;
    }
}

void CProfileEditPlan::addHeader(const Ref& line) {
    const QString decoded = m_codec.decode(m_payload.sliced(line.begin, line.end - line.begin));
    const ProfileSyntax::Line parsed = ProfileSyntax::Parse(decoded);
    if (!m_sections.empty())
        m_sections.back().bodyEnd = line.begin;
    Section& section = m_sections.emplace_back();
    section.header = section.lastEntry = line;
    section.bodyBegin = section.readTo = line.next;
    section.bodyEnd = m_payload.size();
    InsertFirst(m_sectionByName, Text::FoldCase(parsed.name), int(m_sections.size() - 1));
}

std::optional<CProfileEditPlan::Ref> CProfileEditPlan::readKeys(Section& section, quint32 wanted,
                                                                QStringView key) {
    const qsizetype stop = section.bodyEnd;
    if (section.keys.empty())
        section.keys.reserve(size_t((stop - section.bodyBegin) / (8 * m_unit)));
    for (qsizetype at = section.readTo; at < stop;) {
        // As ProfileSyntax reads the line, on its units: blanks, ';', '=' and NUL are ASCII and
        // never part of a character of more units.
        qsizetype keyBegin = at;
        while (keyBegin < stop && IsBlankUnit(unitAt(keyBegin)))
            keyBegin += m_unit;
        // The key runs to the first '=', NUL (which ends the text) or break, hashed on the way
        // while it is ASCII, the usual kind of key; past it only the break counts.
        size_t hash = kHashSeed, trimmed = kHashSeed;
        bool ascii = true;
        qsizetype end = keyBegin, eq = -1;
        for (; end < stop; end += m_unit) {
            const unsigned u = unitAt(end);
            if (u == '\n' || u == '\r' || u == '=' || u == 0)
                break;
            if (u >= 0x80) {
                ascii = false;
                continue;
            }
            hash = MixFolded(hash, char32_t(u), false);
            if (!IsBlankUnit(u))
                trimmed = hash; // blanks before the '=' are no part of the key
        }
        if (end < stop && !isBreak(end)) {
            if (unitAt(end) == '=')
                eq = end;
            end = breakFrom(end, stop);
        }
        const qsizetype begin = at;
        at = pastBreak(end);
        const unsigned first = keyBegin < end ? unitAt(keyBegin) : 0;
        if (first == 0 || first == ';' || first == '[')
            continue; // blank or comment; a header never comes inside a section
        Ref& last = section.lastEntry;
        last.begin = begin;
        last.end = end;
        last.next = at;
        if (eq < 0)
            continue;
        const quint32 keyHash = ShortHash(ascii ? trimmed : decodedKeyHash(begin, end));
        section.keys.push_back({keyHash, quint32(begin), -1});
        indexKey(section, int(section.keys.size() - 1));
        if (keyHash == wanted && keyIs(last, key)) {
            section.readTo = at;
            return last;
        }
    }
    section.readTo = stop;
    section.keysRead = true;
    return std::nullopt;
}

size_t CProfileEditPlan::decodedKeyHash(qsizetype begin, qsizetype end) const {
    const QString text = m_codec.decode(m_payload.sliced(begin, end - begin));
    return FoldedHash(ProfileSyntax::Parse(text).name);
}

void CProfileEditPlan::indexKey(Section& section, int key) {
    std::vector<Key>& keys = section.keys;
    // At most half full, so that a probe ends soon; a larger table takes every key anew.
    if (2 * keys.size() > section.firstOfHash.size()) {
        size_t slotCount = 16;
        while (slotCount < 4 * keys.size())
            slotCount *= 2;
        section.firstOfHash.assign(slotCount, -1);
        section.lastOfHash.assign(slotCount, -1);
        for (int i = 0; i < key; ++i) {
            keys[size_t(i)].nextSameHash = -1;
            indexKey(section, i);
        }
    }
    const size_t mask = section.firstOfHash.size() - 1;
    const quint32 hash = keys[size_t(key)].hash;
    size_t slot = SlotOf(hash, mask);
    while (section.firstOfHash[slot] >= 0 && keys[size_t(section.firstOfHash[slot])].hash != hash)
        slot = (slot + 1) & mask;
    if (section.firstOfHash[slot] < 0)
        section.firstOfHash[slot] = key;
    else
        keys[size_t(section.lastOfHash[slot])].nextSameHash = key;
    section.lastOfHash[slot] = key;
}

bool CProfileEditPlan::keyIs(const Ref& ref, QStringView key) const {
    const QString text = m_codec.decode(textOf(ref));
    return Text::EqualNoCase(ProfileSyntax::Parse(text).name, key);
}

std::optional<CProfileEditPlan::Ref> CProfileEditPlan::findKey(Section& section, QStringView key) {
    const quint32 hash = ShortHash(FoldedHash(key));
    // The lines read so far; a section the plan added has none and no table.
    const std::vector<int>& table = section.firstOfHash;
    const size_t mask = table.size() - 1;
    for (size_t slot = SlotOf(hash, mask); !table.empty() && table[slot] >= 0;
         slot = (slot + 1) & mask) {
        int i = table[slot];
        if (section.keys[size_t(i)].hash != hash)
            continue;
        for (; i >= 0; i = section.keys[size_t(i)].nextSameHash) {
            const qsizetype begin = section.keys[size_t(i)].begin;
            const Ref line = lineAround(begin, begin);
            if (keyIs(line, key))
                return line;
        }
        break;
    }
    // Then the lines after them, read only as far as the key.
    if (!section.keysRead) {
        if (std::optional<Ref> line = readKeys(section, hash, key))
            return line;
    }
    const auto added = section.addedKeys.constFind(Text::FoldCase(key));
    if (added == section.addedKeys.cend())
        return std::nullopt;
    return *added;
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

bool CProfileEditPlan::knowLineEnd() {
    if (!m_lineEndKnown) {
        m_lineEndKnown = true;
        const CTextCodec::LineEnd lineEnd = CTextCodec::DominantLineEnd(m_payload, m_encoding);
        if (lineEnd != CTextCodec::LineEnd::Cr)
            m_codec.encode(CTextCodec::LineEndText(lineEnd), m_lineEnd);
    }
    return !m_lineEnd.isEmpty();
}

bool CProfileEditPlan::endsWithBreak() const {
    if (!m_tail.empty() || m_lastLine.begin < 0)
        return true;
    const auto after = m_after.find(m_lastLine.begin);
    return (after != m_after.end() && !after->second.lines.empty()) || hasBreak(m_lastLine);
}

bool CProfileEditPlan::isInvalidUtf8(const QByteArray& text) const {
    return m_encoding == CTextCodec::Encoding::Cp932 && !CTextCodec::IsValidUtf8(text);
}

void CProfileEditPlan::findInvalidOriginal() {
    m_invalidOriginal = -1;
    const qsizetype size = m_payload.size();
    while (m_checkedUtf8 < size) {
        const qsizetype bad = TextScan::FirstInvalidUtf8(m_payload.sliced(m_checkedUtf8));
        if (bad < 0) {
            m_checkedUtf8 = size;
            return;
        }
        const Ref line = lineAround(m_checkedUtf8 + bad, m_checkedUtf8);
        m_checkedUtf8 = line.next;
        if (m_changed.find(line.begin) == m_changed.end()) {
            m_invalidOriginal = line.begin;
            return;
        }
    }
}

void CProfileEditPlan::setText(const Ref& ref, QByteArray text, bool addBreak) {
    const bool invalid = isInvalidUtf8(text);
    if (ref.added >= 0) {
        Added& added = m_added[size_t(ref.added)];
        m_invalidOwn += qsizetype(invalid) - qsizetype(isInvalidUtf8(added.text));
        added.text = std::move(text);
        return;
    }
    QByteArray lineBreak;
    const auto old = m_changed.find(ref.begin);
    if (old != m_changed.end()) {
        lineBreak = old->second.lineBreak;
        m_invalidOwn -= qsizetype(old->second.invalidUtf8);
    } else {
        lineBreak = m_payload.sliced(ref.end, ref.next - ref.end).toByteArray();
    }
    if (addBreak && lineBreak.isEmpty())
        lineBreak = m_lineEnd;
    Changed& changed = m_changed[ref.begin];
    changed.end = ref.end;
    changed.next = ref.next;
    changed.invalidUtf8 = invalid;
    changed.text = std::move(text);
    changed.lineBreak = std::move(lineBreak);
    m_invalidOwn += qsizetype(invalid);
    // The line is no longer the original one that kept the text from being UTF-8.
    if (ref.begin == m_invalidOriginal)
        findInvalidOriginal();
}

CProfileEditPlan::Ref CProfileEditPlan::insertAfter(const Ref& anchor, QByteArray text) {
    m_invalidOwn += qsizetype(isInvalidUtf8(text));
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
    m_invalidOwn += qsizetype(isInvalidUtf8(text));
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
        return m_encoding == CTextCodec::Encoding::Cp932 && !isStillCp932() ? Outcome::AppliedReread
                                                                            : Outcome::Applied;
    };

    QString entryText = key.toString();
    entryText += u'=';
    entryText += value;
    const ProfileSyntax::Line entry = ProfileSyntax::Parse(entryText);
    if (const int found = findSection(section); found >= 0) {
        Section& target = m_sections[size_t(found)];
        if (const std::optional<Ref> keyLine = findKey(target, key)) {
            const QByteArrayView old = textOf(*keyLine);
            if (ProfileEditRules::ValueReadsAs(old, m_encoding, value))
                return applied();
            QByteArray encoded;
            if (!m_codec.encode(value, encoded))
                return refuseEncoding();
            if (!hasBreak(*keyLine) && !knowLineEnd())
                return Outcome::Unsupported;
            QByteArray text =
                old.first(ProfileEditRules::ValueStart(old, m_encoding)).toByteArray();
            text += encoded;
            setText(*keyLine, std::move(text), true);
            return applied();
        }
        if (entry.kind == Kind::Header || !knowLineEnd())
            return Outcome::Unsupported; // a section of its own, or lines ending in lone CRs
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

    if (entry.kind == Kind::Header || !knowLineEnd())
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

std::vector<QByteArrayView> CProfileEditPlan::pieces() const {
    std::vector<QByteArrayView> out;
    out.reserve(2 + 3 * (m_changed.size() + m_after.size()) + 2 * m_added.size());
    out.push_back(QByteArrayView(m_bytes).first(m_bytes.size() - m_payload.size()));
    qsizetype copied = 0;
    auto changed = m_changed.begin();
    auto after = m_after.begin();
    while (changed != m_changed.end() || after != m_after.end()) {
        const qsizetype at = changed == m_changed.end() ? after->first
                             : after == m_after.end()   ? changed->first
                                                        : std::min(changed->first, after->first);
        if (changed != m_changed.end() && changed->first == at) {
            out.push_back(m_payload.sliced(copied, at - copied));
            out.push_back(changed->second.text);
            out.push_back(changed->second.lineBreak);
            copied = changed->second.next;
            ++changed;
        }
        if (after != m_after.end() && after->first == at) {
            out.push_back(m_payload.sliced(copied, after->second.next - copied));
            copied = after->second.next;
            for (const int id : after->second.lines) {
                out.push_back(m_added[size_t(id)].text);
                out.push_back(m_lineEnd);
            }
            ++after;
        }
    }
    out.push_back(m_payload.sliced(copied));
    for (const int id : m_tail) {
        out.push_back(m_added[size_t(id)].text);
        out.push_back(m_lineEnd);
    }
    return out;
}

QByteArray CProfileEditPlan::bytes() const {
    if (m_changed.empty() && m_added.empty())
        return m_bytes;
    const std::vector<QByteArrayView> parts = pieces();
    qsizetype size = 0;
    for (const QByteArrayView part : parts)
        size += part.size();
    QByteArray out;
    out.reserve(size);
    for (const QByteArrayView part : parts)
        out.append(part);
    return out;
}
