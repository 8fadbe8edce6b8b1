#include "valuelist/ValueData.h"

CValueData::CValueData() = default;

CValueData::CValueData(const QString& code, const QString& name) : m_strCode(code) {
    m_strName = name;
}

CValueData::~CValueData() = default;

CValueData* CValueData::NextValue() const {
    return dynamic_cast<CValueData*>(Next());
}
