#include "res/DialogTemplates.h"
#include "res/Resource.h"

namespace Res {

// The find dialog: the search box (made by the dialog, which filters its input-method
// changes), the three kinds of cell to search, and the status line.
const Ui::DialogTemplate& FindDlgTemplate() {
    static const Ui::DialogTemplate tmpl{
        IDD_FIND,
        QStringLiteral("検索"),
        QStringLiteral("ＭＳ ゴシック"),
        11,
        {201, 54},
        {
            {IDC_FIND_TEXT,
             Ui::ControlKind::Custom,
             {},
             {7, 7, 187, 12},
             Ui::StyleNone,
             {},
             QStringLiteral("検索する文字列")},
            {IDC_FIND_SECTION,
             Ui::ControlKind::CheckBox,
             QStringLiteral("セクション"),
             {7, 23, 56, 10}},
            {IDC_FIND_ENTRY,
             Ui::ControlKind::CheckBox,
             QStringLiteral("エントリ"),
             {67, 23, 46, 10}},
            {IDC_FIND_VALUE, Ui::ControlKind::CheckBox, QStringLiteral("値"), {117, 23, 25, 10}},
            {IDC_FIND_STATUS, Ui::ControlKind::Static, {}, {7, 38, 187, 9}},
        }};
    return tmpl;
}

} // namespace Res
