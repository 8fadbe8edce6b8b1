#include "res/DialogTemplates.h"
#include "res/Resource.h"

namespace Res {

// The add dialog of one open file: section, entry and value, the pending rows below them.
const Ui::DialogTemplate& AddDlgTemplate() {
    using Ui::ControlKind;
    static const Ui::DialogTemplate tmpl{
        IDD_ADD,
        QStringLiteral("追加"),
        QStringLiteral("ＭＳ ゴシック"),
        11,
        {395, 158},
        {
            {IDC_STATIC, ControlKind::Static, QStringLiteral("セクション"), {7, 7, 36, 8}},
            {IDC_ADD_SECTION,
             ControlKind::ComboBox,
             {},
             {7, 18, 125, 187},
             Ui::ComboEditable | Ui::ComboSorted},
            {IDC_STATIC, ControlKind::Static, QStringLiteral("エントリ"), {135, 7, 34, 8}},
            {IDC_ADD_ENTRY, ControlKind::Edit, {}, {135, 18, 125, 12}},
            {IDC_STATIC, ControlKind::Static, QStringLiteral("値"), {263, 7, 22, 8}},
            {IDC_ADD_VALUE, ControlKind::Edit, {}, {263, 18, 125, 12}},
            {IDOK, ControlKind::DefPushButton, QStringLiteral("追加"), {338, 33, 50, 14}},
            {IDC_ADD_LIST,
             ControlKind::ListView,
             {},
             {7, 49, 381, 86},
             Ui::StyleNone,
             {},
             QStringLiteral("追加するエントリ")},
            {IDC_ADD_COMMIT, ControlKind::PushButton, QStringLiteral("確定"), {285, 137, 50, 14}},
            {IDCANCEL, ControlKind::PushButton, QStringLiteral("キャンセル"), {338, 137, 50, 14}},
        }};
    return tmpl;
}

} // namespace Res
