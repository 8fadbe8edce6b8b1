#pragma once

#include <QString>
#include <QStringView>
#include <optional>

// What kind of text an entry's value must be. Unset keeps the older meaning: an entry with
// listed values takes one of them, an entry without constrains nothing.
enum class EValueType { Unset, Text, Integer, Number, Boolean, Choice };

// The rules of one entry beyond its admissible values, all optional: a type, a range for the
// numeric types, a default value, whether a file must hold the entry, and a one-line
// description for the user.
class CEntryRule {
public:
    EValueType m_type = EValueType::Unset;
    std::optional<double> m_min;
    std::optional<double> m_max;
    std::optional<QString> m_default;
    bool m_bRequired = false;
    QString m_strDescription;

    // True when the entry says nothing beyond its values: such an entry is stored and written
    // exactly as before rules existed.
    bool IsEmpty() const;
    bool operator==(const CEntryRule&) const = default;

    static bool HasRange(EValueType type) {
        return type == EValueType::Integer || type == EValueType::Number;
    }
    // The name a file and the database use ("integer", ...); empty for Unset.
    static QString TypeName(EValueType type);
    // False for a name this version does not know (a newer one may have written it).
    static bool TypeFromName(QStringView name, EValueType& type);
};
