// Values judged by an entry's rules, and rules judged by themselves.
#include "QStringPrinter.h"

#include "valuelist/EntryData.h"
#include "valuelist/RuleCheck.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

struct ValueRow {
    const char* name;
    EValueType type;
    std::optional<double> min, max;
    const char* value;
    EValueProblem expected;
};

class RuleCheckValue : public ::testing::TestWithParam<ValueRow> {};

TEST_P(RuleCheckValue, JudgesAsAProgramReadingTheKeyWould) {
    const ValueRow& row = GetParam();
    CEntryData entry(QStringLiteral("k"), QString());
    entry.m_rule.m_type = row.type;
    entry.m_rule.m_min = row.min;
    entry.m_rule.m_max = row.max;
    if (row.type == EValueType::Choice || row.type == EValueType::Unset) {
        entry.AppendValue(QStringLiteral("on"), QString());
        entry.AppendValue(QStringLiteral("off"), QString());
    }
    EXPECT_EQ(CRuleCheck::Check(entry, QString::fromUtf8(row.value)), row.expected);
}

using T = EValueType;
using P = EValueProblem;
constexpr std::nullopt_t none = std::nullopt;

INSTANTIATE_TEST_SUITE_P(
    , RuleCheckValue,
    ::testing::Values(
        ValueRow{"IntegerMinusZero", T::Integer, none, none, "-0", P::None},
        ValueRow{"IntegerPlusFive", T::Integer, none, none, "+5", P::None},
        ValueRow{"IntegerBlanksAround", T::Integer, none, none, " 5\t", P::None},
        ValueRow{"IntegerExponent", T::Integer, none, none, "1e3", P::WrongType},
        ValueRow{"IntegerHex", T::Integer, none, none, "0x10", P::WrongType},
        ValueRow{"IntegerSpaceInside", T::Integer, none, none, "1 000", P::WrongType},
        ValueRow{"IntegerEmpty", T::Integer, none, none, "", P::WrongType},
        ValueRow{"IntegerSignAlone", T::Integer, none, none, "-", P::WrongType},
        ValueRow{"IntegerFullwidth", T::Integer, none, none, "５", P::WrongType},
        ValueRow{"IntegerOverflow", T::Integer, none, none, "9223372036854775808", P::WrongType},
        ValueRow{"IntegerFraction", T::Integer, none, none, "1.0", P::WrongType},
        ValueRow{"IntegerAtMin", T::Integer, 0.0, 100.0, "0", P::None},
        ValueRow{"IntegerAtMax", T::Integer, 0.0, 100.0, "100", P::None},
        ValueRow{"IntegerBelowMin", T::Integer, 0.0, 100.0, "-1", P::OutOfRange},
        ValueRow{"IntegerAboveMax", T::Integer, 0.0, 100.0, "101", P::OutOfRange},
        ValueRow{"IntegerOnlyMax", T::Integer, none, 10.0, "-99999", P::None},
        ValueRow{"NumberExponent", T::Number, none, none, "1e3", P::None},
        ValueRow{"NumberBareFraction", T::Number, none, none, "-.5", P::None},
        ValueRow{"NumberTrailingPoint", T::Number, none, none, "1.", P::None},
        ValueRow{"NumberHex", T::Number, none, none, "0x10", P::WrongType},
        ValueRow{"NumberInfinity", T::Number, none, none, "inf", P::WrongType},
        ValueRow{"NumberNan", T::Number, none, none, "nan", P::WrongType},
        ValueRow{"NumberOverflow", T::Number, none, none, "1e999", P::WrongType},
        ValueRow{"NumberExponentWithoutDigits", T::Number, none, none, "1e", P::WrongType},
        ValueRow{"NumberDecimalComma", T::Number, none, none, "1,5", P::WrongType},
        ValueRow{"NumberAtMax", T::Number, 0.5, 1.5, "1.5", P::None},
        ValueRow{"NumberJustAboveMax", T::Number, 0.5, 1.5, "1.5000001", P::OutOfRange},
        ValueRow{"NumberJustBelowMin", T::Number, 0.5, 1.5, "0.4999", P::OutOfRange},
        ValueRow{"BooleanTrueUpper", T::Boolean, none, none, "TRUE", P::None},
        ValueRow{"BooleanNoMixed", T::Boolean, none, none, "No", P::None},
        ValueRow{"BooleanOn", T::Boolean, none, none, "on", P::None},
        ValueRow{"BooleanOff", T::Boolean, none, none, "OFF", P::None},
        ValueRow{"BooleanOne", T::Boolean, none, none, "1", P::None},
        ValueRow{"BooleanZero", T::Boolean, none, none, "0", P::None},
        ValueRow{"BooleanTwo", T::Boolean, none, none, "2", P::WrongType},
        ValueRow{"BooleanLetter", T::Boolean, none, none, "y", P::WrongType},
        ValueRow{"BooleanEmpty", T::Boolean, none, none, "", P::WrongType},
        ValueRow{"ChoiceListed", T::Choice, none, none, "off", P::None},
        ValueRow{"ChoiceOtherCase", T::Choice, none, none, "ON", P::NotAdmissible},
        ValueRow{"UnsetWithValuesIsChoice", T::Unset, none, none, "maybe", P::NotAdmissible},
        ValueRow{"TextTakesAnything", T::Text, none, none, "0x10 or so", P::None}),
    [](const ::testing::TestParamInfo<ValueRow>& info) { return std::string(info.param.name); });

TEST(RuleCheck, EntriesWithoutRuleOrValuesConstrainNothingAndReasonsNameTheRule) {
    CEntryData free(QStringLiteral("k"), QString());
    EXPECT_EQ(CRuleCheck::Check(free, u"anything"), EValueProblem::None);
    free.m_rule.m_type = EValueType::Choice; // a choice of nothing offers the file's value
    EXPECT_EQ(CRuleCheck::Check(free, u"anything"), EValueProblem::None);

    CEntryData level(QStringLiteral("k"), QString());
    level.m_rule.m_type = EValueType::Integer;
    level.m_rule.m_min = 0;
    level.m_rule.m_max = 100;
    EXPECT_EQ(CRuleCheck::Reason(level, EValueProblem::OutOfRange), u"範囲外 (0〜100)");
    EXPECT_EQ(CRuleCheck::Reason(level, EValueProblem::WrongType), u"整数ではありません");
    level.m_rule.m_min.reset();
    level.m_rule.m_max = 0.25;
    EXPECT_EQ(CRuleCheck::Reason(level, EValueProblem::OutOfRange), u"範囲外 (〜0.25)");
}

struct FaultRow {
    const char* name;
    EValueType type;
    std::optional<double> min, max;
    std::optional<const char*> defaultValue;
    CRuleFault::Field field;
};

class RuleCheckValidate : public ::testing::TestWithParam<FaultRow> {};

TEST_P(RuleCheckValidate, FindsTheFieldToPutRight) {
    const FaultRow& row = GetParam();
    CEntryData entry(QStringLiteral("k"), QString());
    entry.AppendValue(QStringLiteral("low"), QString());
    entry.AppendValue(QStringLiteral("high"), QString());
    entry.m_rule.m_type = row.type;
    entry.m_rule.m_min = row.min;
    entry.m_rule.m_max = row.max;
    if (row.defaultValue)
        entry.m_rule.m_default = QString::fromUtf8(*row.defaultValue);
    const CRuleFault fault = CRuleCheck::Validate(entry);
    EXPECT_EQ(fault.field, row.field);
    EXPECT_EQ(fault.message.isEmpty(), row.field == CRuleFault::Field::None);
}

using F = CRuleFault::Field;

INSTANTIATE_TEST_SUITE_P(
    , RuleCheckValidate,
    ::testing::Values(FaultRow{"SoundRange", T::Integer, 0.0, 100.0, "50", F::None},
                      FaultRow{"EqualBounds", T::Number, 1.0, 1.0, "1", F::None},
                      FaultRow{"MinAboveMax", T::Integer, 5.0, 1.0, none, F::Min},
                      FaultRow{"RangeOnText", T::Text, 0.0, none, none, F::Min},
                      FaultRow{"RangeWithoutType", T::Unset, none, 3.0, none, F::Min},
                      FaultRow{"DefaultBelowRange", T::Integer, 0.0, 100.0, "-1", F::Default},
                      FaultRow{"DefaultNotOfType", T::Integer, none, none, "ten", F::Default},
                      FaultRow{"DefaultNotAmongValues", T::Choice, none, none, "mid", F::Default},
                      FaultRow{"DefaultAmongValues", T::Unset, none, none, "high", F::None}),
    [](const ::testing::TestParamInfo<FaultRow>& info) { return std::string(info.param.name); });

} // namespace
