#pragma once

#include "ini/ProfileAccess.h"

// The platform's private-profile calls, with a load that reads the file once: one pass over
// its text tells the sink every section, with exactly what the names and section readers
// would have handed out, without the parsed copy of the file they answer from and without a
// section buffer to copy each section through.
class CPlatformProfile : public CProfileAccess {
public:
    bool ReadSections(const QString& path, CSectionSink& sink, QString& errorText) override;
};
