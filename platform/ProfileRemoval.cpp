#include "ProfileRemoval.h"

#include "ProfileEditRules.h"
#include "ProfileSyntax.h"
#include "TextCodec.h"
#include "TextLines.h"
#include "TextUtil.h"

#include <QHash>
#include <QSet>

namespace {

using ProfileSyntax::Kind;

QString FoldedName(const QString& name) {
    return Text::FoldCase(ProfileSyntax::TrimSpaces(ProfileSyntax::CutAtNul(name)));
}

// Removals that one pass over the lines can make exactly as one after another would: each
// section and each key asked for once, and no key of a section that goes as a whole (the
// order would decide which block the key is taken from).
class Pass {
public:
    // Takes the target when it fits into this pass.
    bool take(const CProfileRemoval::Target& target) {
        const QString section = FoldedName(target.section);
        if (target.wholeSection) {
            if (m_sections.contains(section) || m_keys.contains(section))
                return false;
            m_sections.insert(section);
            return true;
        }
        if (m_sections.contains(section))
            return false;
        QSet<QString>& keys = m_keys[section];
        const QString key = FoldedName(target.key);
        if (keys.contains(key))
            return false;
        keys.insert(key);
        return true;
    }

    QByteArray apply(const QByteArray& bytes) const;

private:
    // The lines of one block that go: the first entry line of each key, or for a key without
    // one its first line without '='.
    void removeKeys(const QSet<QString>& keys, const std::vector<CTextLines::Line>& block,
                    const std::vector<Kind>& kinds, const std::vector<QString>& names,
                    std::vector<bool>& gone) const;

    QSet<QString> m_sections;
    QHash<QString, QSet<QString>> m_keys;
};

void Pass::removeKeys(const QSet<QString>& keys, const std::vector<CTextLines::Line>& block,
                      const std::vector<Kind>& kinds, const std::vector<QString>& names,
                      std::vector<bool>& gone) const {
    for (const QString& key : keys) {
        qsizetype found = -1;
        for (const Kind wanted : {Kind::Entry, Kind::Text}) {
            for (size_t i = 0; i < block.size() && found < 0; ++i) {
                if (kinds[i] == wanted && names[i] == key)
                    found = qsizetype(i);
            }
            if (found >= 0)
                break;
        }
        if (found >= 0)
            gone[size_t(found)] = true;
    }
}

QByteArray Pass::apply(const QByteArray& bytes) const {
    const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
    const qsizetype bomSize = CTextCodec::Bom(encoding).size();
    const QByteArrayView payload = QByteArrayView(bytes).sliced(bomSize);
    QByteArray out;
    out.reserve(bytes.size());
    out.append(QByteArrayView(bytes).first(bomSize));

    // One block at a time: the header (or the lines before the first one) and its body.
    std::vector<CTextLines::Line> block;
    std::vector<Kind> kinds;
    std::vector<QString> names;
    QSet<QString> seen;
    QString blockName;
    bool isSection = false;
    const auto flush = [&] {
        std::vector<bool> gone(block.size(), false);
        const bool first = isSection && !seen.contains(blockName);
        if (isSection)
            seen.insert(blockName);
        if (first && m_sections.contains(blockName))
            gone.assign(block.size(), true);
        else if (first && m_keys.contains(blockName))
            removeKeys(m_keys.value(blockName), block, kinds, names, gone);
        for (size_t i = 0; i < block.size(); ++i) {
            if (!gone[i])
                out.append(payload.sliced(block[i].begin, block[i].next - block[i].begin));
        }
        block.clear();
        kinds.clear();
        names.clear();
    };

    CTextLines lines(payload, encoding);
    CTextLines::Line line;
    while (lines.next(line)) {
        const ProfileSyntax::Line parsed = ProfileSyntax::Parse(line.text);
        if (parsed.kind == Kind::Header) {
            flush();
            isSection = true;
            blockName = Text::FoldCase(parsed.name);
        }
        block.push_back(line);
        kinds.push_back(parsed.kind);
        const bool named = parsed.kind == Kind::Entry || parsed.kind == Kind::Text;
        names.push_back(named ? Text::FoldCase(parsed.name) : QString());
    }
    flush();
    return out;
}

} // namespace

QByteArray CProfileRemoval::Apply(const QByteArray& bytes, const std::vector<Target>& targets,
                                  std::vector<QString>& reasons) {
    reasons.assign(targets.size(), QString());
    const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
    const qsizetype payloadSize = bytes.size() - CTextCodec::Bom(encoding).size();
    if (payloadSize % CTextCodec(encoding).unitSize() != 0) {
        reasons.assign(targets.size(), ProfileEditRules::DamagedReason());
        return bytes;
    }
    QByteArray current = bytes;
    size_t i = 0;
    while (i < targets.size()) {
        Pass pass;
        while (i < targets.size() && pass.take(targets[i]))
            ++i;
        current = pass.apply(current);
    }
    return current;
}
