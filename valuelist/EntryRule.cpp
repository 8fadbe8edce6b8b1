#include "valuelist/EntryRule.h"

namespace {

const struct {
    EValueType type;
    const char16_t* name;
} kTypeNames[] = {
    {EValueType::Text, u"text"},     {EValueType::Integer, u"integer"},
    {EValueType::Number, u"number"}, {EValueType::Boolean, u"boolean"},
    {EValueType::Choice, u"choice"},
};

} // namespace

bool CEntryRule::IsEmpty() const {
    return *this == CEntryRule();
}

QString CEntryRule::TypeName(EValueType type) {
    for (const auto& known : kTypeNames) {
        if (known.type == type)
            return QString::fromUtf16(known.name);
    }
    return {};
}

bool CEntryRule::TypeFromName(QStringView name, EValueType& type) {
    for (const auto& known : kTypeNames) {
        if (name == QStringView(known.name)) {
            type = known.type;
            return true;
        }
    }
    return false;
}
