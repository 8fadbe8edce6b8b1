#include "ini/TextStore.h"

#include <algorithm>
#include <new>

CTextStore::Place CTextStore::Add(QStringView text) {
    const qsizetype size = std::min(text.size(), kLongest);
    if (m_chunks.empty() || m_used + size + 2 > m_size)
        NewChunk(size + 2);
    char16_t* const at = m_chunks.back().data + m_used;
    at[0] = char16_t(size);
    std::copy_n(text.utf16(), size, at + 1);
    at[size + 1] = u'\0';
    const Place place = Place((m_chunks.size() - 1) << kPosBits) | Place(m_used);
    m_used += size + 2;
    return place;
}

QString CTextStore::String(Place place) const {
    const Chunk& chunk = m_chunks[place >> kPosBits];
    char16_t* const at = chunk.data + (place & (kLargestChunk - 1));
    QString::DataPointer& hold = const_cast<QString&>(chunk.hold).data_ptr();
    hold.ref();
    return QString(QString::DataPointer(hold.d_ptr(), at + 1, qsizetype(at[0])));
}

void CTextStore::NewChunk(qsizetype atLeast) {
    // Chunks double up to the largest a place can address, so that a small file costs little.
    qsizetype size = m_chunks.empty() ? kFirstChunk : std::min(m_size * 2, kLargestChunk);
    size = std::max(size, atLeast);
    if ((m_chunks.size() + 1) > (std::size_t(1) << (kPlaceBits - kPosBits)))
        throw std::bad_alloc(); // beyond any file the reader takes
    const auto [header, data] = QTypedArrayData<char16_t>::allocate(size);
    Q_CHECK_PTR(header);
    m_chunks.push_back({QString(QString::DataPointer(header, data, 0)), data});
    m_used = 0;
    m_size = size;
}
