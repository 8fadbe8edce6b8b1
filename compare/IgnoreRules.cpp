#include "compare/IgnoreRules.h"

#include "platform/TextUtil.h"

#include <QFile>

namespace {

// Where the set starting at pattern[at] (just after "[") ends: the index of its "]", or -1
// when it is not closed (then "[" is an ordinary character). A "]" right after "[" or "[!"
// belongs to the set.
qsizetype SetEnd(QStringView pattern, qsizetype at) {
    qsizetype i = at;
    if (i < pattern.size() && pattern[i] == u'!')
        ++i;
    if (i < pattern.size() && pattern[i] == u']')
        ++i;
    while (i < pattern.size() && pattern[i] != u']')
        ++i;
    return i < pattern.size() ? i : -1;
}

bool InSet(QStringView set, QChar c) {
    const bool negated = set.startsWith(u'!');
    if (negated)
        set = set.mid(1);
    bool found = false;
    for (qsizetype i = 0; i < set.size() && !found; ++i) {
        if (i + 2 < set.size() && set[i + 1] == u'-') {
            found = set[i] <= c && c <= set[i + 2];
            i += 2;
        } else {
            found = set[i] == c;
        }
    }
    return found != negated;
}

// Glob match of the whole text, both already folded. "*" backtracks to the last star only,
// which keeps the match linear in practice.
bool GlobMatch(QStringView pattern, QStringView text) {
    qsizetype p = 0, t = 0, starP = -1, starT = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = ++p;
            starT = t;
            continue;
        }
        if (p < pattern.size()) {
            const QChar c = pattern[p];
            const qsizetype end = c == u'[' ? SetEnd(pattern, p + 1) : -1;
            if (end > 0 && InSet(pattern.sliced(p + 1, end - p - 1), text[t])) {
                p = end + 1;
                ++t;
                continue;
            }
            if (end < 0 && (c == u'?' || c == text[t])) {
                ++p;
                ++t;
                continue;
            }
        }
        if (starP < 0)
            return false;
        p = starP;
        t = ++starT;
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

void CIgnoreRules::Add(const QString& pattern) {
    const QString trimmed = Text::Trim(pattern);
    if (trimmed.isEmpty())
        return;
    m_patterns.append(trimmed);
    QString folded = Text::FoldCase(trimmed);
    if (!folded.contains(u'/'))
        folded += QStringLiteral("/*");
    m_folded.append(folded);
}

void CIgnoreRules::Add(const CIgnoreRules& other) {
    for (const QString& pattern : other.m_patterns)
        Add(pattern);
}

bool CIgnoreRules::ReadFile(const QString& path, QString& errorText) {
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        errorText = file.errorString();
        return false;
    }
    const QString text = QString::fromUtf8(file.readAll());
    for (const QStringView line : QStringView(text).split(u'\n')) {
        const QStringView trimmed = Text::TrimmedView(line);
        if (!trimmed.isEmpty() && !trimmed.startsWith(u'#'))
            Add(trimmed.toString());
    }
    return true;
}

bool CIgnoreRules::Matches(const QString& section, const QString& key) const {
    if (m_folded.isEmpty())
        return false;
    const QString name = Text::FoldCase(section + u'/' + key);
    for (const QString& pattern : m_folded) {
        if (GlobMatch(pattern, name))
            return true;
    }
    return false;
}
