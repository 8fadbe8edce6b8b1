#pragma once

#include <QString>
#include <vector>

// The upper-cased texts of the grid's cells for find, each made once: a search types a new
// letter into the find box and walks every cell again, and upper-casing them all anew cost
// more than the walk. A cell's copy is made again only when the cell holds another string
// than the one it was made from (an edit, an undo, another file). The cache keeps a reference
// to that string, so a new one can never sit at the same address and pass for it.
class CFoldedTexts {
public:
    // text upper-cased as Text::ToUpper does, for the cell numbered slot.
    const QString& Upper(size_t slot, const QString& text);
    // Lets go of every copy (and of the strings they were made from).
    void Clear();

private:
    struct Cell {
        QString source, upper;
    };
    std::vector<Cell> m_cells;
};
