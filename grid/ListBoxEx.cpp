#include "grid/ListBoxEx.h"

#include "grid/ListCtrlBase.h"
#include "platform/ui/AccessibleEvents.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTimerEvent>
#include <QWheelEvent>
#include <QWindow>
#include <algorithm>
#include <climits>

namespace Pelmo {

namespace {

CListBoxEx* s_pOpenList = nullptr;

// Extra height of an item over the font's line height.
constexpr int kItemPadding = 6;
// The one-pixel border above and below the items.
constexpr int kBorderHeight = 2;
constexpr int kTextIndent = 3;
constexpr int kAutoScrollMs = 100;
// What a screen reader hears after the first item when the list opens with none selected.
const QString kNothingSelected = QStringLiteral(" 選択なし");
// A pause longer than this starts a new word of type-ahead.
constexpr qint64 kTypeAheadMs = 1000;

bool IsColor(COLORREF c) {
    return (c & 0xFF000000u) == 0;
}

// Items in the system's window and highlight colours, whatever the cell's colours are: the
// cell colours only show in the list's empty background.
class CChoiceItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool bSelected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        painter->fillRect(option.rect, pal.color(QPalette::Active,
                                                 bSelected ? QPalette::Highlight : QPalette::Base));
        painter->setPen(
            pal.color(QPalette::Active, bSelected ? QPalette::HighlightedText : QPalette::Text));
        const QRect rcText = option.rect.adjusted(kTextIndent, 0, 0, 0);
        const QString text =
            option.fontMetrics.elidedText(index.data(Qt::DisplayRole).toString(), Qt::ElideRight,
                                          rcText.width(), Qt::TextExpandTabs);
        painter->drawText(
            rcText, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextExpandTabs,
            text);
    }
};

bool IsRoutedKey(int key) {
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_End:
    case Qt::Key_Home:
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
        return true;
    default:
        return false;
    }
}

bool IsTabKey(int key) {
    return key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

// F4 and Alt with Up or Down close the list they opened, with the item selected.
bool IsClosingKey(const QKeyEvent& event) {
    const int key = event.key();
    return key == Qt::Key_F4 ||
           ((event.modifiers() & Qt::AltModifier) && (key == Qt::Key_Up || key == Qt::Key_Down));
}

// A character for the type-ahead: no command, no mnemonic.
bool IsTypedKey(const QKeyEvent& event) {
    const QString text = event.text();
    return !(event.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) &&
           !text.isEmpty() && text.at(0).isPrint();
}

} // namespace

CListBoxEx::CListBoxEx(QWidget* parent) : QListWidget(parent) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setFocusPolicy(Qt::NoFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setMouseTracking(true); // hot tracking: the selection follows the pointer
    setItemDelegate(new CChoiceItemDelegate(this));
    // Once an item is selected, the first one says only its own text again.
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (QListWidgetItem* first = item(0))
            first->setData(Qt::AccessibleTextRole, QVariant());
    });
    hide();
}

CListBoxEx::~CListBoxEx() {
    RemoveHooks();
}

CListBoxEx* CListBoxEx::GetOpenList() {
    return s_pOpenList;
}

void CListBoxEx::Create(QWidget* pParent, const QFont& font) {
    // A tool-tip window is never activated, also not by the offscreen and X11 platforms,
    // which activate every other kind of top-level window when it is shown.
    const Qt::WindowFlags flags =
        Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
    // Reparenting recreates the native window; the grid creates its list on every opening.
    if (parentWidget() != pParent || windowFlags() != flags)
        setParent(pParent, flags);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFont(font);
    m_bWindow = true;
}

void CListBoxEx::DestroyWindow() {
    RemoveHooks();
    StopTimer();
    m_bTracking = false;
    if (!m_bWindow)
        return;
    m_bWindow = false;
    hide();
    clear(); // the items point into the column's choices, which may go away
}

void CListBoxEx::ShowList(CListCtrlBase* pOwner, const CKeyValueList* pChoices, const QRect& rcCell,
                          const QString& strCurrent, int nMaxRows, COLORREF crText,
                          COLORREF crBack) {
    // Opening a list that was never created (or was closed) must still give a popup that
    // the user can close, or the routed keys would be lost for good.
    if (!m_bWindow)
        Create(parentWidget(), font());
    StopTimer();
    clear();
    m_pOwner = pOwner;
    m_pChoices = pChoices;
    m_strCurrent = strCurrent;
    m_bCommitted = false;
    m_bCancelled = false;
    m_bTracking = false;
    m_strTyped.clear();
    m_crText = crText;
    ApplyColors(crBack);

    const int nItemHeight = fontMetrics().height() + kItemPadding;
    const int nChoices = pChoices ? int(pChoices->size()) : 0;
    const int nRows = std::min(std::max(nMaxRows, 0), nChoices);
    PlaceWindow(rcCell, nItemHeight * nRows + kBorderHeight);
    FillItems(nItemHeight);
    InstallHooks();
}

void CListBoxEx::ApplyColors(COLORREF crBack) {
    m_pBackBrush.reset();
    if (IsColor(crBack))
        m_pBackBrush = std::make_unique<QBrush>(ToQColor(crBack));
    // Only the viewport's background: the items keep the list's own (system) colours.
    QPalette pal;
    if (m_pBackBrush)
        pal.setBrush(QPalette::Base, *m_pBackBrush);
    if (IsColor(m_crText))
        pal.setColor(QPalette::Text, ToQColor(m_crText));
    viewport()->setPalette(pal);
}

void CListBoxEx::PlaceWindow(const QRect& rcCell, int nHeight) {
    QScreen* screen = QGuiApplication::screenAt(rcCell.center());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const int nScreenBottom = screen ? screen->geometry().bottom() + 1 : INT_MAX;
    const int nCellBottom = rcCell.bottom() + 1;
    // Near the bottom of the screen the list opens upwards, ending where the cell begins.
    const int nTop = nCellBottom + nHeight > nScreenBottom ? rcCell.top() - nHeight : nCellBottom;
    setGeometry(rcCell.left(), nTop, rcCell.width(), nHeight);
}

void CListBoxEx::FillItems(int nItemHeight) {
    if (!m_pChoices)
        return;
    int nSelect = -1;
    for (const auto& choice : *m_pChoices) {
        auto* item = new QListWidgetItem(choice->m_strText);
        item->setData(Qt::UserRole, QVariant::fromValue(quintptr(choice.get())));
        item->setSizeHint(QSize(1, nItemHeight));
        addItem(item);
        if (choice->m_strKey == m_strCurrent)
            nSelect = count() - 1; // the last match wins
    }
    SetCurSel(nSelect);
    // With nothing selected a screen reader would hear nothing of the list: the first item
    // is where it points, unselected, so that Enter still picks nothing.
    if (nSelect < 0 && count() > 0) {
        selectionModel()->setCurrentIndex(model()->index(0, 0), QItemSelectionModel::NoUpdate);
        item(0)->setData(Qt::AccessibleTextRole, item(0)->text() + kNothingSelected);
    }
}

bool CListBoxEx::PointsUnselected() const {
    return GetCurSel() < 0 && currentIndex().isValid();
}

void CListBoxEx::AnnounceUnselected() {
    if (!PointsUnselected() || !CAccessibleEvents::IsListening())
        return;
    // The list never has the focus, so Qt tells nobody where it points.
    QAccessibleEvent pointed(this, QAccessible::Focus);
    pointed.setChild(currentIndex().row());
    CAccessibleEvents::Deliver(&pointed);
}

int CListBoxEx::GetCurSel() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void CListBoxEx::SetCurSel(int nIndex) {
    if (nIndex < 0 || nIndex >= count()) {
        selectionModel()->clear();
        return;
    }
    setCurrentRow(nIndex);
}

const CKeyValue* CListBoxEx::GetChoice(int nIndex) const {
    const QListWidgetItem* it = item(nIndex);
    if (!it)
        return nullptr;
    // Each item carries the address of the choice it shows (the column owns the choices).
    // NOLINTNEXTLINE(performance-no-int-to-ptr)
    return reinterpret_cast<const CKeyValue*>(it->data(Qt::UserRole).value<quintptr>());
}

bool CListBoxEx::SelectFirstStartingWith(const QString& text) {
    if (text.isEmpty())
        return false;
    for (int i = 0; i < count(); ++i) {
        const CKeyValue* choice = GetChoice(i);
        if (choice && (choice->m_strText.startsWith(text, Qt::CaseInsensitive) ||
                       choice->m_strKey.startsWith(text, Qt::CaseInsensitive))) {
            SetCurSel(i);
            return true;
        }
    }
    return false;
}

void CListBoxEx::TypeAhead(const QString& text) {
    if (!m_typedClock.isValid() || m_typedClock.elapsed() > kTypeAheadMs)
        m_strTyped.clear();
    m_typedClock.start();
    m_strTyped += text;
    if (!SelectFirstStartingWith(m_strTyped) && m_strTyped != text) {
        m_strTyped = text;
        SelectFirstStartingWith(m_strTyped);
    }
}

void CListBoxEx::showEvent(QShowEvent* event) {
    QListWidget::showEvent(event);
    // Selecting before the list was visible could not scroll the item into view.
    if (QListWidgetItem* it = item(GetCurSel()))
        scrollToItem(it, QAbstractItemView::EnsureVisible);
    AnnounceUnselected();
}

// ---- closing ----

void CListBoxEx::Commit() {
    if (!m_bWindow)
        return;
    m_bCommitted = true;
    const QPointer<CListBoxEx> self(this); // the client's end-edit handling may delete the grid
    if (m_pOwner)
        m_pOwner->EndEdit();
    if (!self)
        return;
    // The grid closes the list; without a grid, or should it not, the list must not stay up
    // with the input still routed to it.
    if (m_bWindow)
        DestroyWindow();
}

void CListBoxEx::Cancel() {
    if (!m_bWindow)
        return;
    m_bCancelled = true;
    const QPointer<CListBoxEx> self(this); // the client's end-edit handling may delete the grid
    if (m_pOwner)
        m_pOwner->CancelEdit();
    if (!self)
        return;
    if (m_bWindow)
        DestroyWindow();
}

void CListBoxEx::InstallHooks() {
    if (s_pOpenList == this)
        return;
    // One list at a time: another grid's open list gives way.
    if (s_pOpenList)
        s_pOpenList->Cancel();
    s_pOpenList = this;
    qApp->installEventFilter(this);
}

void CListBoxEx::RemoveHooks() {
    if (s_pOpenList != this)
        return;
    qApp->removeEventFilter(this);
    s_pOpenList = nullptr;
}

// ---- keys ----

void CListBoxEx::keyPressEvent(QKeyEvent* event) {
    // The first key moves from no item, as though none were current: Down takes the first.
    if (PointsUnselected())
        selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        event->accept();
        Commit();
        return;
    case Qt::Key_Escape:
        event->accept();
        Cancel();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        // A single-column list moves sideways keys up and down.
        QKeyEvent vertical(event->type(), event->key() == Qt::Key_Left ? Qt::Key_Up : Qt::Key_Down,
                           event->modifiers());
        QListWidget::keyPressEvent(&vertical);
        event->accept();
        return;
    }
    default:
        QListWidget::keyPressEvent(event);
    }
}

bool CListBoxEx::RouteKey(QKeyEvent* event) {
    const int key = event->key();
    if (IsTabKey(key)) {
        // Tab cancels the list and then does its ordinary work in the grid.
        QKeyEvent escape(event->type(), Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
        QCoreApplication::sendEvent(this, &escape);
        return false;
    }
    if (IsClosingKey(*event) || IsTypedKey(*event)) {
        // Only the press acts; its release has nothing left to reach.
        if (event->type() == QEvent::KeyPress) {
            if (IsClosingKey(*event))
                Commit();
            else
                TypeAhead(event->text());
        }
        return true;
    }
    if (!IsRoutedKey(key))
        return false;
    QKeyEvent routed(event->type(), key, event->modifiers(), event->text(), event->isAutoRepeat(),
                     ushort(event->count()));
    QCoreApplication::sendEvent(this, &routed);
    return true;
}

// ---- the application-wide filter ----

bool CListBoxEx::IsOwnObject(QObject* object) const {
    if (object == this || (windowHandle() && object == static_cast<QObject*>(windowHandle())))
        return true;
    auto* widget = qobject_cast<QWidget*>(object);
    return widget && isAncestorOf(widget);
}

bool CListBoxEx::ContainsGlobal(const QPoint& ptGlobal) const {
    return isVisible() && QRect(mapToGlobal(QPoint(0, 0)), size()).contains(ptGlobal);
}

bool CListBoxEx::IsOnOwnerDropButton(const QPoint& ptGlobal) const {
    if (!m_pOwner)
        return false;
    const QPoint ptClient = m_pOwner->viewport()->mapFromGlobal(ptGlobal);
    return m_pOwner->IsOnEditedDropButton(ptClient);
}

bool CListBoxEx::RouteClick(const QPoint& ptGlobal, Qt::MouseButton button) {
    if (ContainsGlobal(ptGlobal))
        return false;
    if (button != Qt::LeftButton && button != Qt::RightButton)
        return false;
    // Ask before cancelling: the cancel ends the grid's edit of that cell.
    const bool bOnButton = IsOnOwnerDropButton(ptGlobal);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    QCoreApplication::sendEvent(this, &escape);
    // A click on the open cell's own drop-down button only closes the list; let through, it
    // would open it again at once.
    return bOnButton;
}

bool CListBoxEx::eventFilter(QObject* watched, QEvent* event) {
    if (IsOwnObject(watched))
        return false;
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return RouteKey(static_cast<QKeyEvent*>(event));
    case QEvent::ShortcutOverride:
        // The routed keys belong to the list; no shortcut may take them first.
        if (IsRoutedKey(static_cast<QKeyEvent*>(event)->key())) {
            event->accept();
            return true;
        }
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::NonClientAreaMouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        return RouteClick(mouse->globalPosition().toPoint(), mouse->button());
    }
    case QEvent::Wheel:
        return !ContainsGlobal(static_cast<QWheelEvent*>(event)->globalPosition().toPoint());
    case QEvent::ApplicationDeactivate:
        // The user went to another program: the list must not float over it.
        Cancel();
        return false;
    default:
        return false;
    }
}

// ---- mouse inside the list ----

void CListBoxEx::SelectAt(const QPoint& ptViewport) {
    const QModelIndex index = indexAt(ptViewport);
    if (index.isValid() && index.row() != GetCurSel())
        SetCurSel(index.row());
}

void CListBoxEx::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pt = event->position().toPoint();
    SelectAt(pt);
    m_ptLastMove = pt;
    m_bTracking = true;
}

void CListBoxEx::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void CListBoxEx::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint pt = event->position().toPoint();
    if (!m_bTracking) {
        if (viewport()->rect().contains(pt))
            SelectAt(pt);
        return;
    }
    m_ptLastMove = pt;
    StopTimer();
    if (pt.y() < 0 || pt.y() >= viewport()->height())
        m_nTimer = startTimer(kAutoScrollMs);
    else
        SelectAt(pt);
}

void CListBoxEx::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    StopTimer();
    m_bTracking = false;
    // Released anywhere: the item selected now is the pick.
    Commit();
}

void CListBoxEx::StopTimer() {
    if (m_nTimer != 0) {
        killTimer(m_nTimer);
        m_nTimer = 0;
    }
}

void CListBoxEx::timerEvent(QTimerEvent* event) {
    if (event->timerId() != m_nTimer || m_nTimer == 0) {
        QListWidget::timerEvent(event);
        return;
    }
    AutoScrollStep();
}

void CListBoxEx::AutoScrollStep() {
    if (!m_bTracking || count() == 0)
        return;
    const int nCur = GetCurSel();
    if (m_ptLastMove.y() < 0)
        SetCurSel(nCur < 0 ? 0 : std::max(nCur - 1, 0));
    else if (m_ptLastMove.y() >= viewport()->height())
        SetCurSel(std::min(nCur + 1, count() - 1));
}

} // namespace Pelmo
