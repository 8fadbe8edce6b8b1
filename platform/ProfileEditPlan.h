#pragma once

#include "TextCodec.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <map>
#include <optional>
#include <vector>

// Many keys set in one file's bytes at the cost of about one: only the section headers are
// looked for in the whole file (a search for '[' that runs at memory speed), only the sections
// an edit touches have their lines read, and the edits are kept as changed and added lines
// until bytes() puts the file together in one pass. Each edit has exactly the effect
// CProfileWriter::Edit would have on the text the edits before it made.
//
// Some edits would make that text read differently as a whole (a CP932 file whose last byte
// that is not UTF-8 goes, so the next edit finds UTF-8; an added line that reads as a section
// header; a line added to a file whose lines end mostly in a lone CR, which it could join with
// the LF after it). The plan does not model them: apply() says so and changes nothing, or, for
// the encoding, applies the edit and says that the text must be read afresh before the next
// one. The file's line end is counted only when an edit adds one.
class CProfileEditPlan {
public:
    enum class Outcome {
        Applied,
        Refused,       // as Edit refuses it; nothing changed; `reason` says why
        Unsupported,   // nothing changed: apply this edit to bytes() with Edit instead
        AppliedReread, // applied; later edits need a plan made from bytes()
    };

    explicit CProfileEditPlan(const QByteArray& bytes);

    // False when the plan takes no edit at all (then apply() always says Unsupported).
    bool isSupported() const { return m_supported; }

    Outcome apply(QStringView section, QStringView key, QStringView value, QString& reason);

    // The file's bytes with every applied edit.
    QByteArray bytes() const;
    // The same bytes as pieces to write one after another: stretches of the original bytes and
    // the changed and added lines, valid while the plan lives and is not changed.
    std::vector<QByteArrayView> pieces() const;

private:
    // A line of the original text by its bytes, or a line the plan added (`added` >= 0).
    struct Ref {
        int added = -1;
        qsizetype begin = 0, end = 0, next = 0;
    };
    struct Changed { // an original line's new bytes, without and with its break
        qsizetype end = 0, next = 0;
        QByteArray text, lineBreak;
        bool invalidUtf8 = false;
    };
    struct Added {
        QByteArray text; // without its break, which is always the file's line end
        qsizetype group; // the original line it follows (its begin), or kTail
    };
    struct Key {          // an original entry line, small: a save may read every section
        quint32 hash;     // of its folded key, cut to 32 bits
        quint32 begin;    // files are smaller than 4 GiB (CRegularFile::kMaxSize)
        int nextSameHash; // the next entry line of that hash in file order, or -1
    };
    struct Section {
        Ref header, lastEntry;                // lastEntry: known once all keys are read
        qsizetype bodyBegin = 0, bodyEnd = 0; // bytes of its original lines after the header
        qsizetype readTo = 0;                 // its original lines before this one are read
        bool keysRead = false;                // all of them
        // The original entry lines read, in file order, and an open-addressing table of the
        // first and the last of each hash (-1: empty); then the lines added since, by folded
        // key (they follow every original entry).
        std::vector<Key> keys;
        std::vector<int> firstOfHash, lastOfHash;
        QHash<QString, Ref> addedKeys;
    };
    static constexpr qsizetype kTail = -1;

    // The code unit at byte offset `at` of the payload; inline, as the line walks ask for
    // every unit they pass.
    unsigned unitAt(qsizetype at) const {
        const auto* p = reinterpret_cast<const unsigned char*>(m_payload.data()) + at;
        if (m_unit == 1)
            return p[0];
        return m_bigEndian ? (unsigned(p[0]) << 8) | p[1] : (unsigned(p[1]) << 8) | p[0];
    }
    bool isBreak(qsizetype at) const {
        const unsigned u = unitAt(at);
        return u == '\n' || u == '\r';
    }
    // The first line break at or after `from` and before `stop`, or `stop`.
    qsizetype breakFrom(qsizetype from, qsizetype stop) const;
    // Just past the line break at `end` (CRLF counts as one), or `end` at the end of the text.
    qsizetype pastBreak(qsizetype end) const {
        if (end >= m_payload.size())
            return end;
        const bool cr = unitAt(end) == '\r';
        end += m_unit;
        if (cr && end < m_payload.size() && unitAt(end) == '\n')
            end += m_unit; // CRLF is one break
        return end;
    }
    // The original line holding the byte at `at`, which lies at or after `from`, a line start.
    Ref lineAround(qsizetype at, qsizetype from) const;
    void findLastLine();
    // Finds every section header: lines whose first unit that is no blank is '['.
    void findHeaders();
    void addHeader(const Ref& line);
    // Reads the section's lines on from where reading stopped, indexing their keys, until a
    // line that sets key (of hash `wanted`), which it gives, or the end of the section, where
    // its last entry line is known.
    std::optional<Ref> readKeys(Section& section, quint32 wanted, QStringView key);
    // The hash of the folded key of the entry line [begin, end), from its decoded text.
    size_t decodedKeyHash(qsizetype begin, qsizetype end) const;
    // Puts keys[key], the last one read, into the section's table.
    static void indexKey(Section& section, int key);
    // The first line of the section that sets key, or null.
    std::optional<Ref> findKey(Section& section, QStringView key);
    // Whether the entry line at ref sets key (compared as the readers compare keys).
    bool keyIs(const Ref& ref, QStringView key) const;
    // The first section of that name (its index in m_sections), or -1.
    int findSection(QStringView name);
    QByteArrayView textOf(const Ref& ref) const;
    bool hasBreak(const Ref& ref) const;
    bool endsWithBreak() const;
    // Counts the file's line ends once: false when lone CRs lead, so that no line may be added.
    bool knowLineEnd();
    // CP932 files: whether a line's new text is no UTF-8.
    bool isInvalidUtf8(const QByteArray& text) const;
    void setText(const Ref& ref, QByteArray text, bool addBreak);
    Ref insertAfter(const Ref& anchor, QByteArray text);
    Ref appendAtEnd(QByteArray text);
    // CP932 files: moves on to the next unchanged original line that is no UTF-8.
    void findInvalidOriginal();
    // CP932 files: whether the text is still no UTF-8 somewhere, as Detect would find.
    bool isStillCp932() const { return m_invalidOwn > 0 || m_invalidOriginal >= 0; }

    QByteArray m_bytes;
    QByteArrayView m_payload;
    CTextCodec::Encoding m_encoding;
    CTextCodec m_codec;
    int m_unit = 1;
    bool m_bigEndian = false;
    QByteArray m_lineEnd; // the file's line end, once counted and when it is no lone CR
    bool m_lineEndKnown = false;
    bool m_supported = true;
    Ref m_lastLine; // the last original line; begin -1 when there is none
    // CP932 files: the changed and added lines that are no UTF-8; an unchanged original line
    // that is none (its begin, -1 when no such line is left); and the offset before which
    // every unchanged original line but that one is UTF-8.
    qsizetype m_invalidOwn = 0;
    qsizetype m_invalidOriginal = -1;
    qsizetype m_checkedUtf8 = 0;

    std::vector<Section> m_sections;
    QHash<QString, int> m_sectionByName; // folded name -> the first section of that name
    QString m_lastSectionName;           // the name findSection found last, as asked
    int m_lastSection = -1;
    std::map<qsizetype, Changed> m_changed;
    std::vector<Added> m_added;
    struct AddedAfter {     // the lines added right after an original line, in file order
        qsizetype next = 0; // where the original line ends, its break included
        std::vector<int> lines;
    };
    std::map<qsizetype, AddedAfter> m_after; // by the original line's begin
    std::vector<int> m_tail;                 // lines added at the end of the file
};
