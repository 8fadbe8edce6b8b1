#pragma once

#include "compare/FilePairStatus.h"
#include "compare/FolderScan.h"

#include <QString>
#include <atomic>
#include <functional>
#include <vector>

// Two folders of INI files compared file by file. The files are paired by their relative
// paths, exactly first and then, for those left, without regard to case (as trees made on
// Windows need); each pair is then loaded and compared by its sections and entries.
class CFolderCompare {
public:
    CFolderCompare(QString folder1, QString folder2, CRowRules rules);

    // Walks both folders and pairs their files; false with ErrorText() when a folder cannot be
    // read. The ignore files of both folders join the rules given.
    bool Scan();

    // The pairs in order of their paths, each with only its paths set (and the kind of a file
    // only one folder has, or that a walk could not read).
    const std::vector<CFilePairStatus>& Pairs() const { return m_pairs; }

    // Compares pair `index`, filling in its status, and returns it.
    const CFilePairStatus& ComparePair(size_t index);

    // Compares every pair in order, telling `done` of each; stops early, returning false, once
    // `stop` is raised.
    bool CompareAll(const std::function<void(size_t index, const CFilePairStatus&)>& done = {},
                    const std::atomic<bool>* stop = nullptr);

    const QString& ErrorText() const { return m_errorText; }
    const CRowRules& Rules() const { return m_rules; }
    const CFolderScan& Scan1() const { return m_scan1; }
    const CFolderScan& Scan2() const { return m_scan2; }
    QString FullPath(int side, const QString& relative) const;

    // Pairs the files of two walks (exposed for tests of the pairing alone).
    static std::vector<CFilePairStatus> PairFiles(const CFolderScan& scan1,
                                                  const CFolderScan& scan2);

private:
    bool ReadIgnoreFile(const QString& folder);

    QString m_folder1, m_folder2;
    CRowRules m_rules;
    CFolderScan m_scan1, m_scan2;
    std::vector<CFilePairStatus> m_pairs;
    QString m_errorText;
};
