#include "dialogs/AddDlg.h"

#include "ini/IniData.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"

#include <QComboBox>

CAddDlg::CAddDlg(CIniData* pIni, QWidget* parent)
    : CAddDlgBase(Res::AddDlgTemplate(), {{Res::IDC_ADD_VALUE, QStringLiteral("値"), 225, pIni}},
                  parent) {
    if (pIni) {
        for (const auto& section : pIni->m_sections)
            SectionCombo()->addItem(section->m_name);
    }
    SortSectionCombo();
}
