#include "valuelist/RuleCheck.h"

#include "valuelist/EntryData.h"

#include <QLocale>
#include <cmath>

namespace {

// The profile functions drop spaces and tabs around a value; nothing else counts as space.
QStringView TrimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t'))
        ++begin;
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t'))
        --end;
    return text.mid(begin, end - begin);
}

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Advances over ASCII digits; the count of digits passed.
qsizetype SkipDigits(QStringView text, qsizetype& i) {
    const qsizetype start = i;
    while (i < text.size() && IsAsciiDigit(text[i]))
        ++i;
    return i - start;
}

bool IsDecimalNumber(QStringView text) {
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = SkipDigits(text, i);
    if (i < text.size() && text[i] == u'.') {
        ++i;
        digits += SkipDigits(text, i);
    }
    if (digits == 0)
        return false;
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (SkipDigits(text, i) == 0)
            return false;
    }
    return i == text.size();
}

bool InRange(const CEntryRule& rule, double value) {
    return (!rule.m_min || value >= *rule.m_min) && (!rule.m_max || value <= *rule.m_max);
}

bool HasLineBreak(const QString& text) {
    return text.contains(u'\n') || text.contains(u'\r') || text.contains(QChar(0));
}

} // namespace

bool CRuleCheck::ParseInteger(QStringView text, qint64& value) {
    const QStringView digits = TrimBlanks(text);
    qsizetype i = 0;
    if (i < digits.size() && (digits[i] == u'+' || digits[i] == u'-'))
        ++i;
    if (SkipDigits(digits, i) == 0 || i != digits.size())
        return false;
    bool ok = false;
    // QLocale::C does not take a leading '+'; the sign is checked above, so drop it here.
    const QStringView number = digits.startsWith(u'+') ? digits.mid(1) : digits;
    value = QLocale::c().toLongLong(number, &ok);
    return ok;
}

bool CRuleCheck::ParseNumber(QStringView text, double& value) {
    const QStringView number = TrimBlanks(text);
    if (!IsDecimalNumber(number))
        return false;
    bool ok = false;
    value = QLocale::c().toDouble(number.startsWith(u'+') ? number.mid(1) : number, &ok);
    return ok && std::isfinite(value);
}

bool CRuleCheck::ParseBoolean(QStringView text, bool& value) {
    static const struct {
        const char* spelling;
        bool value;
    } kSpellings[] = {{"true", true}, {"false", false}, {"yes", true}, {"no", false},
                      {"on", true},   {"off", false},   {"1", true},   {"0", false}};
    const QStringView word = TrimBlanks(text);
    for (const auto& known : kSpellings) {
        if (word.compare(QLatin1String(known.spelling), Qt::CaseInsensitive) == 0) {
            value = known.value;
            return true;
        }
    }
    return false;
}

EValueType CRuleCheck::EffectiveType(const CEntryData& entry) {
    const EValueType type = entry.m_rule.m_type;
    if (type != EValueType::Unset)
        return type;
    return entry.FirstValue() ? EValueType::Choice : EValueType::Text;
}

EValueProblem CRuleCheck::Check(const CEntryData& entry, QStringView value) {
    const CEntryRule& rule = entry.m_rule;
    switch (EffectiveType(entry)) {
    case EValueType::Choice:
        // A choice without values offers the file's own value: it constrains nothing.
        return !entry.FirstValue() || entry.FindValue(value.toString())
                   ? EValueProblem::None
                   : EValueProblem::NotAdmissible;
    case EValueType::Integer: {
        qint64 number = 0;
        if (!ParseInteger(value, number))
            return EValueProblem::WrongType;
        return InRange(rule, double(number)) ? EValueProblem::None : EValueProblem::OutOfRange;
    }
    case EValueType::Number: {
        double number = 0;
        if (!ParseNumber(value, number))
            return EValueProblem::WrongType;
        return InRange(rule, number) ? EValueProblem::None : EValueProblem::OutOfRange;
    }
    case EValueType::Boolean: {
        bool flag = false;
        return ParseBoolean(value, flag) ? EValueProblem::None : EValueProblem::WrongType;
    }
    case EValueType::Text:
    case EValueType::Unset:
        break;
    }
    return EValueProblem::None;
}

QString CRuleCheck::BoundText(double bound) {
    return QLocale::c().toString(bound, 'g', QLocale::FloatingPointShortest);
}

QString CRuleCheck::RangeText(const CEntryRule& rule) {
    if (!rule.m_min && !rule.m_max)
        return {};
    return (rule.m_min ? BoundText(*rule.m_min) : QString()) + u'〜' +
           (rule.m_max ? BoundText(*rule.m_max) : QString());
}

QString CRuleCheck::Reason(const CEntryData& entry, EValueProblem problem) {
    switch (problem) {
    case EValueProblem::NotAdmissible:
        return QStringLiteral("値リストにない値です");
    case EValueProblem::OutOfRange:
        return QStringLiteral("範囲外 (%1)").arg(RangeText(entry.m_rule));
    case EValueProblem::WrongType:
        switch (EffectiveType(entry)) {
        case EValueType::Integer:
            return QStringLiteral("整数ではありません");
        case EValueType::Number:
            return QStringLiteral("数値ではありません");
        case EValueType::Boolean:
            return QStringLiteral("真偽値ではありません (%1)")
                .arg(QString::fromUtf16(BooleanSpellings()));
        default:
            break;
        }
        break;
    case EValueProblem::None:
        break;
    }
    return {};
}

CRuleFault CRuleCheck::Validate(const CEntryData& entry) {
    using Field = CRuleFault::Field;
    const CEntryRule& rule = entry.m_rule;
    const bool hasBound = rule.m_min || rule.m_max;
    if (hasBound && !CEntryRule::HasRange(rule.m_type))
        return {Field::Min, QStringLiteral("範囲は整数か数値の型にだけ指定できます")};
    if ((rule.m_min && !std::isfinite(*rule.m_min)) || (rule.m_max && !std::isfinite(*rule.m_max)))
        return {Field::Min, QStringLiteral("範囲には数値を指定してください")};
    if (rule.m_min && rule.m_max && *rule.m_min > *rule.m_max)
        return {Field::Min, QStringLiteral("最小値が最大値より大きくなっています")};
    if (HasLineBreak(rule.m_strDescription))
        return {Field::Description, QStringLiteral("説明に改行を含めることはできません")};
    if (!rule.m_default)
        return {};
    if (HasLineBreak(*rule.m_default))
        return {Field::Default, QStringLiteral("既定値に改行を含めることはできません")};
    switch (Check(entry, *rule.m_default)) {
    case EValueProblem::NotAdmissible:
        return {Field::Default, QStringLiteral("既定値が値の一覧にありません")};
    case EValueProblem::WrongType:
        return {Field::Default, QStringLiteral("既定値が型に合いません")};
    case EValueProblem::OutOfRange:
        return {Field::Default, QStringLiteral("既定値が範囲外です")};
    case EValueProblem::None:
        break;
    }
    return {};
}

bool CRuleCheck::IsDefault(const CEntryData& entry, QStringView value) {
    return entry.m_rule.m_default && QStringView(*entry.m_rule.m_default) == value;
}
