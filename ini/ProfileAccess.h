#pragma once

#include <QString>

// The three private-profile calls the INI model makes, gathered behind virtual functions. The
// default implementation forwards to the platform layer; tests derive from it to hand the
// loader lines the platform never returns and to watch what the writer asks for.
class CProfileAccess {
public:
    virtual ~CProfileAccess() = default;

    virtual unsigned GetPrivateProfileSectionNamesW(char16_t* buffer, unsigned size,
                                                    const QString& path);
    virtual unsigned GetPrivateProfileSectionW(const QString& section, char16_t* buffer,
                                               unsigned size, const QString& path);
    virtual int WritePrivateProfileStringW(const QString& section, const QString& key,
                                           const QString& value, const QString& path);

    // The instance every model uses unless it is given another one.
    static CProfileAccess& Platform();
};
