#include "res/DialogTemplates.h"
#include "res/Resource.h"

namespace Res {

// The value-list management dialog: the value lists in a drop-down list with their buttons,
// and below them every INI file of the history with a check mark for the chosen value list.
const Ui::DialogTemplate& ProjectDlgTemplate() {
    using Ui::ControlKind;
    static const Ui::DialogTemplate tmpl{
        IDD_PROJECT,
        QStringLiteral("値リスト管理"),
        QStringLiteral("ＭＳ ゴシック"),
        10,
        {467, 275},
        {
            {IDC_STATIC, ControlKind::Static, QStringLiteral("値リスト"), {7, 9, 35, 8}},
            {IDC_PROJECT_LIST, ControlKind::ComboBox, {}, {66, 7, 241, 163}},
            {IDC_PROJECT_NEW,
             ControlKind::PushButton,
             QStringLiteral("新規作成"),
             {66, 22, 52, 17}},
            {IDC_PROJECT_EDIT, ControlKind::PushButton, QStringLiteral("編集"), {121, 22, 52, 17}},
            {IDC_PROJECT_DELETE,
             ControlKind::PushButton,
             QStringLiteral("削除"),
             {176, 22, 52, 17}},
            {IDC_PROJECT_EXPORT,
             ControlKind::PushButton,
             QStringLiteral("書き出し…"),
             {231, 22, 52, 17}},
            {IDC_PROJECT_IMPORT,
             ControlKind::PushButton,
             QStringLiteral("読み込み…"),
             {286, 22, 52, 17}},
            {IDC_STATIC, ControlKind::Static, QStringLiteral("関連ファイル"), {7, 47, 53, 8}},
            {IDC_FILE_LIST,
             ControlKind::ListView,
             {},
             {66, 47, 394, 185},
             Ui::StyleNone,
             {0, 0, 100, 100}},
            // What the last export or import did: the dialog stays open, so no box is needed.
            {IDC_PROJECT_STATUS,
             ControlKind::Static,
             {},
             {66, 236, 394, 9},
             Ui::StyleNone,
             {0, 100, 100, 0}},
            {IDC_FILE_ADD,
             ControlKind::PushButton,
             QStringLiteral("追加"),
             {65, 251, 52, 17},
             Ui::StyleNone,
             {0, 100, 0, 0}},
            {IDC_FILE_REMOVE,
             ControlKind::PushButton,
             QStringLiteral("削除"),
             {121, 251, 52, 17},
             Ui::StyleNone,
             {0, 100, 0, 0}},
            {IDC_FILE_REGISTER_OPEN,
             ControlKind::PushButton,
             QStringLiteral("開いているファイルを登録"),
             {177, 251, 110, 17},
             Ui::StyleNone,
             {0, 100, 0, 0}},
            {IDCANCEL,
             ControlKind::PushButton,
             QStringLiteral("閉じる"),
             {408, 251, 52, 17},
             Ui::StyleNone,
             {100, 100, 0, 0}},
        }};
    return tmpl;
}

} // namespace Res
