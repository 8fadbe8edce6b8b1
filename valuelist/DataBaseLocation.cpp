#include "valuelist/DataBaseLocation.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString CDataBaseLocation::DefaultPath() {
    const QString here = QString::fromLatin1(kFileName);
    // Anything of that name counts, a folder too: opening it then fails with its name shown,
    // rather than the lists quietly coming from somewhere else.
    return QFileInfo::exists(here) ? here : UserDataPath();
}

QString CDataBaseLocation::UserDataPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/quillet/") + QString::fromLatin1(kFileName);
}

bool CDataBaseLocation::MakeParentFolder(const QString& path, QString& error) {
    const QString folder = QFileInfo(path).absolutePath();
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return true;
    error = QStringLiteral("the folder %1 could not be made").arg(QDir::toNativeSeparators(folder));
    return false;
}

QString CDataBaseLocation::Explained() {
    return QStringLiteral("Without --db the value lists are in ./Quillet.db when the current\n"
                          "folder holds one, else in %1.\n")
        .arg(QDir::toNativeSeparators(UserDataPath()));
}
