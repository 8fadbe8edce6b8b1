#include "ini/UndecodedValues.h"

#include "platform/ProfileSyntax.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"
#include "platform/TextUtil.h"

#include <QFile>

namespace {

// A line's bytes read in code units: one byte, or two for UTF-16.
class CUnits {
public:
    CUnits(QByteArrayView bytes, CTextCodec::Encoding encoding)
        : m_bytes(bytes), m_unit(CTextCodec(encoding).unitSize()),
          m_bigEndian(encoding == CTextCodec::Encoding::Utf16BE) {}

    unsigned At(qsizetype offset) const {
        const auto byte = [&](qsizetype i) { return unsigned(uchar(m_bytes[i])); };
        if (m_unit == 1)
            return byte(offset);
        return m_bigEndian ? byte(offset) << 8 | byte(offset + 1)
                           : byte(offset + 1) << 8 | byte(offset);
    }

    // The bytes after the line's first '=', trimmed of blanks as the reader trims its text.
    QByteArray ValueBytes(qsizetype begin, qsizetype end) const {
        qsizetype at = begin;
        while (at < end && At(at) != '=')
            at += m_unit;
        at += m_unit;
        while (at < end && IsBlank(At(at)))
            at += m_unit;
        while (end > at && IsBlank(At(end - m_unit)))
            end -= m_unit;
        return at < end ? m_bytes.sliced(at, end - at).toByteArray() : QByteArray();
    }

private:
    static bool IsBlank(unsigned unit) { return ProfileSyntax::IsBlank(QChar(char16_t(unit))); }

    QByteArrayView m_bytes;
    int m_unit;
    bool m_bigEndian;
};

} // namespace

bool CUndecodedValues::MayHideBytes(QStringView text) {
    for (const QChar c : text) {
        if (c == QChar::ReplacementCharacter || c == u'\x1a' || c == u'\u30fb')
            return true;
    }
    return false;
}

QString CUndecodedValues::KeyOf(QStringView section, QStringView key) {
    return Text::FoldCase(section) + QChar(u'\0') + Text::FoldCase(key);
}

CUndecodedValues CUndecodedValues::Read(const QString& path) {
    CUndecodedValues values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    const QByteArray bytes = file.readAll();
    const CTextCodec::Encoding encoding = CTextCodec::Detect(bytes);
    const CTextCodec codec(encoding);
    const QByteArrayView payload = QByteArrayView(bytes).sliced(CTextCodec::Bom(encoding).size());
    const CUnits units(payload, encoding);
    CTextLines lines(payload, encoding);
    CTextLines::Line line;
    QString section;
    bool inSection = false;
    QByteArray encoded;
    while (lines.next(line)) {
        const ProfileSyntax::Line parsed = ProfileSyntax::Parse(line.text);
        if (parsed.kind == ProfileSyntax::Kind::Header) {
            section = parsed.name.toString();
            inSection = !section.isEmpty();
            continue;
        }
        if (!inSection || parsed.kind != ProfileSyntax::Kind::Entry || parsed.name.isEmpty() ||
            !MayHideBytes(parsed.value))
            continue;
        // The first line of a key is the one the model holds; a later one reads nothing. A
        // value that reads back exactly is kept as a null array, so that no later line of its
        // key takes its place.
        const QString key = KeyOf(section, parsed.name);
        if (values.m_bytes.contains(key))
            continue;
        const QByteArray raw = units.ValueBytes(line.begin, line.end);
        const bool exact = codec.encode(parsed.value, encoded) && encoded == raw;
        values.m_bytes.insert(key, exact ? QByteArray() : raw);
    }
    return values;
}

const QByteArray* CUndecodedValues::Find(QStringView section, QStringView key) const {
    const auto found = m_bytes.constFind(KeyOf(section, key));
    return found == m_bytes.cend() || found->isNull() ? nullptr : &*found;
}
