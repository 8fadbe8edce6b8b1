#include "compare/FolderCompare.h"

#include "platform/TextUtil.h"

#include <QDir>
#include <QHash>
#include <QMultiHash>
#include <algorithm>

namespace {

CFilePairStatus OneSide(const QString& path, CFilePairStatus::Kind kind) {
    CFilePairStatus status;
    (kind == CFilePairStatus::OnlyIn1 ? status.path1 : status.path2) = path;
    status.kind = kind;
    return status;
}

void AddUnreadable(std::vector<CFilePairStatus>& pairs, const CFolderScan& scan, int side) {
    for (const CFolderScan::Unreadable& u : scan.unreadable) {
        CFilePairStatus status;
        (side == 1 ? status.path1 : status.path2) = u.relativePath;
        status.kind = CFilePairStatus::Unreadable;
        status.side = side;
        status.errorText = u.reason;
        pairs.push_back(std::move(status));
    }
}

bool PathLess(const CFilePairStatus& a, const CFilePairStatus& b) {
    const int folded = Text::CompareNoCase(a.Path(), b.Path());
    return folded != 0 ? folded < 0 : a.Path() < b.Path();
}

} // namespace

CFolderCompare::CFolderCompare(QString folder1, QString folder2, CRowRules rules)
    : m_folder1(std::move(folder1)), m_folder2(std::move(folder2)), m_rules(std::move(rules)) {}

std::vector<CFilePairStatus> CFolderCompare::PairFiles(const CFolderScan& scan1,
                                                       const CFolderScan& scan2) {
    std::vector<CFilePairStatus> pairs;
    QHash<QString, qsizetype> exact2;
    for (qsizetype i = 0; i < scan2.files.size(); ++i)
        exact2.insert(scan2.files[i], i);
    std::vector<bool> taken2(size_t(scan2.files.size()), false);
    QStringList rest1;
    for (const QString& path : scan1.files) {
        const auto found = exact2.constFind(path);
        if (found == exact2.cend()) {
            rest1.append(path);
            continue;
        }
        taken2[size_t(*found)] = true;
        CFilePairStatus status;
        status.path1 = status.path2 = path;
        pairs.push_back(std::move(status));
    }
    // What is left pairs without regard to case, the first of a name with the first.
    QMultiHash<QString, qsizetype> folded2;
    for (qsizetype i = scan2.files.size() - 1; i >= 0; --i) {
        if (!taken2[size_t(i)])
            folded2.insert(Text::FoldCase(scan2.files[i]), i);
    }
    for (const QString& path : std::as_const(rest1)) {
        const QString key = Text::FoldCase(path);
        auto found = folded2.find(key);
        if (found == folded2.end()) {
            pairs.push_back(OneSide(path, CFilePairStatus::OnlyIn1));
            continue;
        }
        taken2[size_t(*found)] = true;
        CFilePairStatus status;
        status.path1 = path;
        status.path2 = scan2.files[*found];
        folded2.erase(found);
        pairs.push_back(std::move(status));
    }
    for (qsizetype i = 0; i < scan2.files.size(); ++i) {
        if (!taken2[size_t(i)])
            pairs.push_back(OneSide(scan2.files[i], CFilePairStatus::OnlyIn2));
    }
    AddUnreadable(pairs, scan1, 1);
    AddUnreadable(pairs, scan2, 2);
    std::stable_sort(pairs.begin(), pairs.end(), PathLess);
    return pairs;
}

bool CFolderCompare::ReadIgnoreFile(const QString& folder) {
    QString error;
    const QString path = QDir(folder).filePath(IgnoreFileName());
    if (!m_rules.ignore.ReadFile(path, error)) {
        m_errorText = QStringLiteral("%1: %2").arg(path, error);
        return false;
    }
    return true;
}

bool CFolderCompare::Scan() {
    m_pairs.clear();
    m_scan1 = CFolderScan::Scan(m_folder1);
    m_scan2 = CFolderScan::Scan(m_folder2);
    m_errorText = !m_scan1.Ok() ? m_scan1.errorText : m_scan2.errorText;
    if (!m_errorText.isEmpty())
        return false;
    if (!ReadIgnoreFile(m_folder1) || !ReadIgnoreFile(m_folder2))
        return false;
    m_pairs = PairFiles(m_scan1, m_scan2);
    return true;
}

QString CFolderCompare::FullPath(int side, const QString& relative) const {
    return QDir(side == 1 ? m_folder1 : m_folder2).absoluteFilePath(relative);
}

const CFilePairStatus& CFolderCompare::ComparePair(size_t index) {
    CFilePairStatus& pair = m_pairs.at(index);
    // A file only one folder has, or that its walk could not read, has nothing to compare.
    if (pair.path1.isEmpty() || pair.path2.isEmpty())
        return pair;
    CFilePairStatus status =
        CFilePairStatus::CompareFiles(FullPath(1, pair.path1), FullPath(2, pair.path2), m_rules);
    status.path1 = pair.path1;
    status.path2 = pair.path2;
    pair = std::move(status);
    return pair;
}

bool CFolderCompare::CompareAll(
    const std::function<void(size_t index, const CFilePairStatus&)>& done,
    const std::atomic<bool>* stop) {
    for (size_t i = 0; i < m_pairs.size(); ++i) {
        if (stop && stop->load())
            return false;
        const CFilePairStatus& status = ComparePair(i);
        if (done)
            done(i, status);
    }
    return true;
}
