#pragma once

#include <QString>

// A long option as GNU programs take it: "--db PATH" or "--db=PATH". Splits arg into the
// option's name and, in the second form, the value it carries; true when it carries one.
inline bool SplitLongOption(const QString& arg, QString& name, QString& value) {
    const qsizetype equals = arg.startsWith(u"--") ? arg.indexOf(u'=') : -1;
    name = equals < 0 ? arg : arg.left(equals);
    value = equals < 0 ? QString() : arg.mid(equals + 1);
    return equals >= 0;
}
