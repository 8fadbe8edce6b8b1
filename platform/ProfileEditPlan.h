#pragma once

#include "TextCodec.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringView>
#include <map>
#include <vector>

// Many keys set in one file's bytes at the cost of about one: the file is split into lines
// once, only the sections an edit touches have their keys read, and the edits are kept as
// changed and added lines until bytes() puts the file together in one pass. Each edit has
// exactly the effect CProfileWriter::Edit would have on the text the edits before it made.
//
// Some edits would make that text read differently as a whole (a CP932 file whose last byte
// that is not UTF-8 goes, so the next edit finds UTF-8; an added line that reads as a section
// header; lines ending in a lone CR, which an added line could join with the LF after it).
// The plan does not model them: apply() says so and changes nothing, or, for the encoding,
// applies the edit and says that the text must be read afresh before the next one.
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
    struct Section {
        Ref header, lastEntry;
        qsizetype bodyBegin = 0, bodyEnd = 0; // bytes of its original lines after the header
        bool keysRead = false;
        // The original entry lines by the hash of their folded key, in file order within one
        // hash; then the lines added since, by folded key (they follow every original entry).
        std::vector<std::pair<size_t, Ref>> keys;
        QHash<QString, Ref> addedKeys;
    };
    static constexpr qsizetype kTail = -1;

    void split();
    void readKeys(Section& section);
    // The first line of the section that sets key, or null.
    const Ref* findKey(Section& section, QStringView key);
    // Whether the entry line at ref sets key (compared as the readers compare keys).
    bool keyIs(const Ref& ref, QStringView key) const;
    // The first section of that name (its index in m_sections), or -1.
    int findSection(QStringView name);
    QByteArrayView textOf(const Ref& ref) const;
    bool hasBreak(const Ref& ref) const;
    bool endsWithBreak() const;
    bool isInvalidUtf8(const Ref& ref) const;
    void setText(const Ref& ref, QByteArray text, bool addBreak);
    Ref insertAfter(const Ref& anchor, QByteArray text);
    Ref appendAtEnd(QByteArray text);
    void countValidity(bool wasInvalid, const QByteArray& text);

    QByteArray m_bytes;
    QByteArrayView m_payload;
    CTextCodec::Encoding m_encoding;
    CTextCodec m_codec;
    int m_unit = 1;
    QByteArray m_lineEnd;
    bool m_supported = true;
    Ref m_lastLine;               // the last original line; begin -1 when there is none
    qsizetype m_invalidLines = 0; // CP932 files: lines that are no UTF-8

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
