#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <vector>

// The text of one load's keys and values, one after another in a few large chunks: an entry
// refers to its key and value by a 32-bit place instead of holding strings of its own. A file's
// keys and values are mostly a few characters long, where a string each would cost a heap
// block and 24 bytes of handle for a dozen bytes of text.
//
// Each text is stored as its length, its characters and a NUL (which QString::utf16() relies
// on). String() makes a QString that shares the chunk, as a copy shares a string's text: no
// allocation, and the chunk lives on as long as any such string does. Chunks never move, so
// the views View() hands out stay valid while the store or a string of its chunk lives.
//
// Only the loader adds, on one thread, before anyone reads; afterwards the store is read-only.
class CTextStore {
public:
    using Place = std::uint32_t;

    // The longest text Add takes.
    static constexpr qsizetype kLongest = 65534;
    // Places fit 31 bits.
    static constexpr unsigned kPlaceBits = 31;

    CTextStore() = default;
    CTextStore(const CTextStore&) = delete;
    CTextStore& operator=(const CTextStore&) = delete;

    // Copies text (at most kLongest characters) into the store and says where it went.
    Place Add(QStringView text);

    QStringView View(Place place) const {
        const char16_t* at = At(place);
        return QStringView(at + 1, qsizetype(at[0]));
    }
    QString String(Place place) const;

private:
    static constexpr unsigned kPosBits = 16;
    static constexpr qsizetype kFirstChunk = 2048;
    static constexpr qsizetype kLargestChunk = qsizetype(1) << kPosBits;

    const char16_t* At(Place place) const {
        return m_chunks[place >> kPosBits].data + (place & (kLargestChunk - 1));
    }
    void NewChunk(qsizetype atLeast);

    struct Chunk {
        QString hold; // an empty string over the chunk's memory: its reference keeps it alive
        char16_t* data;
    };
    std::vector<Chunk> m_chunks;
    qsizetype m_used = 0; // characters used in the last chunk
    qsizetype m_size = 0; // characters the last chunk holds
};
