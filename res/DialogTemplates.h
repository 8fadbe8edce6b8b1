#pragma once

#include "platform/ui/DialogTemplate.h"

// The templates of every dialog and bar, by id (Res::IDD_*). Each lives in a source file of
// its own named after its dialog.
namespace Res {

const Ui::DialogTemplate& PreviewBarTemplate();     // 310
const Ui::DialogTemplate& FindDlgTemplate();        // 311
const Ui::DialogTemplate& AddDlgTemplate();         // 312
const Ui::DialogTemplate& MenuBarTemplate();        // 313
const Ui::DialogTemplate& AddCompareDlgTemplate();  // 314
const Ui::DialogTemplate& ProjectDlgTemplate();     // 316
const Ui::DialogTemplate& ProjectEditDlgTemplate(); // 317
const Ui::DialogTemplate& ProjectBarTemplate();     // 321

} // namespace Res
