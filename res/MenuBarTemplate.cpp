#include "res/DialogTemplates.h"
#include "res/Resource.h"

namespace Res {

// The command bar: one column of command buttons and the program's version at the bottom,
// which follows the bar's lower edge when the bar grows.
const Ui::DialogTemplate& MenuBarTemplate() {
    static const Ui::DialogTemplate tmpl{
        IDD_MENU_BAR,
        {},
        QStringLiteral("MS UI Gothic"),
        11,
        {64, 189},
        {
            {ID_FILE_OPEN, Ui::ControlKind::PushButton, QStringLiteral("開く"), {3, 3, 58, 18}},
            {ID_COMPARE, Ui::ControlKind::PushButton, QStringLiteral("比較"), {3, 24, 58, 18}},
            {ID_RELOAD, Ui::ControlKind::PushButton, QStringLiteral("再読み込み"), {3, 45, 58, 18}},
            {ID_FILE_SAVE, Ui::ControlKind::PushButton, QStringLiteral("保存"), {3, 66, 58, 18}},
            {ID_ADD, Ui::ControlKind::PushButton, QStringLiteral("追加"), {3, 91, 58, 18}},
            {ID_VALUE_LISTS,
             Ui::ControlKind::PushButton,
             QStringLiteral("値リスト管理"),
             {3, 119, 58, 18}},
            {ID_COMPARE_FOLDERS,
             Ui::ControlKind::PushButton,
             QStringLiteral("フォルダ比較"),
             {3, 143, 58, 18}},
            {IDC_VERSION,
             Ui::ControlKind::Static,
             {},
             {3, 178, 58, 8},
             Ui::StaticCenter,
             {0, 100, 0, 0}},
        }};
    return tmpl;
}

} // namespace Res
