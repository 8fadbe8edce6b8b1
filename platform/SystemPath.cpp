#include "SystemPath.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr QChar kReplacement(0xFFFD);

// Whether the folder holds no entry of exactly the bytes `name` encodes to, but one that reads
// as `name`: then `name` came from those other bytes, and names a file that is not there.
bool OnlyLookAlikeExists(const QString& folder, const QString& name) {
    const QByteArray exact = QFile::encodeName(folder + u'/' + name);
    struct stat st;
    if (::lstat(exact.constData(), &st) == 0)
        return false;
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(
        ::opendir(QFile::encodeName(folder.isEmpty() ? QStringLiteral("/") : folder).constData()),
        &::closedir);
    if (!dir)
        return false;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (QFile::decodeName(QByteArray(entry->d_name)) == name)
            return true;
    }
    return false;
}

// Whether the current folder's name, as Qt gives it, encodes back to the folder's bytes.
bool CurrentFolderIsExact() {
    const std::unique_ptr<char, void (*)(void*)> bytes(::getcwd(nullptr, 0), &std::free);
    return bytes && QFile::encodeName(QDir::currentPath()) == QByteArray(bytes.get());
}

} // namespace

QString CSystemPath::InexactPart(const QString& path) {
    if (path.isEmpty())
        return {};
    const QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    // Text that no bytes give back (a lone surrogate) cannot name a file at all.
    if (QFile::decodeName(QFile::encodeName(absolute)) != absolute)
        return absolute;
    if (!absolute.contains(kReplacement))
        return {};
    // A path within a current folder whose name did not decode came from its lost bytes.
    const QString current = QDir::currentPath();
    if ((absolute == current || absolute.startsWith(current + u'/')) && !CurrentFolderIsExact())
        return current;
    // Elsewhere a U+FFFD is real unless only another spelling of the name is there.
    QString folder;
    for (const QString& part : absolute.split(u'/', Qt::SkipEmptyParts)) {
        if (part.contains(kReplacement) && OnlyLookAlikeExists(folder, part))
            return folder + u'/' + part;
        folder += u'/' + part;
    }
    return {};
}

QString CSystemPath::RefusalText(const QString& inexact) {
    return QStringLiteral("名前にシステムの文字コードで表せないバイトがあるため使えません: ") +
           QDir::toNativeSeparators(inexact);
}
