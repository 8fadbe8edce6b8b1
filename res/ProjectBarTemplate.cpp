#include "res/DialogTemplates.h"
#include "res/Resource.h"

namespace Res {

// The value-list selector bar: a label and the drop-down list of value lists.
const Ui::DialogTemplate& ProjectBarTemplate() {
    static const Ui::DialogTemplate tmpl{
        IDD_PROJECT_BAR,
        {},
        QStringLiteral("ＭＳ ゴシック"),
        11,
        {232, 16},
        {
            {IDC_STATIC, Ui::ControlKind::Static, QStringLiteral("値リスト"), {3, 5, 34, 8}},
            {IDC_PROJECT_COMBO, Ui::ControlKind::ComboBox, {}, {43, 3, 187, 136}},
        }};
    return tmpl;
}

} // namespace Res
