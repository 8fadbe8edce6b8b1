#pragma once

#include <QString>
#include <optional>

// One key on which ours and theirs made changes that do not agree; ours' value stands in the
// result until someone decides. A value is absent where that file lacks the key.
struct CMergeConflict {
    QString section; // as ours spells it, else as theirs does
    QString key;     // empty when the conflict is about the section itself
    std::optional<QString> base, ours, theirs;
    QString reason;
};
