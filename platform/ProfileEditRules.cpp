#include "ProfileEditRules.h"

namespace ProfileEditRules {

unsigned UnitAt(QByteArrayView bytes, qsizetype offset, CTextCodec::Encoding encoding) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
    switch (encoding) {
    case CTextCodec::Encoding::Utf16LE:
        return (unsigned(p[1]) << 8) | p[0];
    case CTextCodec::Encoding::Utf16BE:
        return (unsigned(p[0]) << 8) | p[1];
    default:
        return p[0];
    }
}

qsizetype ValueStart(QByteArrayView line, CTextCodec::Encoding encoding) {
    const int unit = CTextCodec(encoding).unitSize();
    const qsizetype end = line.size();
    qsizetype pos = 0;
    while (pos < end && UnitAt(line, pos, encoding) != '=')
        pos += unit;
    pos += unit;
    while (pos < end) {
        const unsigned u = UnitAt(line, pos, encoding);
        if (u != ' ' && u != '\t' && u != '\v')
            break;
        pos += unit;
    }
    return std::min(pos, end);
}

bool ValueReadsAs(QByteArrayView line, CTextCodec::Encoding encoding, QStringView value) {
    return CTextCodec(encoding).decode(line.sliced(ValueStart(line, encoding))) == value;
}

bool KeepsOneLine(QStringView section, QStringView key, QStringView value) {
    const auto hasBreak = [](QStringView s) { return s.contains(u'\r') || s.contains(u'\n'); };
    if (hasBreak(section) || hasBreak(key) || hasBreak(value))
        return false;
    // "[a]b]" would read back as section "a"; a key "[k" would make its line a header.
    return !section.contains(u']') && !key.contains(u'=') && !key.startsWith(u'[');
}

QString StructureReason() {
    return QStringLiteral("the text would change the file's structure (a line break, '=' in the "
                          "key, a key starting with '[' or ']' in the section name)");
}

QString EncodingReason(CTextCodec::Encoding encoding) {
    return encoding == CTextCodec::Encoding::Cp932
               ? QStringLiteral("the file's encoding (CP932) cannot hold a character of the text")
               : QStringLiteral("the file's encoding cannot hold a character of the text");
}

QString DamagedReason() {
    return QStringLiteral("the file is damaged (UTF-16 text of an odd number of bytes)");
}

} // namespace ProfileEditRules
