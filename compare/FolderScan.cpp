#include "compare/FolderScan.h"

#include <QFile>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool IsIniName(const fs::path& name) {
    const QString text = QFile::decodeName(name.filename().native().c_str());
    return text.endsWith(QStringLiteral(".ini"), Qt::CaseInsensitive);
}

QString Reason(const std::error_code& error) {
    return QString::fromLocal8Bit(error.message());
}

// Is path at or below root (both canonical)?
bool IsInside(const fs::path& path, const fs::path& root) {
    auto p = path.begin();
    for (auto r = root.begin(); r != root.end(); ++r, ++p) {
        if (p == path.end() || *p != *r)
            return false;
    }
    return true;
}

class CWalker {
public:
    CWalker(CFolderScan& scan, fs::path root) : m_scan(scan), m_root(std::move(root)) {}

    void Walk(const fs::path& folder, const QString& prefix) {
        m_open.push_back(fs::canonical(folder, m_error));
        std::error_code error;
        fs::directory_iterator it(folder, error);
        if (error) {
            m_scan.unreadable.push_back({prefix, Reason(error)});
        } else {
            for (; it != fs::directory_iterator(); it.increment(error)) {
                Visit(*it, prefix + QFile::decodeName(it->path().filename().native().c_str()));
                if (error)
                    break;
            }
            if (error)
                m_scan.unreadable.push_back({prefix, Reason(error)});
        }
        m_open.pop_back();
    }

private:
    void Visit(const fs::directory_entry& entry, const QString& relative) {
        std::error_code error;
        const fs::file_status own = entry.symlink_status(error);
        fs::file_status status = own;
        if (fs::is_symlink(own)) {
            const fs::path target = fs::canonical(entry.path(), error);
            if (error) {
                if (IsIniName(entry.path()))
                    m_scan.unreadable.push_back({relative, Reason(error)});
                return;
            }
            if (!IsInside(target, m_root)) {
                ++m_scan.linksOutside;
                return;
            }
            status = fs::status(target, error);
        }
        if (fs::is_directory(status)) {
            VisitFolder(entry.path(), relative);
        } else if (!IsIniName(entry.path())) {
            return;
        } else if (fs::is_regular_file(status)) {
            m_scan.files.append(relative);
        } else if (fs::exists(status)) {
            ++m_scan.specialFiles;
        }
    }

    void VisitFolder(const fs::path& path, const QString& relative) {
        std::error_code error;
        const fs::path canonical = fs::canonical(path, error);
        for (const fs::path& open : m_open) {
            if (!error && open == canonical) {
                ++m_scan.linkLoops;
                return;
            }
        }
        Walk(path, relative + u'/');
    }

    CFolderScan& m_scan;
    const fs::path m_root;
    std::vector<fs::path> m_open; // the folders the walk is inside, canonical
    std::error_code m_error;
};

} // namespace

CFolderScan CFolderScan::Scan(const QString& root) {
    CFolderScan scan;
    scan.root = root;
    const fs::path path(QFile::encodeName(root).toStdString());
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status)) {
        scan.errorText = QStringLiteral("フォルダがありません: %1").arg(root);
        return scan;
    }
    if (!fs::is_directory(status)) {
        scan.errorText = QStringLiteral("フォルダではありません: %1").arg(root);
        return scan;
    }
    const fs::path canonical = fs::canonical(path, error);
    fs::directory_iterator probe(path, error);
    if (error) {
        scan.errorText = QStringLiteral("フォルダを読めません: %1 (%2)").arg(root, Reason(error));
        return scan;
    }
    CWalker(scan, canonical).Walk(path, QString());
    return scan;
}
