#pragma once

#include "compare/CompareResult.h"
#include "compare/RowRules.h"
#include "platform/Object.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class CIniData;

// Two INI files side by side, paired into rows: file 1's sections in file order, each followed
// by the entries only file 2 has in it, and after them the sections only file 2 has.
class CIniCompare : public CObject {
public:
    CIniCompare(std::unique_ptr<CIniData> ini1, std::unique_ptr<CIniData> ini2);
    ~CIniCompare() override;

    // Rebuilds m_results from the two models.
    void Compare();
    // The two files paired, judged by the ignore files beside them.
    static std::unique_ptr<CIniCompare> Paired(std::unique_ptr<CIniData> ini1,
                                               std::unique_ptr<CIniData> ini2);

    // 0: file 1's path, 1: file 2's path, anything else: both joined by " - ".
    QString GetTitle(int which) const;

    // Appends a row and takes ownership of it.
    void AddResult(std::unique_ptr<COMPARE_REULT> result);
    // Unlinks and destroys the row; a row that is not ours is ignored. Always true.
    bool RemoveResult(const COMPARE_REULT* result);
    // Unlinks the row and hands it over; null when it is not ours.
    std::unique_ptr<COMPARE_REULT> TakeResult(const COMPARE_REULT* result);

    // The section names an add dialog offers: every name of file 1 in order, then each name of
    // file 2 that is not among those already offered, ignoring case.
    QStringList SectionNamesForCombo() const;

    // Fills a combo box (anything with clear() and addItem(QString)) with SectionNamesForCombo.
    template <class ComboBox> void FillSectionCombo(ComboBox& combo) const {
        combo.clear();
        for (const QString& name : SectionNamesForCombo())
            combo.addItem(name);
    }

    std::unique_ptr<CIniData> m_pIni1;
    std::unique_ptr<CIniData> m_pIni2;
    std::vector<std::unique_ptr<COMPARE_REULT>> m_results;
    // What does not count as a difference when the rows are shown.
    CRowRules m_rules;
};
