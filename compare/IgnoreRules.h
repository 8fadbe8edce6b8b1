#pragma once

#include <QString>
#include <QStringList>

// Names whose differences do not count: glob patterns over "section/key", compared without
// regard to case. "*" matches any run of characters ("/" too), "?" one character and "[...]"
// one of a set ("[!...]" one outside it). A pattern without "/" names whole sections.
class CIgnoreRules {
public:
    // Adds one pattern, trimmed; an empty one is left out.
    void Add(const QString& pattern);
    void Add(const CIgnoreRules& other);

    // Reads a pattern file: one pattern a line, lines starting with "#" and blank lines left
    // out. A missing file holds no patterns; one that cannot be read fails with errorText.
    bool ReadFile(const QString& path, QString& errorText);

    // Does the row of this section and key (empty for a section without entries) fall under a
    // pattern?
    bool Matches(const QString& section, const QString& key) const;

    bool IsEmpty() const { return m_folded.isEmpty(); }
    const QStringList& Patterns() const { return m_patterns; }

private:
    QStringList m_patterns; // as given
    QStringList m_folded;   // the same folded to lower case, each with "/*" for a bare section
};

// The file a compared folder keeps its ignore patterns in.
inline QString IgnoreFileName() {
    return QStringLiteral(".quillet-ignore");
}
