#include "app/FrameTexts.h"

#include <QFileInfo>

namespace FrameTexts {

QString WorkText(const QString& what, const QStringList& paths) {
    QStringList names;
    for (const QString& path : paths)
        names.append(QFileInfo(path).fileName());
    return what + names.join(QStringLiteral(", "));
}

QString LoadingText(const QStringList& paths) {
    return WorkText(QStringLiteral("読み込み中: "), paths);
}

QString ShowingText(const QStringList& paths) {
    return WorkText(QStringLiteral("表示中: "), paths);
}

} // namespace FrameTexts
