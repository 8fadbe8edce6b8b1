#pragma once

#include <QString>

class QWidget;

// The window's way back from a save that was cut off: when a copy of the old text lies
// beside a file the window loads, it tells the user and offers to put the copy back. The
// damaged text is kept beside the file, so nothing is lost either way.
class CBackupOffer {
public:
    // After loading `path` (`errorText` empty when the load succeeded): shows the error as any
    // load error when there is no copy; with one, asks whether to restore it. True when the
    // file now holds the restored text and should be read again.
    static bool AfterLoad(QWidget* parent, const QString& path, const QString& errorText);

private:
    static bool Restore(QWidget* parent, const QString& path, const QString& backup);
};
