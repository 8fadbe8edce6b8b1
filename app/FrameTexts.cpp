#include "app/FrameTexts.h"

#include <QFileInfo>

namespace {
constexpr qsizetype kMaxListedEntries = 20;
} // namespace

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

QString WriteFailureText(const QString& path, const QStringList& reasons,
                         const QStringList& unwritten) {
    QString text = QStringLiteral("ファイルへの書き込みに失敗しました。\n") + path;
    for (const QString& reason : reasons)
        text += QStringLiteral("\n理由: ") + reason;
    text += QStringLiteral("\n\n書き込めなかったエントリ:");
    for (qsizetype i = 0; i < unwritten.size() && i < kMaxListedEntries; ++i)
        text += u'\n' + unwritten[i];
    if (unwritten.size() > kMaxListedEntries)
        text += QStringLiteral("\nほか %1 件").arg(unwritten.size() - kMaxListedEntries);
    return text;
}

} // namespace FrameTexts
