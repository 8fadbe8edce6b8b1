#pragma once

#include <QByteArrayView>

// The passes a save makes over every byte of a file before it changes one line: whether the
// bytes are UTF-8 and which line end they use. They run at about the speed memory is read, 16
// bytes at a time where the processor allows, so that they cost little beside the file's own
// read and write.
namespace TextScan {

// The offset of the first byte of the first sequence that is no UTF-8 (a stray or cut
// sequence, an overlong form, a surrogate, a code point beyond U+10FFFF), or -1 when every
// byte is part of valid UTF-8.
qsizetype FirstInvalidUtf8(QByteArrayView bytes);

// The offset of the first CR or LF in one-byte text at or after `from`, or the text's size.
qsizetype FindBreak(QByteArrayView text, qsizetype from);

// Line breaks counted as a reader splits lines: CR LF as one, then LF alone and CR alone.
struct LineEnds {
    qsizetype crlf = 0, lf = 0, cr = 0;
};
// The breaks of text in code units of `unit` bytes (1, or 2 for UTF-16 in the byte order
// given); half a unit at the end is no unit.
LineEnds CountLineEnds(QByteArrayView text, int unit, bool bigEndian);

} // namespace TextScan
