#pragma once

#include "valuelist/EntryRule.h"

#include <QString>
#include <QStringView>

class CEntryData;

// What is wrong with one value under its entry's rules. Nothing here refuses a value: the
// file may hold anything, the window marks and quillet-cli check reports what breaks a rule.
enum class EValueProblem { None, NotAdmissible, WrongType, OutOfRange };

// Why a rule itself cannot be kept, and which of its fields to put right.
struct CRuleFault {
    enum class Field { None, Type, Min, Max, Default, Description };
    Field field = Field::None;
    QString message; // a fixed Japanese message; empty when the rule is fine

    explicit operator bool() const { return field != Field::None; }
};

// Reading values the way the programs that read INI files do, and checking them against an
// entry's rules. Widget-free, so that the command line and the window judge alike.
class CRuleCheck {
public:
    // Decimal digits with an optional sign ("-0", "+5"); white space around is allowed, as the
    // profile functions drop it anyway. "1e3", "0x10", "1 000" and fullwidth digits are no
    // integers: a program reading the key as one would not read that number.
    static bool ParseInteger(QStringView text, qint64& value);
    // A decimal number with optional sign, fraction and exponent ("1e3", "-.5"). No hex, no
    // "inf" or "nan", nothing that overflows.
    static bool ParseNumber(QStringView text, double& value);
    // true/false, yes/no, on/off and 1/0, in any letter case.
    static bool ParseBoolean(QStringView text, bool& value);
    static const char16_t* BooleanSpellings() { return u"true/false, yes/no, on/off, 1/0"; }

    // The type that decides: an entry without one is a choice when it lists values.
    static EValueType EffectiveType(const CEntryData& entry);
    static EValueProblem Check(const CEntryData& entry, QStringView value);
    // The words of the window's tooltip: "範囲外 (0〜100)", "整数ではありません", ...
    static QString Reason(const CEntryData& entry, EValueProblem problem);
    // "0〜100", "0〜" or "〜100"; empty without bounds.
    static QString RangeText(const CEntryRule& rule);
    // A bound as a file would write it: "100", "0.5", "-3".
    static QString BoundText(double bound);

    // Whether the rule holds together: a range only on a numeric type, the minimum not above
    // the maximum, a default of the type, in range and among the values of a choice, texts
    // without line breaks. The first fault found, in that order.
    static CRuleFault Validate(const CEntryData& entry);
    // Whether value is equal to the entry's default (exact text).
    static bool IsDefault(const CEntryData& entry, QStringView value);
};
