#include "ParsedProfile.h"

#include "ProfileSyntax.h"
#include "TextCodec.h"
#include "TextLines.h"
#include "TextUtil.h"

#include <algorithm>

CParsedProfile::CParsedProfile(QByteArrayView bytes) {
    const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
    const QByteArrayView payload = bytes.sliced(CTextCodec::Bom(encoding).size());
    // The same lines the writer sees.
    CTextLines lines(payload, encoding);
    // The items never hold more characters than the text (an item is no longer than its line
    // with its break, and items need a header line before them), nor the text more than the
    // file has code units: write them through a cursor into room made once, and cut the rest
    // off at the end.
    m_items.resize(lines.maxTextSize());
    char16_t* const items = reinterpret_cast<char16_t*>(m_items.data());
    qsizetype used = 0;
    const auto put = [&](QStringView s) {
        std::copy_n(s.utf16(), s.size(), items + used);
        used += s.size();
    };

    qsizetype current = -1; // lines before the first header belong to no section
    const auto close = [&] {
        if (current >= 0)
            m_sections[size_t(current)].length = used - m_sections[size_t(current)].begin;
    };
    QStringView line;
    while (lines.nextText(line)) {
        const ProfileSyntax::Line parsed = ProfileSyntax::Parse(line);
        switch (parsed.kind) {
        case ProfileSyntax::Kind::Header:
            close();
            current = qsizetype(m_sections.size());
            m_sections.push_back({parsed.name.toString(), used, 0});
            if (!parsed.name.isEmpty()) {
                m_names.append(parsed.name);
                m_names.append(QChar(u'\0'));
            }
            break;
        case ProfileSyntax::Kind::Entry:
            if (current >= 0) {
                // key '=' value NUL: no longer than the line, which had its own '='
                put(parsed.name);
                items[used++] = u'=';
                put(parsed.value);
                items[used++] = u'\0';
            }
            break;
        case ProfileSyntax::Kind::Text:
            if (current >= 0) {
                put(parsed.name);
                items[used++] = u'\0';
            }
            break;
        case ProfileSyntax::Kind::Blank:
        case ProfileSyntax::Kind::Comment:
            break;
        }
    }
    close();
    m_items.truncate(used);
    // Room never written takes no memory; shed it only when it is most of the buffer (text
    // of three UTF-8 bytes a character), as that means copying what was written.
    if (m_items.capacity() > 2 * used)
        m_items.squeeze();
}

const QHash<QString, qsizetype>& CParsedProfile::index() const {
    const int mode = Text::IsJapaneseLocale() ? 1 : 0;
    std::lock_guard lock(m_indexMutex);
    if (!m_indexBuilt[mode]) {
        QHash<QString, qsizetype>& index = m_index[mode];
        index.reserve(qsizetype(m_sections.size()));
        for (qsizetype i = 0; i < qsizetype(m_sections.size()); ++i) {
            QString folded = Text::FoldCase(m_sections[size_t(i)].name);
            if (!index.contains(folded)) // the first block of a name wins
                index.emplace(std::move(folded), i);
        }
        m_indexBuilt[mode] = true;
    }
    return m_index[mode];
}

QStringView CParsedProfile::section(QStringView name) const {
    const QHash<QString, qsizetype>& lookup = index();
    const auto it = lookup.constFind(Text::FoldCase(name));
    if (it == lookup.constEnd())
        return {};
    const Section& s = m_sections[size_t(*it)];
    return QStringView(m_items).sliced(s.begin, s.length);
}
