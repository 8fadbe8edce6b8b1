#pragma once

#include "platform/ui/DialogTemplate.h"

#include <QFont>
#include <functional>

class QWidget;
class CAnchorLayout;

namespace Ui {

// Makes the widgets of a template inside a host widget: the template font becomes the host's
// font, every control gets its pixel geometry from the dialog units of that font, its numeric
// id as objectName (so code and tests find it with findChild<...>("1003")), the tab order of
// the table, and each input control an accessible name (the template's, or else the text of
// the label right before it in the table). The host gets an anchor layout that moves and
// grows the controls as the template says when the host is resized, and the template size
// as its size.
class CDialogBuilder {
public:
    // Makes a Custom control; it gets its geometry and objectName from the builder.
    using Factory = std::function<QWidget*(const ControlTemplate&, QWidget* host)>;

    explicit CDialogBuilder(const DialogTemplate& tmpl);

    // Builds into host; returns false (building nothing) when host already has a layout.
    bool Build(QWidget* host, const Factory& makeCustom = {});

    QFont Font() const { return m_font; }
    QSize BaseUnits() const { return m_base; }
    QSize PixelSize() const;              // the template size in pixels
    QRect PixelRect(int controlId) const; // the control's rect in pixels, empty when unknown

private:
    QWidget* MakeControl(const ControlTemplate& c, QWidget* host, const Factory& makeCustom) const;

    const DialogTemplate& m_tmpl;
    QFont m_font;
    QSize m_base;
};

} // namespace Ui
