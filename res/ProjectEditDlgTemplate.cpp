#include "res/DialogTemplates.h"
#include "res/Resource.h"

namespace Res {

// The value-list editing dialog: the name, then sections, entries and values in three grids
// side by side that share the width the dialog gains 30 : 30 : 40.
const Ui::DialogTemplate& ProjectEditDlgTemplate() {
    using Ui::ControlKind;
    static const Ui::DialogTemplate tmpl{
        IDD_PROJECT_EDIT,
        QStringLiteral("値リスト"),
        QStringLiteral("ＭＳ ゴシック"),
        10,
        {612, 227},
        {
            {IDC_STATIC, ControlKind::Static, QStringLiteral("値リスト名"), {7, 9, 45, 9}},
            {IDC_PROJECT_NAME, ControlKind::Edit, {}, {58, 7, 268, 12}},
            {IDC_SECTION_GRID,
             ControlKind::Custom,
             {},
             {7, 27, 158, 171},
             Ui::StyleNone,
             {0, 0, 30, 100},
             QStringLiteral("セクション")},
            {IDC_ENTRY_GRID,
             ControlKind::Custom,
             {},
             {167, 27, 158, 171},
             Ui::StyleNone,
             {30, 0, 30, 100},
             QStringLiteral("エントリ")},
            {IDC_VALUE_GRID,
             ControlKind::Custom,
             {},
             {327, 27, 278, 171},
             Ui::StyleNone,
             {60, 0, 40, 100},
             QStringLiteral("値")},
            {IDC_IMPORT,
             ControlKind::PushButton,
             QStringLiteral("現在開いているINIファイルからセクション、エントリを取り込む"),
             {7, 206, 252, 14},
             Ui::StyleNone,
             {0, 100, 0, 0}},
            {IDOK,
             ControlKind::DefPushButton,
             QStringLiteral("OK"),
             {501, 206, 50, 14},
             Ui::StyleNone,
             {100, 100, 0, 0}},
            {IDCANCEL,
             ControlKind::PushButton,
             QStringLiteral("キャンセル"),
             {555, 206, 50, 14},
             Ui::StyleNone,
             {100, 100, 0, 0}},
        }};
    return tmpl;
}

} // namespace Res
