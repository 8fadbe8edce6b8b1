#pragma once

#include <QString>
#include <QStringView>

// Whether a text, upper-cased as Text::ToUpper does, holds a search text: the same answer as
// Text::ToUpper(cell).contains(text), but without making the upper-cased copy. Find tests every
// cell of the grid on each keystroke; copies of them all would take more memory than the file's
// own model, and making them took longer than the walk.
class CFoldedMatch {
public:
    // text is compared as given, unit for unit, with the upper-cased cell (the find box
    // upper-cases what was typed). Cells are upper-cased under the locale switch as it is when
    // they are tested.
    explicit CFoldedMatch(const QString& text);

    // Inline for the common case, a cell of ASCII without the text's first letter: find asks
    // this of every cell on each keystroke.
    bool In(QStringView cell) const {
        for (const QChar c : cell) {
            if (c.unicode() >= 128 || m_startsWith[c.unicode()])
                return InFrom(cell);
        }
        return m_text.isEmpty();
    }

private:
    bool InFrom(QStringView cell) const;
    // Whether the upper-cased cell continues with the whole text from the code point at `at`,
    // leaving out the first `skip` units of that code point's upper case.
    bool MatchesAt(QStringView cell, qsizetype at, int skip) const;

    QString m_text;
    // Which ASCII characters upper-case to the text's first unit.
    bool m_startsWith[128] = {};
};
