#pragma once

#include <QString>
#include <QStringList>

// What the main window says about its work on files, in the status bar and in its messages.
namespace FrameTexts {

// what, then the files' names.
QString WorkText(const QString& what, const QStringList& paths);
QString LoadingText(const QStringList& paths);
QString ShowingText(const QStringList& paths);

} // namespace FrameTexts
