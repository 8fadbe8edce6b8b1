#pragma once

#include "ini/KeyPool.h"
#include "ini/LoadedKeys.h"
#include "ini/SectionSink.h"
#include "ini/TextStore.h"

#include <memory>

class CIniData;
class CIniSectionData;

// Builds a model from what a read tells it, by the loader's rules: a section name listed
// twice (ignoring case) fails the load, a section whose lines do not fit the section buffer is
// left out and recorded, a line becomes an entry when it has a key before its '=', and the
// first line with a key wins. Keys and values stay exactly as the lines have them.
class CIniLoader final : public CSectionSink {
public:
    explicit CIniLoader(CIniData& ini);
    ~CIniLoader() override;
    CIniLoader(const CIniLoader&) = delete;
    CIniLoader& operator=(const CIniLoader&) = delete;

    bool BeginSection(const QString& name, QString& errorText) override;
    void AddLine(QStringView key, QStringView value) override;
    void EndSection(bool fits, qsizetype length) override;
    void ForgetSections() override;

private:
    CIniData& m_ini;
    std::unique_ptr<CIniSectionData> m_section; // the one being read
    CLoadedKeys m_keys;                         // its keys so far
    std::shared_ptr<CTextStore> m_pText;        // every key and value of the load
    CKeyPool m_keyPool;                         // where equal keys share their text
};
