#pragma once

#include <QString>
#include <QStringList>

// What the main window says about its work on files, in the status bar and in its messages.
namespace FrameTexts {

// what, then the files' names.
QString WorkText(const QString& what, const QStringList& paths);
QString LoadingText(const QStringList& paths);
QString ShowingText(const QStringList& paths);
// The message after a save that left entries unwritten, with the writer's reasons.
QString WriteFailureText(const QString& path, const QStringList& reasons,
                         const QStringList& unwritten);

} // namespace FrameTexts
