#pragma once

#include "TextCodec.h"

#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The rules a write of one key follows on the bytes of a file, shared by the writer of one key
// and by the writer of many in one pass, so that both edit a line exactly alike.
namespace ProfileEditRules {

// Code unit at `offset` of encoded text: one byte, or one UTF-16 unit.
unsigned UnitAt(QByteArrayView bytes, qsizetype offset, CTextCodec::Encoding encoding);

// Where the value of an entry line starts, relative to the line's bytes (without its break):
// after its first '=' and the blanks after that. '=' and the blanks are below 0x40: never part
// of a multi-byte character, never swallowed by a broken sequence (see CTextCodec), so the first
// '=' unit in the bytes is the '=' the decoded line was split at.
qsizetype ValueStart(QByteArrayView line, CTextCodec::Encoding encoding);

// Whether the value of an entry line already reads as `value`. Such a write leaves the line's
// bytes as they are: some bytes read as a character that writes back as other bytes (CP932's
// unassigned codes read as U+30FB, whose own code is 0x8145), and writing the value a line
// shows must not change the file.
bool ValueReadsAs(QByteArrayView line, CTextCodec::Encoding encoding, QStringView value);

// Windows writes whatever it is given, so a line break in a value starts lines of its own
// ("a\r\n[other]" adds a section) and a key holding '=' reads back as another key. Such text
// would change the file's structure rather than set one value: it is refused. Section and key
// are those trimmed for the write.
bool KeepsOneLine(QStringView section, QStringView key, QStringView value);

// The reasons an edit is refused.
QString StructureReason();
QString EncodingReason(CTextCodec::Encoding encoding);
QString DamagedReason();

} // namespace ProfileEditRules
