#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <vector>

class QFont;
class QWidget;

// A dialog or bar layout as a table of controls in dialog units, the way a resource script
// describes it. CDialogBuilder turns it into widgets.
namespace Ui {

enum class ControlKind {
    PushButton,
    DefPushButton, // the button Enter presses
    Static,
    Edit,     // QLineEdit, or QPlainTextEdit with EditMultiLine
    ComboBox, // rect height is the dropped-down height, as in a resource script
    CheckBox, // auto check box
    ListView, // CListCtrl, the report-style list-view
    Custom,   // made by the caller's factory (a grid, for example)
};

// Style bits in our own terms; only what the program's templates use.
enum ControlStyle : unsigned {
    StyleNone = 0,
    StaticCenter = 1u << 0,
    StaticRight = 1u << 1,
    EditMultiLine = 1u << 2,
    EditReadOnly = 1u << 3,
    ComboEditable = 1u << 4, // drop-down with an edit field; without it a drop-down list
    ComboSorted = 1u << 5,
    Hidden = 1u << 6,
    Disabled = 1u << 7,
    NoTabStop = 1u << 8,
};

// How a control follows the host when it is resized: percentages of the host's change in
// width and height by which the control moves and grows.
struct Anchor {
    int moveX = 0;
    int moveY = 0;
    int growX = 0;
    int growY = 0;
};

struct ControlTemplate {
    int id = -1;
    ControlKind kind = ControlKind::Static;
    QString text;
    QRect rect; // dialog units
    unsigned style = StyleNone;
    Anchor anchor{};
    // What a screen reader calls an input control that no label precedes in the table (a
    // label right before an edit, combo box, list or custom control names it by itself).
    QString name{};
};

struct DialogTemplate {
    int id = 0;
    QString caption;
    QString fontFace;
    int pointSize = 9;
    QSize size;                            // dialog units
    std::vector<ControlTemplate> controls; // in tab order
};

// The horizontal and vertical dialog base units of a font, as Windows computes them: the
// average width of the 52 Latin letters (rounded) and the text height.
QSize DialogBaseUnits(const QFont& font);
// Dialog units to pixels for the given base units (x * baseX / 4, y * baseY / 8, rounded).
QRect DialogUnitsToPixels(const QRect& units, QSize baseUnits);
QSize DialogUnitsToPixels(QSize units, QSize baseUnits);

} // namespace Ui
