#include "ini/ProfileAccess.h"

#include "platform/ProfileApi.h"

unsigned CProfileAccess::GetPrivateProfileSectionNamesW(char16_t* buffer, unsigned size,
                                                        const QString& path) {
    return ::GetPrivateProfileSectionNamesW(buffer, size, path);
}

unsigned CProfileAccess::GetPrivateProfileSectionW(const QString& section, char16_t* buffer,
                                                   unsigned size, const QString& path) {
    return ::GetPrivateProfileSectionW(section, buffer, size, path);
}

int CProfileAccess::WritePrivateProfileStringW(const QString& section, const QString& key,
                                               const QString& value, const QString& path) {
    return ::WritePrivateProfileStringW(section, key, value, path);
}

CProfileAccess& CProfileAccess::Platform() {
    static CProfileAccess platform;
    return platform;
}
