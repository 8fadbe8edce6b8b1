// Encoding detection and conversion, and INI files in every encoding, read and written.

#include "ProfileTestSupport.h"

#include "platform/Cp932Table.h"
#include "platform/ProfileWriter.h"
#include "platform/TextCodec.h"
#include "platform/TextLines.h"
#include "platform/TextScan.h"
#include "platform/TextUtil.h"

#include <cstring>
#include <iconv.h>
#include <map>
#include <optional>
#include <random>

using namespace std::string_literals;
using namespace ProfileTest;
using Encoding = CTextCodec::Encoding;
using LineEnd = CTextCodec::LineEnd;

namespace {

// Text in an encoding, without BOM.
QByteArray Encode(const QString& text, Encoding encoding) {
    QByteArray bytes;
    EXPECT_TRUE(CTextCodec(encoding).encode(text, bytes));
    return bytes;
}

QByteArray EncodeFile(const QString& text, Encoding encoding) {
    return CTextCodec::Bom(encoding) + Encode(text, encoding);
}

const char* Name(Encoding e) {
    switch (e) {
    case Encoding::Utf8:
        return "UTF-8";
    case Encoding::Utf8Bom:
        return "UTF-8 BOM";
    case Encoding::Utf16LE:
        return "UTF-16LE";
    case Encoding::Utf16BE:
        return "UTF-16BE";
    case Encoding::Cp932:
        return "CP932";
    }
    return "?";
}

} // namespace

TEST(TextCodec, Detection) {
    EXPECT_EQ(CTextCodec::Detect(""), Encoding::Utf8);
    EXPECT_EQ(CTextCodec::Detect("[A]\r\nk=v\r\n"), Encoding::Utf8);
    EXPECT_EQ(CTextCodec::Detect("\xFF\xFE"), Encoding::Utf16LE);
    EXPECT_EQ(CTextCodec::Detect("\xFE\xFF[\0"), Encoding::Utf16BE);
    EXPECT_EQ(CTextCodec::Detect("\xEF\xBB\xBF"), Encoding::Utf8Bom);
    EXPECT_EQ(CTextCodec::Detect("\xEF\xBB"), Encoding::Cp932);
    EXPECT_EQ(CTextCodec::Detect("k=\xE8\xA8\xAD\xE5\xAE\x9A"), Encoding::Utf8); // 設定
    EXPECT_EQ(CTextCodec::Detect("k=\x90\xDD\x92\xE8"), Encoding::Cp932);
    // The whole file decides, not a prefix: valid UTF-8 for 100 KB, then one CP932 character.
    EXPECT_EQ(CTextCodec::Detect(QByteArray(100'000, 'a') + "\xE8\xA8\xAD" + "\x82\xA0"),
              Encoding::Cp932);
    // Two bytes of CP932 that happen to form UTF-8 (縺 is E3 81 + ...) read as UTF-8.
    EXPECT_EQ(CTextCodec::Detect("\xC3\xA9"), Encoding::Utf8);
    // Overlong forms, surrogates, code points past U+10FFFF and cut sequences are not UTF-8.
    for (const char* bad : {"\xC0\x80", "\xE0\x80\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                            "\xF8\x88\x80\x80\x80", "\xE3\x81", "a\x80", "\xFF"})
        EXPECT_FALSE(CTextCodec::IsValidUtf8(bad)) << Printable(QByteArray(bad));
    for (const char* good : {"", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xEF\xBF\xBF", "\0"})
        EXPECT_TRUE(CTextCodec::IsValidUtf8(good)) << Printable(QByteArray(good));
}

TEST(TextCodec, Cp932IsWindows31J) {
    struct Pair {
        const char* bytes;
        char16_t ch;
    };
    const Pair pairs[] = {{"\x81\x60", 0xFF5E}, // 〜 as Windows has it, not U+301C
                          {"\x81\x61", 0x2225}, // ∥, not U+2016
                          {"\x81\x7C", 0xFF0D}, // −, not U+2212
                          {"\x87\x40", 0x2460}, // ①, an NEC extension JIS lacks
                          {"\x5C", 0x005C},     // a backslash, not a yen sign
                          {"\x7E", 0x007E},     {"\xB1", 0xFF71}}; // half-width katakana
    CTextCodec codec(Encoding::Cp932);
    for (const Pair& p : pairs) {
        SCOPED_TRACE(Printable(QByteArray(p.bytes)));
        EXPECT_EQ(codec.decode(p.bytes), QString(QChar(p.ch)));
        QByteArray encoded;
        ASSERT_TRUE(codec.encode(QString(QChar(p.ch)), encoded));
        EXPECT_EQ(encoded, QByteArray(p.bytes));
    }
    QByteArray out;
    for (const char16_t c :
         {char16_t(0x301C), char16_t(0x2016), char16_t(0x2212), char16_t(0x00A5)})
        EXPECT_FALSE(codec.encode(QString(QChar(c)), out)) << std::hex << unsigned(c);
    // A broken sequence becomes U+001A, and what follows it stays.
    EXPECT_EQ(codec.decode("\x81=x\x81"), u"\u001A=x\u001A"_qs);
}

// The codes that encode no character, as Windows reads and writes them.
TEST(TextCodec, Cp932CodesWithoutACharacterReadAsOnWindows) {
    struct Row {
        const char* name;
        const char* bytes;
        QString text;
        const char* written; // the bytes `text` is written as
    };
    const Row rows[] = {
        {"single 0x80", "\x80", u"\u0080"_qs, "\x80"},
        {"single 0xA0", "\xA0", u"\uF8F0"_qs, "\xA0"},
        {"single 0xFD", "\xFD", u"\uF8F1"_qs, "\xFD"},
        {"single 0xFE", "\xFE", u"\uF8F2"_qs, "\xFE"},
        {"single 0xFF", "\xFF", u"\uF8F3"_qs, "\xFF"},
        {"unassigned pair in the empty rows", "\x85\x40", u"\u30FB"_qs, "\x81\x45"},
        {"unassigned pair in a symbol row", "\x81\xAD", u"\u30FB"_qs, "\x81\x45"},
        {"unassigned pair after the IBM rows", "\xFC\xFC", u"\u30FB"_qs, "\x81\x45"},
        {"unassigned trail that is ASCII",
         "\x86\x7E"
         "=",
         u"\u30FB="_qs, "\x81\x45="},
        {"user-defined area", "\xF0\x40", u"\uE000"_qs, "\xF0\x40"},
        {"lead byte before a line break", "\x81\r\n", u"\u001A\r\n"_qs, "\x1A\r\n"},
        {"lead byte before 0xFF", "\x9F\xFF", u"\u001A\uF8F3"_qs, "\x1A\xFF"},
        {"NEC-selected row writes as the IBM row", "\xEE\xEF", u"\u2170"_qs, "\xFA\x40"},
        {"NEC row 13 writes as JIS", "\x87\x90", u"\u2252"_qs, "\x81\xE0"},
    };
    const CTextCodec codec(Encoding::Cp932);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(codec.decode(row.bytes), row.text);
        QByteArray encoded;
        ASSERT_TRUE(codec.encode(row.text, encoded));
        EXPECT_EQ(Printable(encoded), Printable(QByteArray(row.written)));
    }
}

namespace {

// glibc's own CP932 table: what a conversion gives, or nothing when it refuses the input.
std::optional<QByteArray> Iconv(const char* from, const char* to, const QByteArray& in) {
    iconv_t cd = iconv_open(to, from);
    if (cd == iconv_t(-1))
        return std::nullopt;
    QByteArray input = in, output(64, '\0');
    char* inPtr = input.data();
    char* outPtr = output.data();
    size_t inLeft = size_t(input.size()), outLeft = size_t(output.size());
    const size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (done == size_t(-1) || inLeft != 0)
        return std::nullopt;
    output.truncate(output.size() - qsizetype(outLeft));
    return output;
}

QString IconvDecode(const QByteArray& bytes) {
    const auto utf16 = Iconv("CP932", "UTF-16LE", bytes);
    if (!utf16 || utf16->size() != 2)
        return QString(); // refused, or more than one character
    return QString(QChar(char16_t(uchar(utf16->at(0)) | uchar(utf16->at(1)) << 8)));
}

} // namespace

// Every single byte and every lead/trail pair against glibc's independent table. Where glibc
// refuses a code, the code encodes no character and Windows' rules decide: the five single
// bytes map to their own characters, unassigned pairs to U+30FB, a lead byte alone to U+001A.
// Every code with a character writes back as itself or as the code Windows prefers for it.
TEST(TextCodec, Cp932AgreesWithGlibcAndWindowsOnEveryCode) {
    ASSERT_TRUE(Iconv("CP932", "UTF-16LE", "a")) << "glibc has no CP932";
    const CTextCodec codec(Encoding::Cp932);
    const std::map<unsigned, char16_t> windowsSingles = {
        {0x80, 0x0080}, {0xA0, 0xF8F0}, {0xFD, 0xF8F1}, {0xFE, 0xF8F2}, {0xFF, 0xF8F3}};
    std::vector<QByteArray> codes;
    for (unsigned b = 0; b < 0x100; ++b)
        codes.push_back(QByteArray(1, char(b)));
    for (unsigned lead = 0; lead < 0x100; ++lead) {
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            if (CCp932Table::IsLeadByte(uchar(lead)) && CCp932Table::IsTrailByte(uchar(trail)))
                codes.push_back(QByteArray(1, char(lead)) + char(trail));
        }
    }
    EXPECT_EQ(codes.size(), 256u + 60u * 188u);
    int assigned = 0, unassigned = 0;
    for (const QByteArray& code : codes) {
        SCOPED_TRACE(code.toHex().constData());
        const QString decoded = codec.decode(code);
        QString expected = IconvDecode(code);
        const uchar first = uchar(code.at(0));
        if (!expected.isEmpty()) {
            ++assigned;
        } else if (code.size() == 2) {
            expected = u"\u30FB"_qs;
            ++unassigned;
        } else if (windowsSingles.count(first)) {
            expected = QString(QChar(windowsSingles.at(first)));
        } else {
            ASSERT_TRUE(CCp932Table::IsLeadByte(first));
            expected = u"\u001A"_qs;
        }
        ASSERT_EQ(decoded, expected);
        QByteArray written;
        ASSERT_TRUE(codec.encode(decoded, written));
        if (expected == u"\u30FB"_qs || expected == u"\u001A"_qs)
            continue; // several codes read as these; their own codes are in the table above
        const auto glibcWritten = Iconv(
            "UTF-16LE", "CP932", QByteArray(reinterpret_cast<const char*>(decoded.utf16()), 2));
        ASSERT_EQ(Printable(written), Printable(glibcWritten.value_or(code)));
    }
    EXPECT_GT(assigned, 9000);
    EXPECT_GT(unassigned, 1000);
}

TEST(TextCodec, DominantLineEnd) {
    EXPECT_EQ(CTextCodec::DominantLineEnd("", Encoding::Utf8), LineEnd::CrLf);
    EXPECT_EQ(CTextCodec::DominantLineEnd("a", Encoding::Utf8), LineEnd::CrLf);
    EXPECT_EQ(CTextCodec::DominantLineEnd("a\nb\n", Encoding::Utf8), LineEnd::Lf);
    EXPECT_EQ(CTextCodec::DominantLineEnd("a\nb\r\n", Encoding::Utf8), LineEnd::CrLf);
    EXPECT_EQ(CTextCodec::DominantLineEnd("a\nb\nc\r\n", Encoding::Utf8), LineEnd::Lf);
    EXPECT_EQ(CTextCodec::DominantLineEnd("a\rb\r", Encoding::Utf8), LineEnd::Cr);
    EXPECT_EQ(CTextCodec::DominantLineEnd("a\rb\n", Encoding::Utf8), LineEnd::CrLf);
    EXPECT_EQ(CTextCodec::DominantLineEnd(QByteArray("\n\0\n\0", 4), Encoding::Utf16LE),
              LineEnd::Lf);
    EXPECT_EQ(CTextCodec::DominantLineEnd(QByteArray("\0\r\0\n", 4), Encoding::Utf16BE),
              LineEnd::CrLf);
    // 0x0A00 is not a line feed in UTF-16LE.
    EXPECT_EQ(CTextCodec::DominantLineEnd(QByteArray("\0\n\0\n", 4), Encoding::Utf16LE),
              LineEnd::CrLf);
}

TEST(TextCodec, DecodeFile) {
    CDecodedText decoded;
    EXPECT_FALSE(CTextCodec::DecodeFile(QUILLET_TEST_DATA_DIR "/profile/missing.ini", decoded));
    ASSERT_TRUE(CTextCodec::DecodeFile(QUILLET_TEST_DATA_DIR "/profile/s13-cp932.ini", decoded));
    EXPECT_EQ(decoded.encoding, Encoding::Cp932);
    EXPECT_FALSE(decoded.hasBom());
    EXPECT_EQ(decoded.lineEnd, LineEnd::CrLf);
    EXPECT_EQ(decoded.text, u"[設定]\r\n名前=値\r\n"_qs);
    ASSERT_TRUE(CTextCodec::DecodeFile(QUILLET_TEST_DATA_DIR "/profile/s13-utf16le.ini", decoded));
    EXPECT_EQ(decoded.encoding, Encoding::Utf16LE);
    EXPECT_TRUE(decoded.hasBom());
    EXPECT_EQ(decoded.text, u"[設定]\r\n名前=値\r\n"_qs);
    // A second BOM is text, not skipped.
    decoded = CTextCodec::DecodeBytes("\xEF\xBB\xBF\xEF\xBB\xBFx\n");
    EXPECT_EQ(decoded.text, u"\uFEFFx\n"_qs);
    EXPECT_EQ(decoded.lineEnd, LineEnd::Lf);
}

// Lines split in the bytes and in the decoded text agree, and a line's bytes decoded alone
// give its text: what lets the writer find a line by its text and splice its bytes. Checked
// on bytes no decoder likes.
TEST(TextCodec, ByteLinesAgreeWithTextLines) {
    std::mt19937 random(77);
    const char pieces[][4] = {"\r",       "\n",           "\r\n", "=",     "\x81", "\x82\xA0",
                              "\xE3\x81", "\xE3\x81\x82", "\xFF", "\0",    "a",    "[",
                              "]",        "\xC0",         "\xA0", "\x81\r"};
    for (const Encoding e :
         {Encoding::Utf8Bom, Encoding::Utf16LE, Encoding::Utf16BE, Encoding::Cp932}) {
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes;
            for (int n = int(random() % 40); n > 0; --n) {
                const char* piece = pieces[random() % std::size(pieces)];
                bytes.append(piece, *piece ? qsizetype(std::strlen(piece)) : 1);
            }
            SCOPED_TRACE(Name(e));
            SCOPED_TRACE(Printable(bytes));
            const CTextCodec codec(e);
            CTextLines lines(bytes, e);
            CTextLines::Line line;
            qsizetype expectedBegin = 0, textLength = 0;
            while (lines.next(line)) {
                ASSERT_EQ(line.begin, expectedBegin);
                expectedBegin = line.next;
                ASSERT_EQ(line.text, codec.decode(bytes.mid(line.begin, line.end - line.begin)));
                textLength += line.text.size() + (line.next - line.end) / codec.unitSize();
            }
            ASSERT_EQ(expectedBegin, bytes.size());
            // Every character of the whole text is in some line or break.
            ASSERT_EQ(textLength, codec.decode(bytes).size());
        }
    }
}

// Large text is decoded in pieces of whole lines; the pieces must not show. Checked with
// random lines, and with a CRLF and a multi-byte character placed right at a piece's edge.
TEST(TextCodec, LargeTextReadsTheSameInPieces) {
    std::mt19937 random(5);
    const QString pool = u"abc=[];\t \u8A2D\u5B9A\u3042\uFF5E\u2460"_qs;
    for (const Encoding e :
         {Encoding::Utf8, Encoding::Utf16LE, Encoding::Utf16BE, Encoding::Cp932}) {
        SCOPED_TRACE(Name(e));
        const CTextCodec codec(e);
        const int unit = codec.unitSize();
        std::vector<QByteArray> layouts;
        for (const qsizetype edge : {qsizetype(65536), qsizetype(2 * 65536)}) {
            for (const char* tail : {"\r\n", "\n", "\r", "\r\r\n", ""}) {
                for (int shift = -3; shift <= 1; ++shift) {
                    // Filler up to the edge, then a break and a character of several bytes, or
                    // that character alone, across the edge.
                    QByteArray bytes = Encode(QString(edge / unit + shift - 1, u'x'), e);
                    bytes += Encode(QString::fromLatin1(tail) + u"\u8A2D=1\r\nk=2"_qs, e);
                    layouts.push_back(bytes);
                }
            }
        }
        QString text;
        for (int line = 0; line < 3000; ++line) {
            for (int n = int(random() % 200); n > 0; --n)
                text += pool.at(qsizetype(random() % pool.size()));
            text += QString::fromUtf16(random() % 3 == 0 ? u"\n" : u"\r\n");
        }
        layouts.push_back(Encode(text, e));
        if (e == Encoding::Cp932)
            layouts.back().append("\x81\r\x81\n\xFF");

        for (const QByteArray& bytes : layouts) {
            CTextLines lines(bytes, e);
            CTextLines::Line line;
            QString joined;
            qsizetype expectedBegin = 0;
            while (lines.next(line)) {
                ASSERT_EQ(line.begin, expectedBegin);
                expectedBegin = line.next;
                if (line.end - line.begin < 40) { // short ones alone, to keep this quick
                    ASSERT_EQ(line.text,
                              codec.decode(bytes.mid(line.begin, line.end - line.begin)));
                }
                joined += line.text;
                joined += codec.decode(bytes.mid(line.end, line.next - line.end));
            }
            ASSERT_EQ(expectedBegin, bytes.size());
            ASSERT_EQ(joined, codec.decode(bytes));
        }
    }
}

// The recorded Windows cases whose bytes matter, from fixtures.
TEST(ProfileEncoding, Fixtures) {
    QTemporaryDir dir;
    LocaleMode japanese(true);
    for (const char* name : {"s13-utf16le.ini", "s13-cp932.ini"}) {
        SCOPED_TRACE(name);
        const QString file = dir.filePath(name);
        ASSERT_TRUE(WriteBytes(file, Fixture(name)));
        const ReadResult r = Section(file, u"設定"_qs, 100);
        EXPECT_EQ(r.ret, 5u);
        EXPECT_TRUE(BufferIs(r, u"名前=値\0\0"s));
    }
    struct Case {
        const char* input;
        const char* expected;
        QString section, key, value;
    };
    const Case cases[] = {
        {"w15-utf16le.ini", "w15-utf16le.expected.ini", "A", u"名"_qs, u"値"_qs},
        {"w16-cp932.ini", "w16-cp932.expected.ini", u"設定"_qs, u"名"_qs, u"値"_qs},
        {"w17-utf8bom.ini", "w17-utf8bom.expected.ini", "A", "x", "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        const QString file = dir.filePath(c.input);
        ASSERT_TRUE(WriteBytes(file, Fixture(c.input)));
        EXPECT_EQ(WritePrivateProfileStringW(c.section, c.key, c.value, file), 1);
        EXPECT_EQ(Printable(ReadBytes(file)), Printable(Fixture(c.expected)));
    }
}

// Read, write one key, read back, in every encoding: each other byte stays.
TEST(ProfileEncoding, RoundTrips) {
    QTemporaryDir dir;
    LocaleMode japanese(true);
    const QString before = u";コメント \uFF5E\u2225\uFF0D\u2460\r\n"
                           u"free line\r\n"
                           u"[設定]\r\n"
                           u"  名前 = 値\uFF5E ;note\r\n"
                           u"k=1\r\n"
                           u"\r\n"
                           u"[Ｂ]\n"
                           u"x=\u2225\r\n"_qs;
    const QString after = u";コメント \uFF5E\u2225\uFF0D\u2460\r\n"
                          u"free line\r\n"
                          u"[設定]\r\n"
                          u"  名前 = \u2460\uFF0D\r\n"
                          u"k=1\r\n"
                          u"\r\n"
                          u"[Ｂ]\n"
                          u"x=\u2225\r\n"
                          u"新=\uFF5E\r\n"
                          u"[第三]\r\n"
                          u"鍵=\u2225\r\n"_qs;
    for (const Encoding e : {Encoding::Utf16LE, Encoding::Utf16BE, Encoding::Utf8Bom,
                             Encoding::Utf8, Encoding::Cp932}) {
        SCOPED_TRACE(Name(e));
        const QString file = dir.filePath(Name(e));
        QByteArray bytes = EncodeFile(before, e);
        QByteArray expected = EncodeFile(after, e);
        if (e == Encoding::Cp932) {
            // A line that is no valid CP932 before the first header stays byte for byte.
            bytes.prepend("\x81\x7F\xFF\x80\r\n");
            expected.prepend("\x81\x7F\xFF\x80\r\n");
        }
        ASSERT_TRUE(WriteBytes(file, bytes));
        EXPECT_TRUE(BufferIs(Section(file, u"設定"_qs, 100), u"名前=値\uFF5E ;note\0k=1\0\0"s));
        EXPECT_EQ(WritePrivateProfileStringW(u"設定"_qs, u"名前"_qs, u"\u2460\uFF0D"_qs, file), 1);
        EXPECT_EQ(WritePrivateProfileStringW(u"ｂ"_qs, u"新"_qs, u"\uFF5E"_qs, file), 1);
        EXPECT_EQ(WritePrivateProfileStringW(u"第三"_qs, u"鍵"_qs, u"\u2225"_qs, file), 1);
        EXPECT_EQ(Printable(ReadBytes(file)), Printable(expected));
        EXPECT_TRUE(BufferIs(Section(file, u"設定"_qs, 100), u"名前=\u2460\uFF0D\0k=1\0\0"s));
        EXPECT_TRUE(BufferIs(Section(file, u"Ｂ"_qs, 100), u"x=\u2225\0新=\uFF5E\0\0"s));
        EXPECT_TRUE(BufferIs(Names(file, 100), u"設定\0Ｂ\0第三\0\0"s));
    }
}

// A value holding a code without a character reads as Windows reads it, and writing the value
// it shows, or another key, changes no byte of it; a new value is written as Windows writes it.
TEST(ProfileEncoding, Cp932CodesWithoutACharacterSurviveWrites) {
    QTemporaryDir dir;
    const QString file = dir.filePath("unassigned.ini");
    const QByteArray bytes = "[A]\r\nu=\x85\x40\x80\xFD\r\nk=1\r\n";
    ASSERT_TRUE(WriteBytes(file, bytes));
    EXPECT_TRUE(BufferIs(Section(file, "A", 100), u"u=\u30FB\u0080\uF8F1\0k=1\0\0"s));
    EXPECT_EQ(WritePrivateProfileStringW("A", "u", u"\u30FB\u0080\uF8F1"_qs, file), 1);
    EXPECT_EQ(Printable(ReadBytes(file)), Printable(bytes));
    // The one-key edit, which files the one-pass writer leaves to it go through.
    EXPECT_EQ(Printable(CProfileWriter::Edit(bytes, u"A", u"u", u"\u30FB\u0080\uF8F1"_qs).value()),
              Printable(bytes));
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "2", file), 1);
    EXPECT_EQ(Printable(ReadBytes(file)),
              Printable(QByteArray("[A]\r\nu=\x85\x40\x80\xFD\r\nk=2\r\n")));
    EXPECT_EQ(WritePrivateProfileStringW("A", "u", u"\u30FB\uF8F0"_qs, file), 1);
    EXPECT_EQ(Printable(ReadBytes(file)),
              Printable(QByteArray("[A]\r\nu=\x81\x45\xA0\r\nk=2\r\n")));
}

// A file holding only a BOM keeps it; the first section follows it directly.
TEST(ProfileEncoding, BomOnlyFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("bom.ini");
    ASSERT_TRUE(WriteBytes(file, "\xFF\xFE"));
    EXPECT_EQ(WritePrivateProfileStringW("A", "k", "v", file), 1);
    EXPECT_EQ(ReadBytes(file), EncodeFile("[A]\r\nk=v\r\n", Encoding::Utf16LE));
}

namespace {

// A plain reading of RFC 3629: the offset of the first sequence that is no UTF-8, or -1.
qsizetype PlainFirstInvalidUtf8(QByteArrayView bytes) {
    const auto at = [&](qsizetype i) { return i < bytes.size() ? quint8(bytes[i]) : 0u; };
    for (qsizetype i = 0; i < bytes.size();) {
        const unsigned lead = at(i);
        const int length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (int k = 1; k < length; ++k) {
            if ((at(i + k) & 0xC0) != 0x80)
                return i;
            c = c << 6 | (at(i + k) & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if ((lead >= 0x80 && lead < 0xC0) || lead > 0xF4 || c < least[length] || c > 0x10FFFF ||
            (c >= 0xD800 && c <= 0xDFFF))
            return i;
        i += length;
    }
    return -1;
}

} // namespace

// The whole-file scans read 16 bytes at a time and carry state from block to block: random
// text, long enough to cross every block, chunk and counter boundary, must read as a plain
// scan reads it.
TEST(TextScan, WholeFileScansAgreeWithAPlainScan) {
    const std::vector<QByteArray> pieces = {"a",
                                            "\r",
                                            "\n",
                                            "\r\n",
                                            "\xE5\x80\xA4",
                                            "\xC3\xA9",
                                            "\xF0\x9F\x98\x80",
                                            "\x80",
                                            "\xBF",
                                            "\xC0\x80",
                                            "\xC1",
                                            "\xC3",
                                            "\xE0\x9F\x80",
                                            "\xED\xA0\x80",
                                            "\xED\x9F\xBF",
                                            "\xF4\x90\x80\x80",
                                            "\xF4\x8F\xBF\xBF",
                                            "\xF5",
                                            "\xFF",
                                            "\xE5\x80",
                                            "\xF0\x9F"};
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        QByteArray text;
        const int length = int(random() % (round % 10 == 0 ? 9000 : 90));
        const bool valid = round % 2 == 0; // half the texts UTF-8 up to a late fault, if any
        while (text.size() < length) {
            // Mostly ASCII, as INI text is: whole blocks of it come between the others.
            const size_t kinds = valid && text.size() + 20 < length ? 7 : pieces.size();
            text += pieces[random() % 4 != 0 ? random() % 4 : random() % kinds];
        }
        ASSERT_EQ(TextScan::FirstInvalidUtf8(text), PlainFirstInvalidUtf8(text))
            << "round " << round << ": " << Printable(text);

        for (int unit : {1, 2}) {
            for (bool bigEndian : {false, true}) {
                const QString breaks = CTextCodec(Encoding::Cp932).decode(text);
                const QByteArray bytes = unit == 1   ? text
                                         : bigEndian ? Encode(breaks, Encoding::Utf16BE)
                                                     : Encode(breaks, Encoding::Utf16LE);
                qsizetype crlf = 0, lf = 0, cr = 0;
                for (qsizetype i = 0; i < breaks.size(); ++i) {
                    if (breaks[i] == u'\r' && i + 1 < breaks.size() && breaks[i + 1] == u'\n')
                        ++crlf, ++i;
                    else if (breaks[i] == u'\r')
                        ++cr;
                    else if (breaks[i] == u'\n')
                        ++lf;
                }
                const TextScan::LineEnds ends = TextScan::CountLineEnds(bytes, unit, bigEndian);
                ASSERT_EQ(std::tuple(ends.crlf, ends.lf, ends.cr), std::tuple(crlf, lf, cr))
                    << "round " << round << ", unit " << unit;
            }
        }
    }
}
