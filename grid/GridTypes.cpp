#include "grid/GridTypes.h"

#include <QFont>

namespace Pelmo {

QString CHeaderData::GetChoiceText(CListCtrlEx* pGrid, const QString& strCell, int nRow,
                                   int nCol) const {
    if (m_pfnChoiceText) {
        QString text;
        m_pfnChoiceText(pGrid, nRow, nCol, strCell, &text, m_pTextData);
        return text;
    }
    for (const auto& choice : m_choices) {
        if (choice->m_strKey == strCell)
            return choice->m_strText;
    }
    return QString();
}

void CHeaderData::AddChoice(const QString& strChoice) {
    auto choice = std::make_unique<CKeyValue>();
    const qsizetype first = m_chSeparator.isNull() ? -1 : strChoice.indexOf(m_chSeparator);
    if (first < 0) {
        choice->m_strKey = strChoice;
    } else {
        choice->m_strKey = strChoice.left(first);
        const qsizetype second = strChoice.indexOf(m_chSeparator, first + 1);
        choice->m_strText =
            second < 0 ? strChoice.mid(first + 1) : strChoice.mid(first + 1, second - first - 1);
    }
    m_choices.push_back(std::move(choice));
}

void CHeaderData::ClearChoices() {
    m_choices.clear();
}

void CHeaderData::FillChoices(const QStringList& items) {
    ClearChoices();
    for (const QString& item : items)
        AddChoice(item);
}

void InstallJapaneseFontSubstitutes() {
    // Fixed-pitch Windows faces go to IPAGothic, proportional ones to IPAPGothic; Noto CJK is
    // the second choice where the IPA fonts are missing.
    const QStringList fixed = {QStringLiteral("IPAGothic"),
                               QStringLiteral("Noto Sans Mono CJK JP")};
    const QStringList proportional = {QStringLiteral("IPAPGothic"),
                                      QStringLiteral("Noto Sans CJK JP")};
    const QStringList fixedFaces = {QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                                    QStringLiteral("ＭＳ 明朝"), QStringLiteral("MS Mincho")};
    const QStringList proportionalFaces = {
        QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
        QStringLiteral("MS UI Gothic"),    QStringLiteral("メイリオ"),
        QStringLiteral("Meiryo"),          QStringLiteral("Meiryo UI"),
        QStringLiteral("Yu Gothic UI"),    QStringLiteral("游ゴシック")};
    for (const QString& face : fixedFaces) {
        if (QFont::substitutes(face).isEmpty())
            QFont::insertSubstitutions(face, fixed);
    }
    for (const QString& face : proportionalFaces) {
        if (QFont::substitutes(face).isEmpty())
            QFont::insertSubstitutions(face, proportional);
    }
}

} // namespace Pelmo
