#pragma once

#include <QString>
#include <QStringList>
#include <vector>

// The INI files below one folder, found the way a folder comparison needs them: every file
// whose name ends in ".ini" (any case), at any depth, by its path relative to the folder with
// "/" between the parts. Symbolic links are followed only while they stay inside the folder;
// what cannot be compared is counted or listed instead of stopping the walk.
struct CFolderScan {
    struct Unreadable {
        QString relativePath; // a file, or a folder (then ending in "/")
        QString reason;
    };

    QString root;      // the folder as given
    QString errorText; // set when the folder itself cannot be read; then nothing else is
    QStringList files; // relative paths, in the order of the walk
    std::vector<Unreadable> unreadable;
    int specialFiles = 0; // FIFOs, devices and sockets named like an INI file
    int linkLoops = 0;    // links to a folder the walk is already inside
    int linksOutside = 0; // links that lead out of the folder

    bool Ok() const { return errorText.isEmpty(); }

    // Walks root. A root that is missing or no folder fails with a message naming it.
    static CFolderScan Scan(const QString& root);
};
