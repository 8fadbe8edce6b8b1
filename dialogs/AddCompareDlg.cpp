#include "dialogs/AddCompareDlg.h"

#include "compare/IniCompare.h"
#include "ini/IniData.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"

#include <QComboBox>

CAddCompareDlg::CAddCompareDlg(CIniCompare* pCompare, QWidget* parent)
    : CAddDlgBase(Res::AddCompareDlgTemplate(),
                  {{Res::IDC_ADD_VALUE1, QStringLiteral("値1"), 240,
                    pCompare ? pCompare->m_pIni1.get() : nullptr},
                   {Res::IDC_ADD_VALUE2, QStringLiteral("値2"), 240,
                    pCompare ? pCompare->m_pIni2.get() : nullptr}},
                  parent) {
    if (pCompare)
        pCompare->FillSectionCombo(*SectionCombo());
    SortSectionCombo();
}
