#include "view/FoldedTexts.h"

#include "platform/TextUtil.h"

const QString& CFoldedTexts::Upper(size_t slot, const QString& text) {
    if (slot >= m_cells.size())
        m_cells.resize(slot + 1);
    Cell& cell = m_cells[slot];
    if (cell.source.constData() != text.constData() || cell.source.size() != text.size() ||
        cell.source.isNull() != text.isNull()) {
        cell.source = text;
        cell.upper = Text::ToUpper(text);
    }
    return cell.upper;
}

void CFoldedTexts::Clear() {
    m_cells.clear();
    m_cells.shrink_to_fit();
}
