#pragma once

#include <QString>
#include <QStringView>

// Makes many short strings that share their memory: their text goes one after another into a
// large block, and each string holds a reference to the block as a QString copy holds one to
// its text. A file's values and keys are mostly a few characters long, where a string of its
// own costs a heap allocation several times the text; here they cost the text and a NUL.
//
// The strings behave as any other: copying shares, the first change of a shared one makes it
// a copy of its own. A block is freed with the last string that refers to it, so one value
// kept long after its file (in an undo step) keeps its block.
class CStringBlocks {
public:
    // Characters in a block; longer texts get strings of their own.
    static constexpr qsizetype kBlockSize = 4096;
    static constexpr qsizetype kLongest = 256;

    QString Make(QStringView text);

private:
    void NewBlock();

    QString m_block; // this object's reference to the block being filled
    char16_t* m_next = nullptr;
    qsizetype m_room = 0;
};
