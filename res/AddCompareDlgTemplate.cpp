#include "res/DialogTemplates.h"
#include "res/Resource.h"

namespace Res {

// The add dialog of two compared files: one section and entry, a value for each file.
const Ui::DialogTemplate& AddCompareDlgTemplate() {
    using Ui::ControlKind;
    static const Ui::DialogTemplate tmpl{
        IDD_ADD_COMPARE,
        QStringLiteral("追加"),
        QStringLiteral("ＭＳ ゴシック"),
        11,
        {523, 158},
        {
            {IDC_STATIC, ControlKind::Static, QStringLiteral("セクション"), {7, 7, 36, 8}},
            {IDC_ADD_SECTION,
             ControlKind::ComboBox,
             {},
             {7, 18, 125, 187},
             Ui::ComboEditable | Ui::ComboSorted},
            {IDC_STATIC, ControlKind::Static, QStringLiteral("エントリ"), {135, 7, 34, 8}},
            {IDC_ADD_ENTRY, ControlKind::Edit, {}, {135, 18, 125, 12}},
            {IDC_STATIC, ControlKind::Static, QStringLiteral("値1"), {263, 7, 22, 8}},
            {IDC_ADD_VALUE1, ControlKind::Edit, {}, {263, 18, 125, 12}},
            {IDC_STATIC, ControlKind::Static, QStringLiteral("値2"), {391, 7, 22, 8}},
            {IDC_ADD_VALUE2, ControlKind::Edit, {}, {391, 18, 125, 12}},
            {IDOK, ControlKind::DefPushButton, QStringLiteral("追加"), {466, 33, 50, 14}},
            {IDC_ADD_LIST,
             ControlKind::ListView,
             {},
             {7, 49, 509, 86},
             Ui::StyleNone,
             {},
             QStringLiteral("追加するエントリ")},
            {IDC_ADD_COMMIT, ControlKind::PushButton, QStringLiteral("確定"), {410, 137, 50, 14}},
            {IDCANCEL, ControlKind::PushButton, QStringLiteral("キャンセル"), {466, 137, 50, 14}},
        }};
    return tmpl;
}

} // namespace Res
