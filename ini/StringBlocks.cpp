#include "ini/StringBlocks.h"

#include <algorithm>

QString CStringBlocks::Make(QStringView text) {
    const qsizetype size = text.size();
    if (size == 0 || size > kLongest)
        return text.toString();
    if (size + 1 > m_room)
        NewBlock();
    char16_t* const begin = m_next;
    std::copy_n(text.utf16(), size, begin);
    begin[size] = u'\0'; // a string's text ends with a NUL, which utf16() relies on
    m_next += size + 1;
    m_room -= size + 1;
    QString::DataPointer& block = m_block.data_ptr();
    block.ref();
    return QString(QString::DataPointer(block.d_ptr(), begin, size));
}

void CStringBlocks::NewBlock() {
    const auto [header, data] = QTypedArrayData<char16_t>::allocate(kBlockSize);
    Q_CHECK_PTR(header);
    m_block = QString(QString::DataPointer(header, data, 0));
    m_next = data;
    m_room = kBlockSize;
}
