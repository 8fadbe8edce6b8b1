#include "platform/ui/DialogBuilder.h"

#include "platform/ui/AnchorLayout.h"
#include "platform/ui/ListCtrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWidget>

namespace Ui {

namespace {

QWidget* MakeEdit(const ControlTemplate& c, QWidget* host) {
    if (c.style & EditMultiLine) {
        auto* edit = new QPlainTextEdit(host);
        edit->setReadOnly(c.style & EditReadOnly);
        edit->setLineWrapMode(QPlainTextEdit::NoWrap);
        edit->setPlainText(c.text);
        return edit;
    }
    auto* edit = new QLineEdit(c.text, host);
    edit->setReadOnly(c.style & EditReadOnly);
    return edit;
}

QWidget* MakeCombo(const ControlTemplate& c, QWidget* host) {
    auto* combo = new QComboBox(host);
    combo->setEditable(c.style & ComboEditable);
    if (combo->isEditable())
        combo->setInsertPolicy(QComboBox::NoInsert);
    // QComboBox has no sorted style: the owner sorts when it fills (see ComboSorted).
    return combo;
}

QWidget* MakeStatic(const ControlTemplate& c, QWidget* host) {
    auto* label = new QLabel(c.text, host);
    Qt::Alignment align = Qt::AlignLeft;
    if (c.style & StaticCenter)
        align = Qt::AlignHCenter;
    else if (c.style & StaticRight)
        align = Qt::AlignRight;
    label->setAlignment(align | Qt::AlignTop);
    return label;
}

QWidget* MakeButton(const ControlTemplate& c, QWidget* host) {
    auto* button = new QPushButton(c.text, host);
    button->setAutoDefault(false);
    button->setDefault(c.kind == ControlKind::DefPushButton);
    return button;
}

// The controls a label names for assistive technology: those that show no text of their own.
bool IsLabelled(ControlKind kind) {
    return kind == ControlKind::Edit || kind == ControlKind::ComboBox ||
           kind == ControlKind::ListView || kind == ControlKind::Custom;
}

// Names an input control after its own name in the template, or else after the label just
// before it, which also becomes its buddy.
void NameControl(QWidget* w, const ControlTemplate& c, QLabel* label) {
    if (!IsLabelled(c.kind))
        return;
    if (!c.name.isEmpty()) {
        w->setAccessibleName(c.name);
    } else if (label) {
        w->setAccessibleName(label->text());
        label->setBuddy(w);
    }
}

} // namespace

CDialogBuilder::CDialogBuilder(const DialogTemplate& tmpl)
    : m_tmpl(tmpl), m_font(tmpl.fontFace, tmpl.pointSize), m_base(DialogBaseUnits(m_font)) {}

QSize CDialogBuilder::PixelSize() const {
    return DialogUnitsToPixels(m_tmpl.size, m_base);
}

QRect CDialogBuilder::PixelRect(int controlId) const {
    for (const ControlTemplate& c : m_tmpl.controls) {
        if (c.id == controlId)
            return DialogUnitsToPixels(c.rect, m_base);
    }
    return {};
}

QWidget* CDialogBuilder::MakeControl(const ControlTemplate& c, QWidget* host,
                                     const Factory& makeCustom) const {
    switch (c.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefPushButton:
        return MakeButton(c, host);
    case ControlKind::Static:
        return MakeStatic(c, host);
    case ControlKind::Edit:
        return MakeEdit(c, host);
    case ControlKind::ComboBox:
        return MakeCombo(c, host);
    case ControlKind::CheckBox:
        return new QCheckBox(c.text, host);
    case ControlKind::ListView:
        return new CListCtrl(host);
    case ControlKind::Custom:
        return makeCustom ? makeCustom(c, host) : nullptr;
    }
    return nullptr;
}

bool CDialogBuilder::Build(QWidget* host, const Factory& makeCustom) {
    if (!host || host->layout())
        return false;
    host->setFont(m_font);
    if (!m_tmpl.caption.isEmpty())
        host->setWindowTitle(m_tmpl.caption);
    const QSize size = PixelSize();
    auto* layout = new CAnchorLayout(host, size);
    QWidget* previous = nullptr;
    QLabel* label = nullptr; // the label just made, for the control after it
    for (const ControlTemplate& c : m_tmpl.controls) {
        QWidget* w = MakeControl(c, host, makeCustom);
        if (!w) {
            label = nullptr;
            continue;
        }
        w->setObjectName(QString::number(c.id));
        NameControl(w, c, label);
        label =
            c.kind == ControlKind::Static && !c.text.isEmpty() ? qobject_cast<QLabel*>(w) : nullptr;
        QRect rect = DialogUnitsToPixels(c.rect, m_base);
        if (c.kind == ControlKind::ComboBox) // the template gives the dropped-down height
            rect.setHeight(w->sizeHint().height());
        if (c.style & NoTabStop)
            w->setFocusPolicy(Qt::FocusPolicy(w->focusPolicy() & ~Qt::TabFocus));
        if (c.style & Disabled)
            w->setEnabled(false);
        layout->AddWidget(w, rect, c.anchor);
        if (c.style & Hidden)
            w->hide();
        if (previous && (w->focusPolicy() & Qt::TabFocus))
            QWidget::setTabOrder(previous, w);
        if (w->focusPolicy() & Qt::TabFocus)
            previous = w;
    }
    host->resize(size);
    return true;
}

} // namespace Ui
