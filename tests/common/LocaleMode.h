#pragma once

#include "platform/TextUtil.h"

// Sets the process-wide locale switch for one test and restores it afterwards, so tests do
// not leak their mode into each other.
class LocaleMode {
public:
    explicit LocaleMode(bool japanese) : m_previous(Text::IsJapaneseLocale()) {
        Text::SetJapaneseLocale(japanese);
    }
    ~LocaleMode() { Text::SetJapaneseLocale(m_previous); }
    LocaleMode(const LocaleMode&) = delete;
    LocaleMode& operator=(const LocaleMode&) = delete;

private:
    bool m_previous;
};
