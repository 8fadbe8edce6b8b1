#include "res/DialogTemplates.h"
#include "res/Resource.h"

namespace Res {

namespace {
constexpr unsigned kPreviewStyle = Ui::Hidden;
}

// The preview bar: the raw text of the open file in one box, or of the two compared files in
// two boxes side by side, each a read-only text view the bar makes. Every box starts hidden;
// the bar shows the ones the mode needs.
const Ui::DialogTemplate& PreviewBarTemplate() {
    static const Ui::DialogTemplate tmpl{IDD_PREVIEW_BAR,
                                         {},
                                         QStringLiteral("MS UI Gothic"),
                                         11,
                                         {261, 102},
                                         {
                                             {IDC_PREVIEW,
                                              Ui::ControlKind::Custom,
                                              {},
                                              {3, 3, 255, 95},
                                              kPreviewStyle,
                                              {0, 0, 100, 100},
                                              QStringLiteral("プレビュー")},
                                             {IDC_PREVIEW1,
                                              Ui::ControlKind::Custom,
                                              {},
                                              {3, 3, 127, 95},
                                              kPreviewStyle,
                                              {0, 0, 50, 100},
                                              QStringLiteral("プレビュー 1")},
                                             {IDC_PREVIEW2,
                                              Ui::ControlKind::Custom,
                                              {},
                                              {131, 3, 127, 95},
                                              kPreviewStyle,
                                              {50, 0, 50, 100},
                                              QStringLiteral("プレビュー 2")},
                                         }};
    return tmpl;
}

} // namespace Res
