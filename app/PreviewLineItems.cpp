#include "app/PreviewLineItems.h"

#include "ini/IniData.h"
#include "platform/TextUtil.h"

namespace {

// The name a header line gives: from after "[" to the first "]", or to the end without one.
QStringView HeaderName(QStringView header) {
    const QStringView rest = header.sliced(1);
    const qsizetype close = rest.indexOf(u']');
    return close < 0 ? rest : rest.first(close);
}

} // namespace

const CObject* CPreviewLineItems::ItemOf(QStringView line) {
    const QStringView trimmed = Text::TrimmedView(line);
    if (trimmed.startsWith(u'[')) {
        m_section = m_ini.FindSection(HeaderName(trimmed).toString(), false);
        m_next = 0;
        return m_section;
    }
    if (!m_section || trimmed.startsWith(u';'))
        return nullptr;
    const qsizetype equals = line.indexOf(u'=');
    const QStringView key = equals > 0 ? Text::TrimmedView(line.first(equals)) : QStringView();
    if (key.isEmpty())
        return nullptr;
    const auto& entries = m_section->m_entries;
    if (m_next < entries.size()) {
        const QString& next = entries[m_next]->Key();
        // The file's own spelling is the model's, so an exact match is the common case.
        if (next == key || Text::EqualNoCase(next, key))
            return entries[m_next++].get();
    }
    return m_section->FindEntry(key.toString(), false);
}
