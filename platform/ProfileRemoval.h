#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

// Removes keys and sections from a file's bytes the way WritePrivateProfileString does when
// it is given a null value (the key goes) or a null key (the section goes):
//
// - A key: the line a write of that key would rewrite (the first entry line of the key in the
//   first section of that name) goes with its line break. When the section has no such line,
//   its first line without '=' that reads as the key goes instead, since that is the line the
//   readers take for the key.
// - A section: its first block goes, from the header line to the line before the next header,
//   the comments and blank lines of its body with it. A later block of the same name stays.
// - A missing key or section is no error: nothing changes.
// - Every other byte stays: encoding, BOM and line ends. When the last line of a file without
//   a final line break goes, the line before it keeps its break.
//
// Names are matched as the writer matches them: U+0020 trimmed from the caller's names, blanks
// from the file's, case ignored.
class CProfileRemoval {
public:
    struct Target {
        QString section;
        QString key;
        bool wholeSection = false;
    };

    // Applies the removals in order: the bytes are those that removing one at a time would
    // leave. `reasons` gets for each target why it was refused, or an empty string.
    static QByteArray Apply(const QByteArray& bytes, const std::vector<Target>& targets,
                            std::vector<QString>& reasons);
};
