#pragma once

#include <QString>

// Where the value lists live when no --db names a file: a Quillet.db already in the current
// folder is used, as it always was; otherwise the one in the user's data folder
// ($XDG_DATA_HOME/quillet/Quillet.db, ~/.local/share/quillet/Quillet.db without it), so that a
// program started from the desktop, from / or from any other folder finds the same lists.
class CDataBaseLocation {
public:
    static constexpr const char* kFileName = "Quillet.db";

    // The database to use without --db, as a path relative to the current folder or absolute.
    static QString DefaultPath();
    // The user's own database, whether it exists or not.
    static QString UserDataPath();
    // Makes the folder that is to hold path, with the missing folders above it. False with
    // error set when it cannot be made.
    static bool MakeParentFolder(const QString& path, QString& error);
    // The rule in words, for help texts: two lines ending in a line feed.
    static QString Explained();
};
