#pragma once

#include <QString>

// Paths as the system spells them. Qt holds a path as text: a name whose bytes are not valid
// text in the system's encoding (\xFE in a UTF-8 system) decodes to U+FFFD and encodes back to
// other bytes, so the text names another file, or none. Such a path is refused, never used.
class CSystemPath {
public:
    // Empty when `path` (taken against the current folder when relative) names the file the
    // system's bytes name; otherwise the leading part of it that cannot be named exactly.
    static QString InexactPart(const QString& path);

    // What a window says when it refuses such a path, naming the part found by InexactPart.
    static QString RefusalText(const QString& inexact);
};
