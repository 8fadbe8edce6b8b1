#include "app/FindDlg.h"

#include "app/FindEdit.h"
#include "platform/TextUtil.h"
#include "platform/ui/DialogBuilder.h"
#include "platform/ui/StatusLineAccessible.h"
#include "res/DialogTemplates.h"
#include "res/Resource.h"
#include "view/QuilletView.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QShortcut>
#include <algorithm>

CFindDlg::CFindDlg(CQuilletView* view, CFindDlg** ppOwnerSlot, QWidget* owner)
    : QDialog(owner), m_ppOwnerSlot(ppOwnerSlot), m_pView(view) {
    Ui::CDialogBuilder(Res::FindDlgTemplate())
        .Build(this, [this](const Ui::ControlTemplate&, QWidget* host) {
            m_edit = new CFindEdit(host);
            return m_edit;
        });
    m_status = findChild<QLabel*>(QString::number(Res::IDC_FIND_STATUS));
    // The focus stays in the search box: "not found" must reach the ear by itself.
    CStatusLineAccessible::Attach(m_status);
    m_sectionBox = findChild<QCheckBox*>(QString::number(Res::IDC_FIND_SECTION));
    m_entryBox = findChild<QCheckBox*>(QString::number(Res::IDC_FIND_ENTRY));
    m_valueBox = findChild<QCheckBox*>(QString::number(Res::IDC_FIND_VALUE));
    setModal(false);
    // The layout comes from the template; the user has nothing to resize.
    setFixedSize(size());
    for (QCheckBox* box : {m_sectionBox, m_entryBox, m_valueBox}) {
        box->setChecked(true);
        connect(box, &QCheckBox::clicked, this, &CFindDlg::DoFind);
    }
    connect(m_edit, &CFindEdit::SearchTextChanged, this, &CFindDlg::DoFind);
    CreateAccelerators();
}

CFindDlg::~CFindDlg() {
    if (m_ppOwnerSlot)
        *m_ppOwnerSlot = nullptr;
}

void CFindDlg::CreateAccelerators() {
    const std::pair<QKeySequence, int> keys[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_F), Res::ID_FIND},
        {QKeySequence(Qt::Key_F3), Res::ID_FIND_NEXT},
        {QKeySequence(Qt::SHIFT | Qt::Key_F3), Res::ID_FIND_PREV},
    };
    for (const auto& [key, id] : keys) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this, [this, id = id] { emit Command(id); });
    }
}

void CFindDlg::Reactivate() {
    m_edit->selectAll();
    m_edit->setFocus(Qt::ShortcutFocusReason);
    show();
    raise();
    activateWindow();
}

int CFindDlg::CheckedFlags() const {
    int flags = 0;
    if (m_sectionBox->isChecked())
        flags |= CQuilletView::FIND_SECTION;
    if (m_entryBox->isChecked())
        flags |= CQuilletView::FIND_ENTRY;
    if (m_valueBox->isChecked())
        flags |= CQuilletView::FIND_VALUE;
    return flags;
}

void CFindDlg::DoFind() {
    CStatusLineAccessible::Show(m_status, QString());
    const QString text = m_edit->text();
    if (text.isEmpty())
        return;
    if (!m_pView || !m_pView->Find(Text::ToUpper(text), CheckedFlags(), true))
        CStatusLineAccessible::Show(m_status, QStringLiteral("見つかりませんでした。"));
    else
        StepAsideFromCurrentCell();
}

void CFindDlg::StepAsideFromCurrentCell() {
    const QRect cell = m_pView ? m_pView->CurrentCellScreenRect() : QRect();
    const QRect frame = frameGeometry();
    if (cell.isEmpty() || !isVisible() || !frame.intersects(cell))
        return;
    const QScreen* shown = screen();
    const QRect area = shown ? shown->availableGeometry() : QRect();
    constexpr int kGap = 8;
    int top = cell.top() - kGap - frame.height();
    if (top < area.top())
        top = std::min(cell.bottom() + 1 + kGap, area.bottom() + 1 - frame.height());
    const int left = std::clamp(frame.left(), area.left(),
                                std::max(area.left(), area.right() + 1 - frame.width()));
    move(left, top);
}

void CFindDlg::reject() {
    CStatusLineAccessible::Show(m_status, QString());
    QDialog::reject();
}

// Enter searches on to the next match instead of closing the dialog.
void CFindDlg::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            DoFind();
            event->accept();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}
