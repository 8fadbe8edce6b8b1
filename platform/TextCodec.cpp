#include "TextCodec.h"

#include "Cp932Table.h"
#include "RegularFile.h"
#include "TextScan.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace {

using Encoding = CTextCodec::Encoding;
using Flag = QStringConverter::Flag;

// Qt's decoder or encoder for a Unicode encoding. CP932 goes through CCp932Table instead,
// which reads the codes ICU does not as Windows reads them.
template <typename Converter>
Converter MakeConverter(Encoding encoding, QStringConverter::Flags flags) {
    switch (encoding) {
    case Encoding::Utf16LE:
        return Converter(QStringConverter::Utf16LE, flags);
    case Encoding::Utf16BE:
        return Converter(QStringConverter::Utf16BE, flags);
    case Encoding::Utf8:
    case Encoding::Utf8Bom:
    case Encoding::Cp932:
        break;
    }
    return Converter(QStringConverter::Utf8, flags);
}

// Qt's decoders skip a leading BOM by default; ours strips the file's BOM itself and wants
// any further U+FEFF kept as text.
QStringDecoder MakeDecoder(Encoding encoding, QStringConverter::Flags flags) {
    return MakeConverter<QStringDecoder>(encoding, flags | Flag::ConvertInitialBom);
}

// Stateless: an unpaired surrogate at the end must be an error, not a pending state.
QStringEncoder MakeEncoder(Encoding encoding) {
    return MakeConverter<QStringEncoder>(encoding, Flag::Stateless);
}

// A line break in the file's encoding. Decoding one after the real bytes flushes a broken
// sequence at their end as a replacement character; none of our decoders swallows it.
QByteArrayView Sentinel(Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf16LE:
        return QByteArrayView("\n\0", 2);
    case Encoding::Utf16BE:
        return QByteArrayView("\0\n", 2);
    default:
        return QByteArrayView("\n", 1);
    }
}

// The code unit at byte offset `i`: one byte, or two in the file's byte order.
unsigned UnitAt(QByteArrayView bytes, qsizetype i, Encoding encoding) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data()) + i;
    switch (encoding) {
    case Encoding::Utf16LE:
        return (unsigned(p[1]) << 8) | p[0];
    case Encoding::Utf16BE:
        return (unsigned(p[0]) << 8) | p[1];
    default:
        return p[0];
    }
}

} // namespace

CTextCodec::CTextCodec(Encoding encoding) : m_encoding(encoding) {}

int CTextCodec::unitSize() const {
    return (m_encoding == Encoding::Utf16LE || m_encoding == Encoding::Utf16BE) ? 2 : 1;
}

QString CTextCodec::decode(QByteArrayView bytes) const {
    QString out;
    decodeInto(bytes, out);
    return out;
}

void CTextCodec::decodeInto(QByteArrayView bytes, QString& out) const {
    if (m_encoding == Encoding::Cp932) {
        out.resize(bytes.size()); // never more characters than bytes
        out.truncate(CCp932Table::Get().decode(bytes, out.data()) - out.constData());
        return;
    }
    // A UTF-16 file of odd length ends in half a unit: it becomes one replacement character.
    const int unit = unitSize();
    const bool dangling = unit == 2 && (bytes.size() % 2) != 0;
    if (dangling)
        bytes.chop(1);
    // Decoding ends with a line break, so that a broken sequence at the end is flushed the
    // same way whether a line is decoded alone or within the whole file. Everything up to
    // the last break in the bytes already ends with one; only the rest is copied to add it.
    qsizetype split = bytes.size();
    while (split > 0 && UnitAt(bytes, split - unit, m_encoding) != '\n' &&
           UnitAt(bytes, split - unit, m_encoding) != '\r')
        split -= unit;
    QByteArray tail;
    tail.reserve(bytes.size() - split + unit);
    tail.append(bytes.sliced(split));
    tail.append(Sentinel(m_encoding));

    QStringDecoder decoder = MakeDecoder(m_encoding, {});
    out.resize(decoder.requiredSpace(split) + decoder.requiredSpace(tail.size()) + 1);
    QChar* const begin = out.data();
    QChar* end = decoder.appendToBuffer(begin, bytes.first(split));
    end = decoder.appendToBuffer(end, tail);
    if (end > begin && end[-1] == u'\n')
        --end; // the sentinel itself
    if (dangling)
        *end++ = QChar(QChar::ReplacementCharacter);
    out.truncate(end - begin);
}

bool CTextCodec::encode(QStringView text, QByteArray& out) const {
    if (m_encoding == Encoding::Cp932) {
        out.clear();
        return CCp932Table::Get().encode(text, out);
    }
    // Fresh converters each time: ICU's error flag survives resetState().
    QStringEncoder encoder = MakeEncoder(m_encoding);
    if (!encoder.isValid())
        return false;
    out = encoder.encode(text);
    if (encoder.hasError())
        return false;
    // A write that would not read back as written counts as "cannot hold".
    QStringDecoder decoder = MakeDecoder(m_encoding, Flag::Stateless);
    const QString back = decoder.decode(out);
    return !decoder.hasError() && back == text;
}

CTextCodec::Encoding CTextCodec::Detect(QByteArrayView bytes) {
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    if (bytes.size() >= 2 && at(0) == 0xFF && at(1) == 0xFE)
        return Encoding::Utf16LE;
    if (bytes.size() >= 2 && at(0) == 0xFE && at(1) == 0xFF)
        return Encoding::Utf16BE;
    if (bytes.size() >= 3 && at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF)
        return Encoding::Utf8Bom;
    return IsValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Cp932;
}

bool CTextCodec::IsValidUtf8(QByteArrayView bytes) {
    return TextScan::FirstInvalidUtf8(bytes) < 0;
}

QByteArray CTextCodec::Bom(Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf16LE:
        return QByteArray("\xFF\xFE", 2);
    case Encoding::Utf16BE:
        return QByteArray("\xFE\xFF", 2);
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF", 3);
    case Encoding::Utf8:
    case Encoding::Cp932:
        break;
    }
    return QByteArray();
}

CTextCodec::LineEnd CTextCodec::DominantLineEnd(QByteArrayView payload, Encoding encoding) {
    const TextScan::LineEnds ends = TextScan::CountLineEnds(
        payload, CTextCodec(encoding).unitSize(), encoding == Encoding::Utf16BE);
    if (ends.lf > ends.crlf && ends.lf > ends.cr)
        return LineEnd::Lf;
    if (ends.cr > ends.crlf && ends.cr > ends.lf)
        return LineEnd::Cr;
    return LineEnd::CrLf;
}

QStringView CTextCodec::LineEndText(LineEnd lineEnd) {
    switch (lineEnd) {
    case LineEnd::Lf:
        return u"\n";
    case LineEnd::Cr:
        return u"\r";
    case LineEnd::CrLf:
        break;
    }
    return u"\r\n";
}

CDecodedText CTextCodec::DecodeBytes(QByteArrayView bytes) {
    CDecodedText result;
    result.encoding = Detect(bytes);
    const QByteArrayView payload = bytes.sliced(Bom(result.encoding).size());
    result.lineEnd = DominantLineEnd(payload, result.encoding);
    result.text = CTextCodec(result.encoding).decode(payload);
    return result;
}

bool CTextCodec::DecodeFile(const QString& path, CDecodedText& out) {
    QByteArray bytes;
    if (!CRegularFile::Read(path, bytes))
        return false;
    out = DecodeBytes(bytes);
    return true;
}
